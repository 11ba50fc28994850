#include "app/ArtworkEditor.h"

#include "app/ArtworkPanel.h"
#include "app/OpenPanel.h"
#include "app/TableGridView.h"
#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"
#include "table/TableClipboard.h"
#include "table/TableViewController.h"

#include <QFileDialog>
#include <QTimer>

using namespace tagmint::table;
using State = ArtworkEditSession::State;

namespace {

const QString kImageKey = QStringLiteral("image");

} // namespace

ArtworkEditor::ArtworkEditor(TableViewController& controller, TableGridView& view, QWidget* window,
                             std::function<bool()> showsSheet)
    : QObject(window), m_controller(controller), m_view(view), m_window(window),
      m_showsSheet(std::move(showsSheet))
{
}

int ArtworkEditor::row() const
{
    return m_record ? m_controller.grid().rowOfObject(m_record) : -1;
}

int ArtworkEditor::column() const { return m_controller.grid().columnWithIdentifier(kImageKey); }

void ArtworkEditor::begin(int row, int column)
{
    if (m_session.state() != State::Idle)
        return;
    QZTagLibRecord* record = m_controller.grid().recordAtRow(row);
    if (!record || m_controller.grid().columnIdentifier(column) != kImageKey)
        return;
    m_record = m_controller.collection().arrangedObjects().at(row);
    m_session.begin(record->image(), record->path());
    record->releaseTagResources();
    follow();
}

void ArtworkEditor::follow()
{
    switch (m_session.state()) {
    case State::PanelOpen:
        openPanel();
        return;
    case State::ChoosingFile:
        openChooser(false);
        return;
    case State::ChoosingFolder:
        openChooser(true);
        return;
    case State::Committed:
        if (row() >= 0)
            m_controller.applyArtwork(row(), column(), m_session.picture());
        break;
    case State::Abandoned:
        if (m_session.noPictureFound())
            QTimer::singleShot(100, this, [this] { m_controller.reportNoArtwork(); });
        break;
    case State::Idle:
        if (!m_session.exportFolder().isEmpty() && row() >= 0)
            m_controller.exportArtwork(row(), m_session.exportFolder());
        break;
    }
    m_session = ArtworkEditSession();
    m_record.reset();
}

void ArtworkEditor::openPanel()
{
    const int at = row();
    if (at < 0 || column() < 1)
        return;
    m_view.scrollRowToVisible(at);
    m_view.scrollColumnToVisible(column());
    auto* panel = new ArtworkPanel(m_view.viewport(), m_view.cellRect(at, column()), m_session.image());
    m_panel = panel;
    connect(panel, &ArtworkPanel::donePressed, this, [this] { m_session.donePressed(); });
    connect(panel, &ArtworkPanel::deletePressed, this, [this] { m_session.deletePressed(); });
    connect(panel, &ArtworkPanel::replacePressed, this, [this] { m_session.replacePressed(); });
    connect(panel, &ArtworkPanel::savePressed, this, [this] { m_session.savePressed(); });
    connect(panel, &ArtworkPanel::closed, this, [this] {
        m_session.panelClosed();
        // After the popup is gone, so a sheet can take the window.
        QTimer::singleShot(0, this, [this] { follow(); });
    });
    panel->popup();
}

void ArtworkEditor::openChooser(bool folders)
{
    const ArtworkChooser& chooser = m_session.chooser();
    auto* dialog = new QFileDialog(m_window, chooser.title, chooser.startFolder);
    dialog->setObjectName(folders ? QStringLiteral("ArtworkFolderChooser")
                                  : QStringLiteral("ArtworkFileChooser"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    if (folders) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog->setFileMode(QFileDialog::ExistingFile);
        QStringList patterns;
        for (const QString& extension : artworkFileExtensions())
            patterns.append(QStringLiteral("*.") + extension);
        dialog->setNameFilter(QStringLiteral("Images and media files (%1)").arg(patterns.join(QLatin1Char(' '))));
    }
    m_chooser = dialog;
    connect(dialog, &QFileDialog::finished, this, [this, dialog, folders](int result) {
        const QStringList chosen = result == QDialog::Accepted ? dialog->selectedFiles() : QStringList();
        if (folders)
            m_session.folderChosen(chosen.value(0));
        else
            m_session.filesChosen(chosen);
        follow();
    });
    dialog->open();
    addMessageUnderFileList(dialog, chooser.message);
}

void ArtworkEditor::drop(int row, int column, const QMimeData* mime)
{
    if (m_showsSheet() || m_session.state() != State::Idle)
        return;
    QZTagLibTableSelection& selection = m_controller.selection();
    // The picture goes to the selected cells of the column: a drop outside
    // the selection takes its own cell alone.
    if (!selection.isCellSelectedAtRow(row, column))
        selection.selectCellAtRow(row, column, false);
    tagmint::tags::TagPicture picture = filesToImage(localFilesFromMimeData(mime));
    if (picture.image.isNull())
        picture = pictureFromMimeData(mime);
    if (picture.image.isNull()) {
        QTimer::singleShot(100, this, [this] { m_controller.reportNoArtwork(); });
        return;
    }
    m_controller.applyArtwork(row, column, picture);
}
