#include "network/RecordTagLoader.h"

#include "naming/NameCleaning.h"
#include "network/FolderArtwork.h"
#include "network/LoadTagsFlags.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"

namespace tagmint::network {

using record::fieldKey;

namespace {

class Merge {
public:
    Merge(const LookupContext& context, QZTagLibRecord& record, const TagLoadRequest& request,
          ArtworkCache& cache)
        : m_context(context), m_record(record), m_request(request), m_cache(cache),
          m_keys(request.keys.isEmpty() ? loadableKeys() : request.keys)
    {
    }

    TagLoadCount run()
    {
        const quint32 flags = m_request.flags;
        bool imageSet = false;
        if (flags & FromPaths) {
            if (wantsMissing(fieldKey(RecordField::Image)))
                imageSet = setPicture(folderImage());
            if (wantsMissing(fieldKey(RecordField::AlbumArtist)))
                setText(fieldKey(RecordField::AlbumArtist), m_record.value(fieldKey(RecordField::Artist)).toString());
            for (const QString& key : {fieldKey(RecordField::TrackNumber), fieldKey(RecordField::TracksTotal)}) {
                if (wantsMissing(key))
                    setText(key, pathTags().value(key));
            }
        }
        // A record with everything in place costs no parsing and no lookup.
        if ((flags & MissingOnly) && !anyRequestedFieldMissing())
            return m_count;

        std::optional<naming::TagValues> netTags;
        if ((flags & FromNetwork) && m_request.network) {
            std::optional<naming::TagValues> query;
            if (flags & UseExistingTags)
                query = withOwnTexts(pathTags(), {RecordField::Artist, RecordField::Album, RecordField::Title});
            netTags = m_request.network->lookupTags(m_context, parsePath(), query);
        }
        naming::TagValues working = netTags ? *netTags : pathTags();
        for (const QString& key : loadableKeys()) {
            QString value = netTags ? netTags->value(key) : QString();
            if (value.isEmpty() && (flags & FromPaths))
                value = pathTags().value(key);
            if (!value.isEmpty())
                working.insert(key, value);
        }

        for (const QString& key : m_keys) {
            if (!loadableKeys().contains(key) || ((flags & MissingOnly) && !isFieldMissing(m_record, key)))
                continue;
            if (key == fieldKey(RecordField::Image)) {
                // Set once per record: the folder's image found above counts once.
                if (!imageSet)
                    imageSet = setPicture(artworkFor(working));
            } else if (loadableTextKeys().contains(key)) {
                setText(key, working.value(key));
            }
        }
        return m_count;
    }

private:
    QString parsePath() const
    {
        return m_request.parsePath.isEmpty() ? m_record.path() : m_request.parsePath;
    }

    // Parsed on first use.
    const naming::TagValues& pathTags()
    {
        if (!m_pathTags)
            m_pathTags = naming::parseTagsFromPath(parsePath());
        return *m_pathTags;
    }

    bool requested(const QString& key) const { return m_keys.contains(key); }
    bool wantsMissing(const QString& key) const { return requested(key) && isFieldMissing(m_record, key); }

    bool anyRequestedFieldMissing() const
    {
        for (const QString& key : loadableKeys()) {
            if (wantsMissing(key))
                return true;
        }
        return false;
    }

    tags::TagPicture folderImage()
    {
        const QString path = m_request.artworkPath.isEmpty() ? m_record.path() : m_request.artworkPath;
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        return folderArtwork(slash > 0 ? path.left(slash) : QStringLiteral("/"), m_cache);
    }

    tags::TagPicture artworkFor(const naming::TagValues& working)
    {
        const quint32 flags = m_request.flags;
        tags::TagPicture picture;
        if (flags & FromPaths)
            picture = folderImage();
        if (picture.image.isNull() && (flags & FromNetwork) && m_request.network) {
            const naming::TagValues query = (flags & UseExistingTags)
                ? withOwnTexts(working, {RecordField::Artist, RecordField::Album})
                : working;
            picture = m_request.network->lookupArtwork(m_context, query, m_cache);
        }
        return picture;
    }

    naming::TagValues withOwnTexts(naming::TagValues values, std::initializer_list<RecordField> fields) const
    {
        for (const RecordField field : fields) {
            const QString own = m_record.text(field);
            if (!own.isEmpty())
                values.insert(fieldKey(field), own);
        }
        return values;
    }

    bool setPicture(const tags::TagPicture& picture)
    {
        if (picture.image.isNull())
            return false;
        m_record.setPicture(picture);
        ++m_count.artwork;
        noteChanged(fieldKey(RecordField::Image));
        return true;
    }

    // Counts the field when its text really changed.
    void setText(const QString& key, const QString& value)
    {
        const QString text = naming::normalizeSpaces(value);
        if (text.isEmpty())
            return;
        const QString before = m_record.value(key).toString();
        m_record.setValue(text, key);
        if (m_record.value(key).toString() == before)
            return;
        ++m_count.tags;
        noteChanged(key);
    }

    void noteChanged(const QString& key)
    {
        if (m_request.changedKeys && !m_request.changedKeys->contains(key))
            m_request.changedKeys->append(key);
    }

    const LookupContext& m_context;
    QZTagLibRecord& m_record;
    const TagLoadRequest& m_request;
    ArtworkCache& m_cache;
    QStringList m_keys;
    std::optional<naming::TagValues> m_pathTags;
    TagLoadCount m_count;
};

} // namespace

bool isFieldMissing(const QZTagLibRecord& record, const QString& key)
{
    if (key == fieldKey(RecordField::Image))
        return !record.hasImage();
    return naming::normalizeSpaces(record.value(key).toString()).isEmpty();
}

TagLoadCount loadTagsForRecord(const LookupContext& context, QZTagLibRecord& record,
                               const TagLoadRequest& request, ArtworkCache& cache)
{
    if (!record.isEditable())
        return {};
    return Merge(context, record, request, cache).run();
}

} // namespace tagmint::network
