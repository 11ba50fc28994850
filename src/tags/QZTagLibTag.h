#pragma once
// Uniform access to the tag fields of one open media file, whatever its
// container, and the factory that picks the wrapper by file extension.

#include "tags/ImageCodec.h"
#include "tags/FileFacts.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace TagLib { class IOStream; }
namespace tagmint::tags {
class CopyOnWriteStream;
class FileReadCache;
class LockedFile;
}

// One picture found in a tag. MP4 covers carry no picture type.
struct QZTagLibTagImage {
    QImage image;
    std::optional<int> type;   // ID3v2 / FLAC picture type number
};

class QZTagLibTag {
public:
    // Bit of the open flags: the wrapper is opened to be saved.
    static constexpr quint32 OpenForWriting = 0x1;
    // Bit of the open flags: the wrapper only checks a file a save of ours
    // has just written. No lock (that save holds it), and any file name.
    static constexpr quint32 ReadBack = 0x100;

    virtual ~QZTagLibTag();
    QZTagLibTag(const QZTagLibTag&) = delete;
    QZTagLibTag& operator=(const QZTagLibTag&) = delete;

    // The wrapper of the first class (in factory order) that claims the
    // path's extension, opened; nullptr when no class claims it or that
    // class cannot open the file (then `error`, when given, says why). Later
    // classes are never tried.
    static std::unique_ptr<QZTagLibTag> tagWithPath(const QString& path, quint32 flags,
                                                    QString* error = nullptr);

    // Every extension a wrapper handles, lower case, in factory order.
    static const QStringList& supportedExtensions();
    static bool canHandlePath(const QString& path);

    // Opens the file and locks it: shared while it is read, exclusive from
    // opening for writing to closing; false, with nothing held, when this class does not claim the
    // path, the file is not of its kind, it stays busy or the library fails.
    bool open(const QString& path, quint32 flags);

    // Writes the in-memory tags to the file, so that the file is either the
    // whole new one or left byte for byte as it was (see SafeFileCommit.h);
    // true when the new file is in place and reads back. Otherwise
    // saveError() says why.
    bool save();
    QString saveError() const { return m_saveError; }
    // Where the open file keeps its audio: a save that would change those
    // bytes, or leave the container's pointers to them wrong, is refused.
    // May throw.
    virtual tagmint::tags::AudioLayout audioLayout() { return {}; }
    // Why the last open failed, when it was not the file's contents.
    QString openError() const { return m_openError; }
    // The file as it was when opened: a record compares it with what it
    // loaded to see whether someone else saved the file meanwhile.
    const tagmint::tags::FileStamp& openedStamp() const { return m_openedStamp; }
    // Releases the file and its lock; afterwards getters answer empty values.
    void closeFile();

    virtual QString artist() const { return QString(); }
    virtual void setArtist(const QString&) {}
    virtual QString album() const { return QString(); }
    virtual void setAlbum(const QString&) {}
    virtual QString albumArtist() const { return QString(); }
    virtual void setAlbumArtist(const QString&) {}
    virtual QString title() const { return QString(); }
    virtual void setTitle(const QString&) {}
    virtual QString comment() const { return QString(); }
    virtual void setComment(const QString&) {}
    virtual QString genre() const { return QString(); }
    virtual void setGenre(const QString&) {}
    virtual int tempo() const { return 0; }
    virtual void setTempo(int) {}
    virtual QString initialKey() const { return QString(); }
    virtual void setInitialKey(const QString&) {}
    virtual QString encodedBy() const { return QString(); }
    virtual void setEncodedBy(const QString&) {}
    virtual QString grouping() const { return QString(); }
    virtual void setGrouping(const QString&) {}
    virtual QString composer() const { return QString(); }
    virtual void setComposer(const QString&) {}
    virtual QString copyright() const { return QString(); }
    virtual void setCopyright(const QString&) {}
    virtual int year() const { return 0; }
    virtual void setYear(int) {}

    // Number/total pairs live together in one frame, atom or field: they are
    // read once at open and written back only by save().
    int trackNumber() const { return m_trackNumber; }
    void setTrackNumber(int value) { m_trackNumber = value; }
    int tracksTotal() const { return m_tracksTotal; }
    void setTracksTotal(int value) { m_tracksTotal = value; }
    int discNumber() const { return m_discNumber; }
    void setDiscNumber(int value) { m_discNumber = value; }
    int discsTotal() const { return m_discsTotal; }
    void setDiscsTotal(int value) { m_discsTotal = value; }

    // Names the tags present, e.g. "ID3v1, ID3v2.3.0".
    virtual QString tagFormat() const { return QString(); }

    // Every decodable picture, in tag order.
    virtual QList<QZTagLibTagImage> images() const { return {}; }
    // The first decodable picture with its JPEG or PNG bytes; a null image
    // when there is none. Same image as images().first() without decoding
    // the others.
    virtual tagmint::tags::TagPicture firstPicture() const { return {}; }
    QImage firstImage() const { return firstPicture().image; }
    // The size the first picture that looks decodable states in its header
    // (invalid when there is none), read without decoding it: loading a
    // folder must not pay for decoding every cover.
    virtual QSize decodableImageSize() const;
    virtual bool supportsImages() const { return false; }
    // Makes the picture the tag's first; a null image removes every
    // picture. Its JPEG or PNG bytes are stored as they are, other images
    // are encoded; one that cannot be encoded leaves the pictures alone. A
    // new picture is a front cover.
    void setTagPicture(const tagmint::tags::TagPicture& picture);
    void setTagImage(const QImage& image) { setTagPicture({image, {}, false}); }
    virtual bool hasImages() const { return false; }

    virtual bool hasID3v1Tag() const { return false; }
    virtual bool hasID3v2Tag() const { return false; }
    virtual bool isReadOnly() const { return false; }

    QString path() const { return m_path; }
    void setPath(const QString& path) { m_path = path; }

protected:
    QZTagLibTag();

    // True when the path's lower-cased extension is one of the given ones.
    static bool extensionIsIn(const QString& path, const QStringList& extensions);

    // Whether the concrete class handles the path's extension.
    virtual bool claims(const QString& path) const = 0;
    // Constructs the file object on stream() and takes its tags; may throw.
    // open() does the rest every wrapper shares.
    virtual bool openFile(const QString& path, quint32 flags) = 0;
    // Deletes the file object and forgets its tags.
    virtual void closeTagLibFile() {}
    // Has the library render the tags into stream(); may throw.
    virtual bool writeTags() { return false; }

    // What the TagLib file object reads and writes through; it never
    // writes to the file itself.
    TagLib::IOStream* stream() const;
    // The reads of the file stream() reads, for a structure walk: the walk
    // then judges the very file TagLib reads, mostly from bytes in memory.
    tagmint::tags::FileReadCache& streamFile() const;
    // Opens the stream on the file at `path` again, after something
    // replaced it (the WAV repair); false when it cannot be opened.
    bool reopenStream(const QString& path, quint32 flags);

    virtual void loadIntermediateValues() {}
    virtual void flushIntermediateValues() {}

    // setTagPicture's two halves; `encoded` is never empty.
    virtual void removePictures() {}
    virtual void storePicture(const tagmint::tags::EncodedImage& /*encoded*/, const QImage& /*image*/) {}

    int m_trackNumber = 0;
    int m_tracksTotal = 0;
    int m_discNumber = 0;
    int m_discsTotal = 0;

private:
    bool failSave(const QString& reason);

    QString m_path;
    std::unique_ptr<tagmint::tags::LockedFile> m_lockedFile;
    std::unique_ptr<tagmint::tags::CopyOnWriteStream> m_stream;
    tagmint::tags::FileStamp m_openedStamp;
    // Encoded bytes of the pictures handed over since the last save: the
    // new tag may be that much larger.
    qint64 m_pictureBytes = 0;
    QString m_saveError;
    QString m_openError;
};
