#pragma once
// The options of a load-tags run (LoadTagsFlags), the fields it can fill and
// the words its commands show.

#include <QString>
#include <QStringList>

namespace tagmint::network {

enum LoadTagsFlag : quint32 {
    FromPaths = 0x01,         // values from folder and file names, artwork from the folder
    FromNetwork = 0x02,       // values and artwork looked up on the network
    MissingOnly = 0x10,       // only fields that are empty
    ShowOptions = 0x20,       // the options dialog first; never part of a run
    UseExistingTags = 0x40,   // the record's artist, album and title steer the search
    OfflineAccepted = 0x80,   // go on although the computer is offline
};

// The sources; a run needs at least one.
inline constexpr quint32 kLoadTagsSourceMask = 0x0F;
// What a command given no flags does: paths and network, steered by the tags.
inline constexpr quint32 kDefaultLoadTagsFlags = FromPaths | FromNetwork | UseExistingTags;

// title, artist, album, albumArtist, year, trackNumber, tracksTotal, image.
const QStringList& loadableKeys();
// The first six of them: the values a path or a lookup gives as text.
const QStringList& loadableTextKeys();

// Some key is one the run can fill.
bool hasLoadableKeys(const QStringList& keys);

// "Load Tags From Paths", "... From Network", "... From Network and Paths".
QString loadTagsTitle(quint32 flags);
// "Loading tags from paths..." and so on.
QString loadTagsProgressText(quint32 flags);

} // namespace tagmint::network
