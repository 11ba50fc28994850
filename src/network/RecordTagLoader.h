#pragma once
// Filling one record's fields from its path, its folder's artwork and (when
// a network source is given) the network's answer, like user edits: the
// record marks them as changed and they can be reverted.

#include "naming/PathTags.h"
#include "network/LookupContext.h"

#include <QString>
#include <QStringList>
#include <optional>

class QZTagLibRecord;

namespace tagmint::network {

// Where network values and artwork come from. The lookups of the network
// services implement it; a run without one fills from paths alone.
class NetworkTagSource {
public:
    virtual ~NetworkTagSource() = default;
    // A run with these LoadTagsFlag bits starts (OfflineAccepted: answer
    // from the caches alone); the source may read its settings afresh.
    virtual void startRun(quint32 flags) { Q_UNUSED(flags); }
    // Tag values for the file at path (keys as in naming::pathTagKeys, and
    // more), steered by query when there is one; nullopt when nothing fits.
    virtual std::optional<naming::TagValues> lookupTags(const LookupContext& context, const QString& path,
                                                        const std::optional<naming::TagValues>& query) = 0;
    // Artwork for the artist and album of query, keeping the JPEG or PNG
    // bytes it came as; a null image for none.
    virtual tags::TagPicture lookupArtwork(const LookupContext& context, const naming::TagValues& query,
                                 ArtworkCache& cache) = 0;
};

struct TagLoadRequest {
    quint32 flags = 0;                     // LoadTagsFlag bits
    QStringList keys;                      // empty: every loadable key
    QString parsePath;                     // empty: the record's path
    QString artworkPath;                   // its folder is searched; empty: the record's path
    QStringList* changedKeys = nullptr;    // receives the keys of the fields it changed
    NetworkTagSource* network = nullptr;   // null: no network values
};

struct TagLoadCount {
    int tags = 0;      // text and number fields changed
    int artwork = 0;   // images set
    int total() const { return tags + artwork; }
};

// Whether the field has nothing worth keeping: no artwork, or a text that is
// empty once its spaces are normalised.
bool isFieldMissing(const QZTagLibRecord& record, const QString& key);

// Fills the requested fields of a writable record; returns what it changed.
TagLoadCount loadTagsForRecord(const LookupContext& context, QZTagLibRecord& record,
                               const TagLoadRequest& request, ArtworkCache& cache);

} // namespace tagmint::network
