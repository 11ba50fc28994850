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
    return copy.currentImageWithTagProvider({}).sizeInBytes();
}

} // namespace

qint64 RecordChanges::estimatedBytes() const
{
    qint64 bytes = 0;
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
    for (const RecordTextChange& change : texts) {
        if (applies(*change.record))
            change.record->restoreText(change.field, after ? change.after : change.before);
    }
    for (const RecordArtworkChange& change : artwork) {
        if (applies(*change.record))
            change.record->restoreArtwork(after ? change.after : change.before);
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
    const quint64 bit = quint64(1) << int(field);
    qsizetype index = m_noted.isEmpty() || m_noted.last().record.get() != &record
        ? m_index.value(&record, -1)
        : m_noted.size() - 1;
    if (index < 0) {
        std::shared_ptr<QZTagLibRecord> owner = record.weak_from_this().lock();
        if (!owner)
            return;
        index = m_noted.size();
        m_index.insert(&record, index);
        m_noted.append({std::move(owner), 0, {}, std::nullopt});
    }
    Noted& noted = m_noted[index];
    if (noted.fields & bit)
        return;
    noted.fields |= bit;
    if (field == RecordField::Image)
        noted.artwork = record.artworkState();
    else if (tagmint::record::isText(field))
        noted.texts.append({field, record.text(field)});
}

RecordChanges RecordChangeLog::finish()
{
    RecordChanges changes;
    for (const Noted& noted : std::as_const(m_noted)) {
        QZTagLibRecord& record = *noted.record;
        for (const auto& [field, before] : noted.texts) {
            const QString after = record.text(field);
            if (after != before)
                changes.texts.append({noted.record, field, before, after});
        }
        if (noted.artwork) {
            RecordArtworkState after = record.artworkState();
            if (!sameArtwork(*noted.artwork, after))
                changes.artwork.append({noted.record, *noted.artwork, std::move(after)});
        }
    }
    m_noted.clear();
    m_index.clear();
    if (t_open == this)
        t_open = m_outer;
    return changes;
}
