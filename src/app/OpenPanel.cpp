#include "app/OpenPanel.h"

#include "tags/QZTagLibTag.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QLabel>

OpenPanel::OpenPanel(QWidget* parent) : QFileDialog(parent)
{
    setObjectName(QStringLiteral("OpenPanel"));
    setWindowTitle(QStringLiteral("Open"));
    setWindowModality(Qt::WindowModal);
    // Qt's own dialog: the system one cannot take files and folders together.
    setOption(QFileDialog::DontUseNativeDialog);
    // Directory mode lists files too; the views below take several items.
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly, false);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::Accept, prompt());
    QStringList patterns;
    for (const QString& extension : QZTagLibTag::supportedExtensions())
        patterns.append(QStringLiteral("*.") + extension);
    setNameFilter(QStringLiteral("Media files (%1)").arg(patterns.join(QLatin1Char(' '))));
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>(QStringLiteral("listView"))
                                       + findChildren<QAbstractItemView*>(QStringLiteral("treeView")))
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    addFileDialogMessage(this, message());
}

void addFileDialogMessage(QFileDialog* dialog, const QString& message)
{
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout())) {
        auto* label = new QLabel(message, dialog);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
}

void OpenPanel::accept()
{
    // Files and folders alike are taken as chosen.
    m_chosen = selectedFiles();
    if (m_chosen.isEmpty())
        return;
    QDialog::accept();
}
