#pragma once
// What opening and reloading do to each new record when the preferences ask
// for it: fill missing tags and artwork from the path (and the network when
// a source is installed), and remove extra spaces from the tag texts. Only
// records change; a file is written only when the user saves.

#include "collection/RecordPreprocessor.h"
#include "network/LookupContext.h"

#include <memory>

namespace tagmint::network {

class NetworkTagSource;

class TagsPreprocessor : public RecordPreprocessor {
public:
    explicit TagsPreprocessor(std::shared_ptr<NetworkTagSource> network = {});

    void jobStarted() override;
    void preprocess(QZTagLibRecord& record, quint32 preprocessFlags, PreprocessingStatistics& statistics,
                    const MessageCallback& message) override;

    // The texts whose extra spaces preprocessing removes: the tag texts but
    // the comment, whose line layout is the user's.
    static const QStringList& spacedKeys();

private:
    std::shared_ptr<NetworkTagSource> m_network;
    // One job's folder artwork; jobs of one collection never overlap.
    ArtworkCache m_cache;
};

} // namespace tagmint::network
