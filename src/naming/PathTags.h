#pragma once
// Tags read from a file's path: collections are laid out as folder trees
// such as "Artist/Album (Year)/07 - Title.mp3" or "Artist - Album/07. Title",
// and these functions turn one path into candidate tag values. Pure text
// processing: the path need not exist and nothing is opened.

#include <QMap>
#include <QString>
#include <QStringList>

namespace tagmint::naming {

// Tag values by field key. parseTagsFromPath fills all eight keys of
// pathTagKeys(), with "" for a value it did not find.
using TagValues = QMap<QString, QString>;

enum PathParseOption : quint32 {
    ParseNames = 0x1,     // title, artists, album, album artist
    ParseNumbers = 0x2,   // year, track number
    ParseEverything = 0xFFFF,
};

// title, artist, artist2, artist3, album, albumArtist, year, trackNumber.
const QStringList& pathTagKeys();

TagValues parseTagsFromPath(const QString& path, quint32 options = ParseEverything);

// The level-th meaningful component from the end (0: the file name, 1: its
// folder, ...). Disc and bare-number folders ("CD2", "01", "Album 1") are
// not counted, nor are "." and ".."; the last component always is. At most
// 16 components are looked at.
QString pathComponentAtLevel(const QString& path, int level);

// "Song.mp3" gives "Song", "Track.Final.Mix" gives "Track.Final": an
// extension goes when it has two or three letters and digits (at least one
// letter) or the format catalogue knows it.
QString stripKnownExtensions(const QString& name);

// A token of ASCII digits with a value other than 0.
bool isAllDigits(const QString& token);
// A token whose value is not 0 and that starts with digits up to its first
// blank or punctuation.
bool isLeadingNumberToken(const QString& token);

struct ArtistTitle {
    QString first;
    QString second;   // "" when the text has one part
};

// Splits at " - ", leaving out track numbers (1-100), years (1900-2099) and,
// when there are three parts or more, the hint names. The second part joins
// every part after the first.
ArtistTitle splitArtistTitle(const QString& text, const QStringList& hints = {});

} // namespace tagmint::naming
