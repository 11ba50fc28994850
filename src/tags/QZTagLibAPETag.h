#pragma once
// The APEv2 tag of a WavPack, Monkey's Audio or Musepack file, created when
// absent. An ID3v1 tag the file already carries is read as a fallback and
// kept in step; the cover is the binary item "Cover Art (Front)".

#include "tags/QZTagLibTag.h"
#include "tags/TagLibGuard.h"

namespace TagLib {
class File;
namespace APE { class Tag; }
namespace ID3v1 { class Tag; }
}

class QZTagLibAPETag : public QZTagLibTag {
public:
    QZTagLibAPETag() = default;
    ~QZTagLibAPETag() override;

    static const QStringList& supportedExtensions();
    static bool canHandlePath(const QString& path);
    // TagLib renders an empty item as nothing yet counts it, so a saved tag
    // would state more items than it holds: they go before a save.
    static void dropEmptyItems(TagLib::APE::Tag& tag);

    void closeTagLibFile() override;
    tagmint::tags::AudioLayout audioLayout() override;

    QString artist() const override { return withID3v1Fallback("Artist", &TagLib::Tag::artist); }
    void setArtist(const QString& value) override { setItemText("Artist", value); }
    QString album() const override { return withID3v1Fallback("Album", &TagLib::Tag::album); }
    void setAlbum(const QString& value) override { setItemText("Album", value); }
    QString albumArtist() const override { return itemText("Album Artist"); }
    void setAlbumArtist(const QString& value) override { setItemText("Album Artist", value); }
    QString title() const override { return withID3v1Fallback("Title", &TagLib::Tag::title); }
    void setTitle(const QString& value) override { setItemText("Title", value); }
    QString comment() const override { return withID3v1Fallback("Comment", &TagLib::Tag::comment); }
    void setComment(const QString& value) override { setItemText("Comment", value); }
    QString genre() const override { return withID3v1Fallback("Genre", &TagLib::Tag::genre); }
    void setGenre(const QString& value) override { setItemText("Genre", value); }
    int tempo() const override;
    void setTempo(int value) override;
    QString initialKey() const override { return itemText("Key"); }
    void setInitialKey(const QString& value) override { setItemText("Key", value); }
    QString encodedBy() const override { return itemText("EncodedBy"); }
    void setEncodedBy(const QString& value) override { setItemText("EncodedBy", value); }
    QString grouping() const override { return itemText("Grouping"); }
    void setGrouping(const QString& value) override { setItemText("Grouping", value); }
    QString composer() const override { return itemText("Composer"); }
    void setComposer(const QString& value) override { setItemText("Composer", value); }
    QString copyright() const override { return itemText("Copyright"); }
    void setCopyright(const QString& value) override { setItemText("Copyright", value); }
    int year() const override;
    void setYear(int value) override;

    // "APEv2" and "ID3v1", as present on disk; "No tags".
    QString tagFormat() const override;

    // The binary "Cover Art (...)" items, in tag order.
    QList<QZTagLibTagImage> images() const override;
    tagmint::tags::TagPicture firstPicture() const override;
    QSize decodableImageSize() const override;
    bool supportsImages() const override { return true; }
    bool hasImages() const override;

    bool hasID3v1Tag() const override { return m_id3v1Tag != nullptr; }
    bool isReadOnly() const override;

protected:
    bool writeTags() override;
    bool claims(const QString& path) const override { return canHandlePath(path); }
    // False unless our walk accepts the container and its APE tag.
    bool openFile(const QString& path, quint32 flags) override;
    void loadIntermediateValues() override;
    void flushIntermediateValues() override;
    // Every "Cover Art (...)" item.
    void removePictures() override;
    // Replaces "Cover Art (Front)".
    void storePicture(const tagmint::tags::EncodedImage& encoded, const QImage& image) override;

private:
    struct Cover {
        std::optional<int> type;
        QByteArray bytes;   // after the item's file name
    };
    // The binary "Cover Art (...)" items, in tag order.
    QList<Cover> covers() const;
    // The text values of the item joined with " "; "" for a binary item.
    QString itemText(const char* key) const;
    // Replaces the item; "" removes it. Leaves it alone when it already
    // reads as the text.
    void setItemText(const char* key, const QString& value);
    // The item's text, else the ID3v1 tag's field.
    QString withID3v1Fallback(const char* key, tagmint::tags::TagGetter id3v1Field) const;

    TagLib::File* m_file = nullptr;
    tagmint::tags::ByteRange m_audio;
    TagLib::APE::Tag* m_apeTag = nullptr;       // owned by the file object
    TagLib::ID3v1::Tag* m_id3v1Tag = nullptr;   // owned by the file object
};
