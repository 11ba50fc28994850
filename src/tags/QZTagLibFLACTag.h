#pragma once
// Tags of a FLAC file: the Xiph comment as master, created when absent.
// ID3v2 and ID3v1 tags that the file already carries are read as a fallback
// and kept in step; FLAC picture blocks hold the artwork.

#include "tags/QZTagLibMPEGTag.h"
#include "tags/XiphCommentFields.h"

namespace TagLib {
namespace FLAC { class File; }
}

class QZTagLibFLACTag : public QZTagLibMPEGTag {
public:
    QZTagLibFLACTag() = default;
    ~QZTagLibFLACTag() override;

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

    // "Vorbis", "ID3v1", the ID3v2 version, as present on disk; "No tags".
    QString tagFormat() const override;

    // FLAC pictures; the ID3v2 APIC frames when no FLAC picture decodes.
    QList<QZTagLibTagImage> images() const override;
    tagmint::tags::TagPicture firstPicture() const override;
    QSize decodableImageSize() const override;
    // FLAC pictures only, decodable or not.
    bool hasImages() const override;

    bool isReadOnly() const override;
    tagmint::tags::AudioLayout audioLayout() override;

protected:
    bool writeTags() override;
    bool claims(const QString& path) const override { return canHandlePath(path); }
    // False for anything but a FLAC stream: the "fLaC" marker at the start
    // (or right after a leading ID3v2 tag), whole metadata blocks and a
    // frame after them.
    bool openFile(const QString& path, quint32 flags) override;
    void loadIntermediateValues() override;
    void flushIntermediateValues() override;
    void removePictures() override;
    void storePicture(const tagmint::tags::EncodedImage& encoded, const QImage& image) override;

private:
    void copyXiphIntoID3Tags();
    tagmint::tags::FlacPictureList flacPictures() const;

    TagLib::FLAC::File* m_flacFile = nullptr;
    tagmint::tags::XiphCommentFields m_xiph;   // over the file object's comment
};
