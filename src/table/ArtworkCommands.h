#pragma once
// What the artwork cell does without a window: where a new picture comes
// from (an image file, or the picture of another media file), the words of
// its reports, and one edit of the cell from start to end as a small state
// machine the window follows (the artwork panel and its file choosers).

#include "table/StatusNotification.h"
#include "tags/ImageCodec.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace tagmint::table {

// Pictures keep the JPEG or PNG bytes they came as, so a save stores them
// unchanged; a null image means no picture.

// "jpg", "jpeg", "png", "gif" or "bmp" in any case.
bool isImageFileName(const QString& path);
// The file's picture, when it can be read.
tags::TagPicture loadExternalImage(const QString& path);
// The picture in a media file's tags, when it has one and its tags can be
// read. The file is not kept open.
tags::TagPicture loadExternalTagFile(const QString& path);
// The first picture found among the files, in order: image files by their
// name, media files of a supported kind by their tags.
tags::TagPicture filesToImage(const QStringList& paths);
// What the artwork file chooser offers: the media files' extensions, then
// the image files'.
QStringList artworkFileExtensions();

// "Artwork: updated with image of size 600x600" and the other reports.
StatusNotification artworkUpdatedMessage(const QImage& image);
StatusNotification artworkDeletedMessage();
StatusNotification artworkSavedMessage(const QString& folder);
// The alert and status message when a chosen, dropped or pasted source
// gives no picture.
QString couldNotLoadArtworkTitle();       // "Could not load artwork."
QString noArtworkInSelectedFile();        // "Selected file does not contain artwork."
StatusNotification noArtworkMessage();

// A file or folder chooser the edit asks for.
struct ArtworkChooser {
    QString title;
    QString message;
    QString startFolder;   // "" when the record's folder does not exist
};

// One edit of an artwork cell. The window shows what state() asks for and
// reports what the user did; when the edit is Committed, picture() goes
// into the record (null: the artwork is deleted) as a commit with Return.
// Done on a picture left as it was changes nothing.
class ArtworkEditSession {
public:
    enum class State {
        Idle,             // not started, or ended with an export
        PanelOpen,        // the panel shows picture()
        ChoosingFile,     // chooser() for "Add Artwork" or "Replace Artwork"
        ChoosingFolder,   // chooser() for "Save Artwork"
        Committed,
        Abandoned,
    };

    // The record's current picture (null for none) and its file's path.
    void begin(const QImage& current, const QString& recordPath);

    // The panel's buttons; each closes the panel afterwards.
    void donePressed();
    void deletePressed();
    void replacePressed();
    void savePressed();
    // The panel closed, by a button or otherwise (Escape, a click outside).
    void panelClosed();

    // The file chooser's answer (empty: cancelled). When the files give no
    // picture the edit is abandoned and noPictureFound() says so.
    void filesChosen(const QStringList& paths);
    // The folder chooser's answer (empty: cancelled); exportFolder() is
    // where the picture is to be saved.
    void folderChosen(const QString& folder);

    State state() const { return m_state; }
    // The panel shows image(); a commit writes picture().
    const QImage& image() const { return m_current; }
    const tags::TagPicture& picture() const { return m_picture; }
    const ArtworkChooser& chooser() const { return m_chooser; }
    bool noPictureFound() const { return m_noPicture; }
    const QString& exportFolder() const { return m_exportFolder; }

private:
    State m_state = State::Idle;
    QImage m_current;
    tags::TagPicture m_picture;
    QString m_startFolder;
    ArtworkChooser m_chooser;
    bool m_done = false;
    bool m_deleted = false;
    bool m_replacing = false;
    bool m_saving = false;
    bool m_noPicture = false;
    QString m_exportFolder;
};

} // namespace tagmint::table
