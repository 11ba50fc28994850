#pragma once
// The tag of an ASF (WMA) file: the content description's title, author,
// description and copyright, and "WM/..." attributes for the rest; pictures
// as "WM/Picture" attributes.

#include "tags/QZTagLibTag.h"
#include "tags/TagLibGuard.h"

namespace TagLib::ASF { class File; class Picture; class Tag; }

class QZTagLibASFTag : public QZTagLibTag {
public:
    QZTagLibASFTag() = default;
    ~QZTagLibASFTag() override;

    static const QStringList& supportedExtensions();
    static bool canHandlePath(const QString& path);

    void closeTagLibFile() override;
    tagmint::tags::AudioLayout audioLayout() override;

    QString artist() const override { return descriptionText(&TagLib::Tag::artist); }
    void setArtist(const QString& value) override { setDescriptionText(&TagLib::Tag::setArtist, value); }
    QString album() const override { return attributeText("WM/AlbumTitle"); }
    void setAlbum(const QString& value) override { setAttributeText("WM/AlbumTitle", value); }
    QString albumArtist() const override { return attributeText("WM/AlbumArtist"); }
    void setAlbumArtist(const QString& value) override { setAttributeText("WM/AlbumArtist", value); }
    QString title() const override { return descriptionText(&TagLib::Tag::title); }
    void setTitle(const QString& value) override { setDescriptionText(&TagLib::Tag::setTitle, value); }
    QString comment() const override { return descriptionText(&TagLib::Tag::comment); }
    void setComment(const QString& value) override { setDescriptionText(&TagLib::Tag::setComment, value); }
    QString genre() const override { return attributeText("WM/Genre"); }
    void setGenre(const QString& value) override { setAttributeText("WM/Genre", value); }
    int tempo() const override;
    void setTempo(int value) override;
    QString initialKey() const override { return attributeText("WM/InitialKey"); }
    void setInitialKey(const QString& value) override { setAttributeText("WM/InitialKey", value); }
    QString encodedBy() const override { return attributeText("WM/EncodedBy"); }
    void setEncodedBy(const QString& value) override { setAttributeText("WM/EncodedBy", value); }
    QString grouping() const override { return attributeText("WM/ContentGroupDescription"); }
    void setGrouping(const QString& value) override { setAttributeText("WM/ContentGroupDescription", value); }
    QString composer() const override { return attributeText("WM/Composer"); }
    void setComposer(const QString& value) override { setAttributeText("WM/Composer", value); }
    QString copyright() const override;
    void setCopyright(const QString& value) override;
    int year() const override;
    void setYear(int value) override;

    // "ASF".
    QString tagFormat() const override;

    // The "WM/Picture" attributes, in tag order.
    QList<QZTagLibTagImage> images() const override;
    tagmint::tags::TagPicture firstPicture() const override;
    QSize decodableImageSize() const override;
    bool supportsImages() const override { return true; }
    bool hasImages() const override;

    bool isReadOnly() const override;

protected:
    bool writeTags() override;
    bool claims(const QString& path) const override { return canHandlePath(path); }
    // False unless our object walk accepts the file.
    bool openFile(const QString& path, quint32 flags) override;
    void loadIntermediateValues() override;
    void flushIntermediateValues() override;
    void removePictures() override;
    // Replaces the first picture, keeping its type and description.
    void storePicture(const tagmint::tags::EncodedImage& encoded, const QImage& image) override;

private:
    // Our object walk, then TagLib's reading of the stream.
    bool parseFile();
    // TagLib's reading of the stream, whose data object and indexes are `audio`.
    bool parseStream(const tagmint::tags::ByteRange& audio);
    // A fresh reading of the stream carrying the tag's current contents.
    bool reparseKeepingEdits();
    // Gives the header TagLib saved the old length through its padding.
    bool fitHeader();
    QString descriptionText(tagmint::tags::TagGetter getter) const;
    void setDescriptionText(tagmint::tags::TagSetter setter, const QString& value);
    // The "WM/Picture" attributes that hold a picture, in tag order.
    QList<TagLib::ASF::Picture> pictures() const;
    // Every value of the attribute (text or number) joined with " ".
    QString attributeText(const char* name) const;
    // Replaces the attribute with one text value; "" removes it. Leaves it
    // alone when it already reads as the text.
    void setAttributeText(const char* name, const QString& value);

    TagLib::ASF::File* m_file = nullptr;
    TagLib::ASF::Tag* m_tag = nullptr;   // owned by the file object
    tagmint::tags::ByteRange m_audio;
    // TagLib's file object has written its header once.
    bool m_saved = false;
};
