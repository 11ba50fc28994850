#include "app/OpenPanel.h"

#include "tags/QZTagLibTag.h"
#include "util/TextConversion.h"

#include <QGridLayout>
#include <QLabel>

OpenPanel::OpenPanel(Choice choice, QWidget* parent) : QFileDialog(parent)
{
    setObjectName(QStringLiteral("OpenPanel"));
    setWindowModality(Qt::WindowModal);
    setAcceptMode(QFileDialog::AcceptOpen);
    if (choice == Choice::Files) {
        setFileMode(QFileDialog::ExistingFiles);
        QStringList patterns;
        for (const QString& extension : QZTagLibTag::supportedExtensions())
            patterns.append(QStringLiteral("*.") + extension);
        setNameFilter(QStringLiteral("Media files (%1)").arg(patterns.join(QLatin1Char(' '))));
    } else {
        setFileMode(QFileDialog::Directory);
        setOption(QFileDialog::ShowDirsOnly);
    }
    // After the mode, which would give Qt's own dialog its own words.
    setWindowTitle(title());
    setLabelText(QFileDialog::Accept, prompt(choice));
    if (choice == Choice::Folder)
        setLabelText(QFileDialog::FileName, QStringLiteral("Folder:"));
}

QStringList OpenPanel::chosenPaths() const
{
    QStringList paths;
    for (const QUrl& url : selectedUrls()) {
        if (const QString path = tagmint::text::pathFromUrl(url); !path.isEmpty())
            paths.append(path);
    }
    return paths;
}

void OpenPanel::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    addMessageUnderFileList(this, message());
}

void addMessageUnderFileList(QFileDialog* dialog, const QString& message)
{
    // Only Qt's own dialog has room for the message (a desktop dialog has
    // no layout here).
    auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
    if (!grid || dialog->findChild<QLabel*>(QStringLiteral("OpenPanelMessage")))
        return;
    auto* label = new QLabel(message, dialog);
    label->setObjectName(QStringLiteral("OpenPanelMessage"));
    grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
}
