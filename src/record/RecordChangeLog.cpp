#include "record/RecordChangeLog.h"

#include "record/QZTagLibRecord.h"

namespace {

// Records are edited on the main thread while jobs may set values on their
// own threads: each thread has its own open log, if any.
thread_local RecordChangeLog* t_open = nullptr;

bool sameArtwork(const RecordArtworkState& a, const RecordArtworkState& b)
{
    if (!a.artwork || !b.artwork)
        return a.artwork.has_value() == b.artwork.has_value();
    if (a.artwork->status() != b.artwork->status())
        return false;
    if (a.artwork->status() != QZTagLibArtwork::NewImage)
        return true;
    QZTagLibArtwork left = *a.artwork;
    QZTagLibArtwork right = *b.artwork;
    const QImage leftImage = left.currentImageWithTagProvider({});
    const QImage rightImage = right.currentImageWithTagProvider({});
    return leftImage.cacheKey() == rightImage.cacheKey() || leftImage == rightImage;
}

qint64 artworkBytes(const RecordArtworkState& state)
{
    if (!state.artwork || state.artwork->status() != QZTagLibArtwork::NewImage)
        return 0;
    QZTagLibArtwork copy = *state.artwork;
    const tagmint::tags::TagPicture picture = copy.currentPictureWithTagProvider({});
    return picture.image.sizeInBytes() + picture.bytes.size();
}

} // namespace

qint64 RecordChanges::estimatedBytes() const
{
    qint64 bytes = qint64(sizeof(std::shared_ptr<QZTagLibRecord>)) * records.size();
    for (const RecordTextChange& change : texts)
        bytes += qint64(sizeof(RecordTextChange)) + 2 * (change.before.size() + change.after.size());
    for (const RecordArtworkChange& change : artwork)
        bytes += qint64(sizeof(RecordArtworkChange)) + artworkBytes(change.before)
            + artworkBytes(change.after);
    return bytes;
}

void RecordChanges::restore(bool after,
                            const std::function<bool(const QZTagLibRecord&)>& applies) const
{
    QList<bool> applying;
    applying.reserve(records.size());
    for (const std::shared_ptr<QZTagLibRecord>& record : records)
        applying.append(applies(*record));
    for (const RecordTextChange& change : texts) {
        if (applying.at(change.record))
            records.at(change.record)->restoreText(change.field, after ? change.after : change.before);
    }
    for (const RecordArtworkChange& change : artwork) {
        if (applying.at(change.record))
            records.at(change.record)->restoreArtwork(after ? change.after : change.before);
    }
}

RecordChangeLog::RecordChangeLog() : m_outer(t_open)
{
    t_open = this;
}

RecordChangeLog::~RecordChangeLog()
{
    if (t_open == this)
        t_open = m_outer;
}

void RecordChangeLog::willChange(QZTagLibRecord& record, RecordField field)
{
    if (t_open)
        t_open->note(record, field);
}

void RecordChangeLog::note(QZTagLibRecord& record, RecordField field)
{
    qsizetype index = !m_records.isEmpty() && m_records.last().get() == &record
        ? m_records.size() - 1
        : m_index.value(&record, -1);
    if (index < 0) {
        std::shared_ptr<QZTagLibRecord> owner = record.weak_from_this().lock();
        if (!owner)
            return;
        index = m_records.size();
        m_index.insert(&record, index);
        m_records.append(std::move(owner));
        m_fields.append(0);
    }
    const quint64 bit = quint64(1) << int(field);
    if (m_fields[index] & bit)
        return;
    m_fields[index] |= bit;
    if (field == RecordField::Image)
        m_artwork.append({index, record.artworkState()});
    else if (tagmint::record::isText(field))
        m_texts.append({index, field, record.text(field)});
}

RecordChanges RecordChangeLog::finish()
{
    RecordChanges changes;
    // Records keep the indexes they were noted under; a record without a
    // real change costs one pointer.
    changes.records = std::move(m_records);
    changes.texts.reserve(m_texts.size());
    for (NotedText& noted : m_texts) {
        QString after = changes.records.at(noted.record)->text(noted.field);
        if (after != noted.before)
            changes.texts.append({noted.record, noted.field, std::move(noted.before), std::move(after)});
    }
    changes.texts.squeeze();
    for (NotedArtwork& noted : m_artwork) {
        RecordArtworkState after = changes.records.at(noted.record)->artworkState();
        if (!sameArtwork(noted.before, after))
            changes.artwork.append({noted.record, std::move(noted.before), std::move(after)});
    }
    if (changes.isEmpty())
        changes.records.clear();
    m_index.clear();
    m_records.clear();
    m_fields.clear();
    m_texts.clear();
    m_artwork.clear();
    if (t_open == this)
        t_open = m_outer;
    return changes;
}
