#pragma once
// Tags of an MP4 family file (m4a, mp4, mov, 3gp, 3g2): the iTunes-style
// item list. Covers live in "covr" and carry no picture type.

#include "tags/QZTagLibTag.h"

namespace TagLib {
class String;
namespace MP4 { class File; class Tag; }
}

class QZTagLibMP4Tag : public QZTagLibTag {
public:
    QZTagLibMP4Tag() = default;
    ~QZTagLibMP4Tag() override;

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

    QString tagFormat() const override { return QStringLiteral("MP4"); }

    QList<QZTagLibTagImage> images() const override;
    tagmint::tags::TagPicture firstPicture() const override;
    QSize decodableImageSize() const override;
    bool supportsImages() const override { return true; }
    // The new cover replaces the first one; the others stay after it.
    bool hasImages() const override;

    bool isReadOnly() const override;
    tagmint::tags::AudioLayout audioLayout() override;

protected:
    bool writeTags() override;
    bool claims(const QString& path) const override { return canHandlePath(path); }
    // False for anything but a whole atom structure with a movie header.
    bool openFile(const QString& path, quint32 flags) override;
    void loadIntermediateValues() override;
    void flushIntermediateValues() override;
    void removePictures() override;
    void storePicture(const tagmint::tags::EncodedImage& encoded, const QImage& image) override;

private:
    // The item's strings joined with " "; "" when absent.
    QString stringItem(const TagLib::String& key) const;
    // "" removes the item; a text equal to what the item reads leaves it.
    void setStringItem(const TagLib::String& key, const QString& text);
    int intItem(const TagLib::String& key) const;
    void setIntItem(const TagLib::String& key, int value);

    TagLib::MP4::File* m_file = nullptr;
    TagLib::MP4::Tag* m_tag = nullptr;   // owned by the file object
};
