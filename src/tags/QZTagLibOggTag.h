#pragma once
// The Xiph comment of an Ogg Vorbis, Opus, FLAC or Speex stream; field
// rules as for FLAC's comment, pictures as METADATA_BLOCK_PICTURE fields.

#include "tags/QZTagLibTag.h"
#include "tags/OggPageWalker.h"
#include "tags/XiphCommentFields.h"

namespace TagLib { class File; }

class QZTagLibOggTag : public QZTagLibTag {
public:
    QZTagLibOggTag() = default;
    ~QZTagLibOggTag() override;

    static const QStringList& supportedExtensions();
    static bool canHandlePath(const QString& path);

    void closeTagLibFile() override;
    // None: TagLib renumbers the pages after a comment that changes its page
    // count, so the audio pages are rewritten rather than kept; writeTags
    // compares the audio packets instead.
    tagmint::tags::AudioLayout audioLayout() override { return {}; }

    QString artist() const override { return m_xiph.text(tagmint::tags::XiphText::Artist); }
    void setArtist(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::Artist, value); }
    QString album() const override { return m_xiph.text(tagmint::tags::XiphText::Album); }
    void setAlbum(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::Album, value); }
    QString albumArtist() const override { return m_xiph.text(tagmint::tags::XiphText::AlbumArtist); }
    void setAlbumArtist(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::AlbumArtist, value); }
    QString title() const override { return m_xiph.text(tagmint::tags::XiphText::Title); }
    void setTitle(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::Title, value); }
    QString comment() const override { return m_xiph.text(tagmint::tags::XiphText::Comment); }
    void setComment(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::Comment, value); }
    QString genre() const override { return m_xiph.text(tagmint::tags::XiphText::Genre); }
    void setGenre(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::Genre, value); }
    int tempo() const override { return m_xiph.tempo(); }
    void setTempo(int value) override { m_xiph.setTempo(value); }
    QString initialKey() const override { return m_xiph.text(tagmint::tags::XiphText::InitialKey); }
    void setInitialKey(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::InitialKey, value); }
    QString encodedBy() const override { return m_xiph.text(tagmint::tags::XiphText::EncodedBy); }
    void setEncodedBy(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::EncodedBy, value); }
    QString grouping() const override { return m_xiph.text(tagmint::tags::XiphText::Grouping); }
    void setGrouping(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::Grouping, value); }
    QString composer() const override { return m_xiph.text(tagmint::tags::XiphText::Composer); }
    void setComposer(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::Composer, value); }
    QString copyright() const override { return m_xiph.text(tagmint::tags::XiphText::Copyright); }
    void setCopyright(const QString& value) override { m_xiph.setText(tagmint::tags::XiphText::Copyright, value); }
    int year() const override { return m_xiph.year(); }
    void setYear(int value) override { m_xiph.setYear(value); }

    // "Xiph Comment"; every Ogg stream of these codecs carries one.
    QString tagFormat() const override;

    QList<QZTagLibTagImage> images() const override;
    tagmint::tags::TagPicture firstPicture() const override;
    QSize decodableImageSize() const override;
    bool supportsImages() const override { return true; }
    bool hasImages() const override;

    bool isReadOnly() const override;

protected:
    // Refuses a save that changes any packet after the comment or the
    // granule position of an audio page.
    bool writeTags() override;
    bool claims(const QString& path) const override { return canHandlePath(path); }
    // False unless our page walk accepts the file and its first packet is
    // the header of one of the four codecs.
    bool openFile(const QString& path, quint32 flags) override;
    void loadIntermediateValues() override;
    void flushIntermediateValues() override;
    void removePictures() override;
    void storePicture(const tagmint::tags::EncodedImage& encoded, const QImage& image) override;

private:
    tagmint::tags::FlacPictureList pictures() const;
    // Of what stream() now holds; may throw.
    tagmint::tags::ogg::ReadAt streamReader() const;
    std::optional<QByteArray> packetDigest() const;

    TagLib::File* m_file = nullptr;
    tagmint::tags::XiphCommentFields m_xiph;   // over the file object's comment
};
