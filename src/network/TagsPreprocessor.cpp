#include "network/TagsPreprocessor.h"

#include "naming/NameCleaning.h"
#include "network/LoadTagsFlags.h"
#include "network/RecordTagLoader.h"
#include "record/QZTagLibRecord.h"

namespace tagmint::network {

TagsPreprocessor::TagsPreprocessor(std::shared_ptr<NetworkTagSource> network)
    : m_network(std::move(network))
{
}

void TagsPreprocessor::jobStarted()
{
    m_cache.clear();
    if (m_network)
        m_network->startRun(FromNetwork | UseExistingTags | MissingOnly);
}

const QStringList& TagsPreprocessor::spacedKeys()
{
    static const QStringList keys = {
        QStringLiteral("title"),    QStringLiteral("artist"),    QStringLiteral("album"),
        QStringLiteral("albumArtist"), QStringLiteral("genre"), QStringLiteral("composer"),
        QStringLiteral("grouping"), QStringLiteral("copyright"), QStringLiteral("encodedBy"),
        QStringLiteral("initialKey"),
    };
    return keys;
}

void TagsPreprocessor::preprocess(QZTagLibRecord& record, quint32 preprocessFlags,
                                  PreprocessingStatistics& statistics, const MessageCallback& message)
{
    if (!record.isEditable())
        return;
    if (preprocessFlags & ExtraSpaces) {
        for (const QString& key : spacedKeys()) {
            const QString text = record.value(key).toString();
            const QString spaced = naming::normalizeSpaces(text);
            if (spaced != text && record.setValueAndCheck(spaced, key))
                ++statistics.tagsLoaded;
        }
    }
    if (!(preprocessFlags & (TagsFromPaths | TagsFromNetwork)))
        return;

    TagLoadRequest request;
    request.flags = MissingOnly;
    if (preprocessFlags & TagsFromPaths)
        request.flags |= FromPaths;
    if (preprocessFlags & TagsFromNetwork)
        request.flags |= FromNetwork | UseExistingTags;
    QStringList changedKeys;
    request.changedKeys = &changedKeys;
    request.network = m_network.get();
    LookupContext context;
    context.message = message;
    const TagLoadCount count = loadTagsForRecord(context, record, request, m_cache);

    statistics.tagsLoaded += quint64(count.tags);
    statistics.artworkLoaded += quint64(count.artwork);
    for (const QString& key : changedKeys)
        statistics.filledKeys.insert(key);
}

} // namespace tagmint::network
