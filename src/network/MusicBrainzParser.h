#pragma once
// Reading MusicBrainz web-service answers (XML, parsed by libmusicbrainz5)
// into album lists and album details. Answers are hostile input: anything
// malformed reads as nullopt, absurd numbers read as unknown.

#include "network/AlbumTypes.h"

#include <QByteArray>
#include <optional>

namespace tagmint::network {

struct ReleasePage {
    bool hasList = false;   // the answer held a release list at all
    int count = 0;          // the search's total
    int offset = 0;
    int items = 0;          // releases on this page
};

// Adds the releases of one search page to albums: single-artist releases
// of the asked artist (by id when given, else by name), grouped by title,
// the earliest dated release standing for its album.
std::optional<ReleasePage> addReleasePage(const QByteArray& xml, const QString& askedName, const QString& askedId,
                                          ArtistAlbums& albums);

// The tracks of one release (inc=media+recordings+artist-credits).
std::optional<AlbumDetails> parseReleaseDetails(const QByteArray& xml);

// The artist's name from an artist lookup; empty when none.
QString parseArtistName(const QByteArray& xml);

// The leading year of a date ("1999-03-01"); 0 unless 1..9999.
int leadingYear(const QString& date);

// Orders an artist's albums once all pages are in: dated albums by year,
// then undated ones, each in title order.
void finishAlbumList(ArtistAlbums& albums);

} // namespace tagmint::network
