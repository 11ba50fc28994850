#pragma once
// File names built from tags: "07 - Artist - Title" and its variants. The
// name has no extension; the record renames its file when it is saved.

#include <QList>
#include <QString>

class QZTagLibRecord;

namespace tagmint::naming {

// Which tags go into the name and how it is styled (ComposeFileNameFlags).
enum ComposeFlag : quint32 {
    ComposeTrack = 0x0001,
    ComposeArtist = 0x0002,
    ComposeTitle = 0x0004,
    ComposeAlbumArtist = 0x0008,
    ComposeAlbum = 0x0010,
    ComposeYear = 0x0020,
    ComposeUseHyphen = 0x1000,       // parts joined by " - " instead of a blank
    ComposeUseUnderscores = 0x2000,  // blanks become "_", the year loses its parentheses
    ComposeUseLowercase = 0x4000,
};

// The bits that choose tags; style bits alone compose nothing.
inline constexpr quint32 kComposeTagMask = 0x0FFF;
// Longest composed name, in UTF-16 units.
inline constexpr int kComposedNameLimit = 240;

// The name for the record: track, album artist, artist, album, title, year
// in this order whatever the flags' order; "" when nothing usable results.
QString composeFileName(const QZTagLibRecord* record, quint32 flags);

// The options panel's example line for the record: the composed name, or
// why renaming would have no effect.
QString composeExample(const QZTagLibRecord* record, quint32 flags);

// Gives each record its composed name, leaving out records that cannot be
// written (read-only, unreadable tags) and
// records whose name would be empty. Returns how many names changed.
int composeFileNames(const QList<QZTagLibRecord*>& records, quint32 flags);

} // namespace tagmint::naming
