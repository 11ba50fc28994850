#pragma once
// Tags of an MPEG audio file: the ID3v2 tag as master, an existing ID3v1 tag
// kept in step. Its ID3v2 field rules serve every container that can carry
// an ID3v2 tag (AIFF, WAV, FLAC).

#include "tags/QZTagLibTag.h"

#include <taglib/tstring.h>

namespace TagLib {
class ByteVector;
namespace ID3v1 { class Tag; }
namespace ID3v2 { class Tag; class CommentsFrame; }
namespace MPEG { class File; }
}

class QZTagLibMPEGTag : public QZTagLibTag {
public:
    QZTagLibMPEGTag() = default;
    ~QZTagLibMPEGTag() override;

    static const QStringList& supportedExtensions();
    static bool canHandlePath(const QString& path);

    void closeTagLibFile() override;

    QString artist() const override;
    void setArtist(const QString& value) override;
    QString album() const override;
    void setAlbum(const QString& value) override;
    QString albumArtist() const override;
    void setAlbumArtist(const QString& value) override;
    QString title() const override;
    void setTitle(const QString& value) override;
    QString comment() const override;
    void setComment(const QString& value) override;
    QString genre() const override;
    void setGenre(const QString& value) override;
    int tempo() const override;
    void setTempo(int value) override;
    QString initialKey() const override;
    void setInitialKey(const QString& value) override;
    QString encodedBy() const override;
    void setEncodedBy(const QString& value) override;
    QString grouping() const override;
    void setGrouping(const QString& value) override;
    QString composer() const override;
    void setComposer(const QString& value) override;
    QString copyright() const override;
    void setCopyright(const QString& value) override;
    int year() const override;
    void setYear(int value) override;

    QString tagFormat() const override;

    QList<QZTagLibTagImage> images() const override;
    tagmint::tags::TagPicture firstPicture() const override;
    QSize decodableImageSize() const override;
    bool supportsImages() const override { return true; }
    bool hasImages() const override;

    bool hasID3v1Tag() const override { return m_id3v1Tag != nullptr; }
    bool hasID3v2Tag() const override { return m_id3v2Tag != nullptr; }
    bool isReadOnly() const override;
    tagmint::tags::AudioLayout audioLayout() override;

protected:
    bool writeTags() override;
    bool claims(const QString& path) const override { return canHandlePath(path); }
    // False when the file holds no MPEG frame: TagLib alone takes any bytes.
    bool openFile(const QString& path, quint32 flags) override;
    void loadIntermediateValues() override;
    void flushIntermediateValues() override;
    void removePictures() override;
    void storePicture(const tagmint::tags::EncodedImage& encoded, const QImage& image) override;

    // "ID3v2.<major>.<revision>", or "ID3v2" without a tag or header.
    QString id3v2VersionText() const;

    // The text of the first frame with this id; "" when there is none.
    QString textFrameValue(const char* frameId) const;
    // Sets the first frame with this id (creating it); "" removes that frame.
    void setTextFrameValue(const char* frameId, const QString& text);
    int intFrameValue(const char* frameId) const;
    void setIntFrameValue(const char* frameId, int value);

    // The last COMM frame with an empty description and a real language.
    TagLib::ID3v2::CommentsFrame* primaryCommentFrame() const;

    TagLib::ID3v1::Tag* m_id3v1Tag = nullptr;   // owned by the file object
    TagLib::ID3v2::Tag* m_id3v2Tag = nullptr;   // owned by the file object

private:
    TagLib::MPEG::File* m_file = nullptr;
};
