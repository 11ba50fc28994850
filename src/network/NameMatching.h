#pragma once
// Whether two names from different sources (tags, MusicBrainz, AcoustID)
// mean the same artist, album or track.

#include <QString>

namespace tagmint::network {

// Equal ignoring case; else, with normalised set, equal once everything but
// letters and digits is removed (a name reduced to nothing matches only
// another such name); else equal once "the", "and" and "radioedit" are
// removed as well.
bool namesMatch(const QString& a, const QString& b, bool normalised = true);

} // namespace tagmint::network
