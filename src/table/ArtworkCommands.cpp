#include "table/ArtworkCommands.h"

#include "record/QZTagLibRecord.h"
#include "tags/QZTagLibTag.h"

#include <QFileInfo>

namespace tagmint::table {

namespace {

const QStringList kImageExtensions = {QStringLiteral("png"), QStringLiteral("jpg"),
                                      QStringLiteral("jpeg"), QStringLiteral("gif"),
                                      QStringLiteral("bmp")};

const QString kArtwork = QStringLiteral("Artwork");

QString sizeText(const QImage& image)
{
    return QStringLiteral("%1x%2").arg(image.width()).arg(image.height());
}

} // namespace

bool isImageFileName(const QString& path)
{
    return kImageExtensions.contains(QFileInfo(path).suffix().toLower());
}

tags::TagPicture loadExternalImage(const QString& path)
{
    return tags::loadPictureFile(path).value_or(tags::TagPicture());
}

tags::TagPicture loadExternalTagFile(const QString& path)
{
    QZTagLibRecord record(path, 0);
    const tags::TagPicture picture = record.hasInvalidTags() ? tags::TagPicture() : record.picture();
    record.releaseTagResources();
    return picture;
}

tags::TagPicture filesToImage(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (isImageFileName(path)) {
            const tags::TagPicture picture = loadExternalImage(path);
            if (!picture.image.isNull())
                return picture;
        }
        if (QZTagLibTag::canHandlePath(path)) {
            const tags::TagPicture picture = loadExternalTagFile(path);
            if (!picture.image.isNull())
                return picture;
        }
    }
    return {};
}

QStringList artworkFileExtensions()
{
    return QZTagLibTag::supportedExtensions() + kImageExtensions;
}

StatusNotification artworkUpdatedMessage(const QImage& image)
{
    return StatusNotification::makeMessage(
        kArtwork, QStringLiteral("updated with image of size %1").arg(sizeText(image)),
        QStringLiteral("Artwork was updated with image of size %1.").arg(sizeText(image)));
}

StatusNotification artworkDeletedMessage()
{
    return StatusNotification::makeMessage(kArtwork, QStringLiteral("deleted"),
                                           QStringLiteral("Artwork was deleted."));
}

StatusNotification artworkSavedMessage(const QString& folder)
{
    const QString name = QFileInfo(folder).fileName();
    return StatusNotification::makeMessage(kArtwork, QStringLiteral("saved to folder '%1'").arg(name),
                                           QStringLiteral("Artwork was saved to folder '%1'").arg(name));
}

QString couldNotLoadArtworkTitle() { return QStringLiteral("Could not load artwork."); }

QString noArtworkInSelectedFile() { return QStringLiteral("Selected file does not contain artwork."); }

StatusNotification noArtworkMessage()
{
    return StatusNotification::makeMessage(kArtwork, noArtworkInSelectedFile(), noArtworkInSelectedFile());
}

// --- ArtworkEditSession ------------------------------------------------------------

void ArtworkEditSession::begin(const QImage& current, const QString& recordPath)
{
    *this = ArtworkEditSession();
    const QFileInfo folder(QFileInfo(recordPath).path());
    if (!recordPath.isEmpty() && folder.isDir())
        m_startFolder = folder.filePath();
    if (current.isNull()) {
        m_chooser = {QStringLiteral("Add Artwork"),
                     QStringLiteral("Select image or media file to add new artwork."), m_startFolder};
        m_state = State::ChoosingFile;
        return;
    }
    m_current = current;
    m_state = State::PanelOpen;
}

void ArtworkEditSession::donePressed()
{
    if (m_state == State::PanelOpen)
        m_done = true;
}

void ArtworkEditSession::deletePressed()
{
    if (m_state != State::PanelOpen)
        return;
    m_picture = {};
    m_deleted = true;
    m_done = true;
}

void ArtworkEditSession::replacePressed()
{
    if (m_state != State::PanelOpen)
        return;
    m_replacing = true;
    m_chooser = {QStringLiteral("Replace Artwork"),
                 QStringLiteral("Select image or media file to replace the artwork."), m_startFolder};
}

void ArtworkEditSession::savePressed()
{
    if (m_state != State::PanelOpen)
        return;
    m_saving = true;
    m_chooser = {QStringLiteral("Save Artwork"),
                 QStringLiteral("Select the folder where this artwork should be saved."), m_startFolder};
}

void ArtworkEditSession::panelClosed()
{
    if (m_state != State::PanelOpen)
        return;
    if (m_done)
        m_state = m_deleted ? State::Committed : State::Abandoned;
    else if (m_replacing)
        m_state = State::ChoosingFile;
    else if (m_saving)
        m_state = State::ChoosingFolder;
    else
        m_state = State::Abandoned;
}

void ArtworkEditSession::filesChosen(const QStringList& paths)
{
    if (m_state != State::ChoosingFile)
        return;
    if (paths.isEmpty()) {
        m_state = State::Abandoned;
        return;
    }
    m_picture = filesToImage(paths);
    m_noPicture = m_picture.image.isNull();
    m_state = m_noPicture ? State::Abandoned : State::Committed;
}

void ArtworkEditSession::folderChosen(const QString& folder)
{
    if (m_state != State::ChoosingFolder)
        return;
    m_exportFolder = folder;
    m_state = State::Idle;
}

} // namespace tagmint::table
