#pragma once
// What every lookup of a load-tags run is handed: whether the user stopped
// the run, a way to show a progress line, and the run's artwork cache.

#include "tags/ImageCodec.h"

#include <QHash>
#include <QString>
#include <functional>

namespace tagmint::network {

struct LookupContext {
    // True once the user pressed Stop; lookups end as soon as they can.
    std::function<bool()> isCancelled;
    // A line for the status bar ("Getting artwork for album").
    std::function<void(const QString& text)> message;

    bool cancelled() const { return isCancelled && isCancelled(); }
    void say(const QString& text) const
    {
        if (message)
            message(text);
    }
};

// Artwork found during one run, shared by all its records: folder paths and
// "artist_album" keys to a picture, or to one with a null image when that
// folder or album is known to have none, so it is searched only once.
using ArtworkCache = QHash<QString, tags::TagPicture>;

} // namespace tagmint::network
