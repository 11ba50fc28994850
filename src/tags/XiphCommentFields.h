#pragma once
// The record's fields in a Xiph comment, shared by every container that
// carries one (FLAC and the Ogg family): which field names are read and
// written, how number pairs and years are stored, and the FLAC picture
// blocks that hold the artwork.

#include "tags/ImageCodec.h"
#include "tags/NumberPair.h"
#include "tags/QZTagLibTag.h"

#include <QImage>
#include <QList>
#include <QString>

namespace TagLib {
template <class T> class List;
namespace FLAC { class Picture; }
namespace Ogg { class XiphComment; }
}

namespace tagmint::tags {

enum class XiphText {
    Title, Artist, Album, AlbumArtist, Comment, Genre,
    InitialKey, EncodedBy, Grouping, Composer, Copyright,
};

// Reads and writes through a comment owned by a TagLib file object; every
// call answers empty values (and writes nothing) without one. Never throws.
class XiphCommentFields {
public:
    void attach(TagLib::Ogg::XiphComment* comment) { m_comment = comment; }
    TagLib::Ogg::XiphComment* comment() const { return m_comment; }

    QString text(XiphText field) const;
    // Leaves the comment alone when the text is what the field already
    // reads as: rewriting it would join several values into one.
    void setText(XiphText field, const QString& value);

    int tempo() const;
    void setTempo(int value);
    // The year of "DATE"; a full date is only rewritten when its year changes.
    int year() const;
    void setYear(int value);

    NumberPair track() const;
    NumberPair disc() const;
    // A missing number is written as "0", never removed.
    void writeNumbers(int trackNumber, int tracksTotal, int discNumber, int discsTotal);

private:
    QString fieldValue(const char* key, const char* alternative = nullptr) const;
    void setFieldValue(const char* key, const char* alternative, const QString& value);

    TagLib::Ogg::XiphComment* m_comment = nullptr;
};

// Pictures held as FLAC picture structures: FLAC metadata blocks, or the
// METADATA_BLOCK_PICTURE fields of an Ogg comment.
using FlacPictureList = TagLib::List<TagLib::FLAC::Picture*>;

QList<QZTagLibTagImage> decodeFlacPictures(const FlacPictureList& pictures);
TagPicture firstDecodableFlacPicture(const FlacPictureList& pictures);
QSize decodableFlacPictureSize(const FlacPictureList& pictures);
// Puts the encoded image into picture, with its MIME type, size and depth;
// the picture's type and description stay.
void fillFlacPicture(TagLib::FLAC::Picture& picture, const EncodedImage& encoded, const QImage& image);

} // namespace tagmint::tags
