#include "collection/QZTagLibRecordDataArrayController.h"

#include "collection/RecordPreprocessor.h"
#include "record/PathLock.h"
#include "record/QZTagLibRecord.h"
#include "table/QZTagLibTableCellPath.h"
#include "tags/QZTagLibImageLoader.h"

#include <QHash>

using namespace tagmint::collection;

QZTagLibRecordDataArrayController::QZTagLibRecordDataArrayController()
    : m_preprocessor(std::make_shared<RecordPreprocessor>()), m_link(std::make_shared<JobLink>())
{
}

QZTagLibRecordDataArrayController::~QZTagLibRecordDataArrayController()
{
    m_link->cut();
}

// --- Contents ----------------------------------------------------------------

void QZTagLibRecordDataArrayController::addObjects(const RecordList& records)
{
    QZTagLibImageLoader* loader = imageLoader();
    for (const RecordPtr& record : records) {
        loader->forgetRecord(record.get());
        record->setImageLoader(loader);
    }
    m_all.append(records);
    for (const RecordPtr& record : records) {
        if (!m_filter || m_filter(*record))
            m_arranged.append(record);
    }
}

void QZTagLibRecordDataArrayController::removeObjects(const RecordList& records)
{
    QSet<const QZTagLibRecord*> gone;
    for (const RecordPtr& record : records)
        gone.insert(record.get());
    const auto isGone = [&gone](const RecordPtr& record) { return gone.contains(record.get()); };
    if (m_imageLoader) {
        for (const RecordPtr& record : m_all) {
            if (isGone(record))
                m_imageLoader->forgetRecord(record.get());
        }
    }
    m_all.removeIf(isGone);
    m_arranged.removeIf(isGone);
}

QList<RecordPlace> QZTagLibRecordDataArrayController::placesOf(const RecordList& records) const
{
    QHash<const QZTagLibRecord*, qsizetype> shownAt;
    for (qsizetype row = 0; row < m_arranged.size(); ++row)
        shownAt.insert(m_arranged.at(row).get(), row);
    QSet<const QZTagLibRecord*> wanted;
    for (const RecordPtr& record : records)
        wanted.insert(record.get());
    QList<RecordPlace> places;
    for (qsizetype index = 0; index < m_all.size(); ++index) {
        const RecordPtr& record = m_all.at(index);
        if (wanted.contains(record.get()))
            places.append({record, index, shownAt.value(record.get(), -1)});
    }
    return places;
}

void QZTagLibRecordDataArrayController::restoreObjects(const QList<RecordPlace>& places)
{
    const QSet<QString> present = pathSet();
    QZTagLibImageLoader* loader = imageLoader();
    // Ascending indexes: each record lands where it was, as the ones before
    // it are back already.
    for (const RecordPlace& place : places) {
        if (present.contains(place.record->path()))
            continue;
        place.record->setImageLoader(loader);
        m_all.insert(std::clamp<qsizetype>(place.allIndex, 0, m_all.size()), place.record);
        if (place.arrangedIndex >= 0)
            m_arranged.insert(std::clamp<qsizetype>(place.arrangedIndex, 0, m_arranged.size()),
                              place.record);
    }
}

QZTagLibImageLoader* QZTagLibRecordDataArrayController::imageLoader()
{
    if (!m_imageLoader)
        m_imageLoader = std::make_unique<QZTagLibImageLoader>();
    return m_imageLoader.get();
}

RecordList QZTagLibRecordDataArrayController::arrangeObjects(const RecordList& records)
{
    m_all = records;
    m_arranged = arrange(records, m_filter, m_sortDescriptors);
    return m_arranged;
}

void QZTagLibRecordDataArrayController::rearrangeObjects()
{
    m_arranged = arrange(m_all, m_filter, m_sortDescriptors);
}

void QZTagLibRecordDataArrayController::setSortDescriptors(const SortDescriptors& descriptors)
{
    m_sortDescriptors = descriptors;
    rearrangeObjects();
}

void QZTagLibRecordDataArrayController::setFilter(RecordFilter filter)
{
    m_filter = std::move(filter);
    rearrangeObjects();
}

void QZTagLibRecordDataArrayController::clearFilter()
{
    setFilter({});
}

// --- Rows --------------------------------------------------------------------

QZTagLibRecord& QZTagLibRecordDataArrayController::objectAtIndex(qsizetype row) const
{
    return *m_arranged.at(row);
}

QZTagLibRecord* QZTagLibRecordDataArrayController::recordAtRow(qsizetype row) const
{
    return isIndexValid(row) ? m_arranged.at(row).get() : nullptr;
}

QVariant QZTagLibRecordDataArrayController::valueAtRow(qsizetype row, const QString& key) const
{
    const QZTagLibRecord* record = recordAtRow(row);
    return record ? record->value(key) : QVariant();
}

QString QZTagLibRecordDataArrayController::stringAtRow(qsizetype row, const QString& key) const
{
    const QVariant value = valueAtRow(row, key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QZTagLibRecord& QZTagLibRecordDataArrayController::objectAtIndexPath(const QZTagLibTableCellPath& cell) const
{
    return objectAtIndex(cell.row);
}

QZTagLibRecord* QZTagLibRecordDataArrayController::recordAtCell(const QZTagLibTableCellPath* cell) const
{
    return cell ? recordAtRow(cell->row) : nullptr;
}

QVariant QZTagLibRecordDataArrayController::valueAtCell(const QZTagLibTableCellPath* cell,
                                                        const QString& key) const
{
    return cell ? valueAtRow(cell->row, key) : QVariant();
}

QString QZTagLibRecordDataArrayController::stringAtCell(const QZTagLibTableCellPath* cell,
                                                        const QString& key) const
{
    return cell ? stringAtRow(cell->row, key) : QString();
}

// --- Questions -----------------------------------------------------------------

bool QZTagLibRecordDataArrayController::isDirtyUnarranged() const
{
    return std::any_of(m_all.cbegin(), m_all.cend(), [](const RecordPtr& r) { return r->isDirty(); });
}

bool QZTagLibRecordDataArrayController::isDirtyArranged() const
{
    return std::any_of(m_arranged.cbegin(), m_arranged.cend(),
                       [](const RecordPtr& r) { return r->isDirty(); });
}

QSet<QString> QZTagLibRecordDataArrayController::pathSet() const
{
    QSet<QString> paths;
    paths.reserve(m_all.size());
    for (const RecordPtr& record : m_all)
        paths.insert(record->path());
    return paths;
}

RecordList QZTagLibRecordDataArrayController::recordsNotYetPresent(const RecordList& records) const
{
    QSet<QString> present = pathSet();
    RecordList missing;
    for (const RecordPtr& record : records) {
        // Also refuses a second record of one path within the given ones.
        if (!present.contains(record->path())) {
            present.insert(record->path());
            missing.append(record);
        }
    }
    return missing;
}

bool QZTagLibRecordDataArrayController::containsPath(const QString& path) const
{
    return std::any_of(m_all.cbegin(), m_all.cend(),
                       [&path](const RecordPtr& r) { return r->path() == path; });
}

std::optional<Caption> QZTagLibRecordDataArrayController::captionFolders() const
{
    return tagmint::collection::captionFolders(m_all);
}

QString QZTagLibRecordDataArrayController::windowTitle(const QString& applicationName) const
{
    return tagmint::collection::windowTitle(applicationName, captionFolders(), totalCount());
}

// --- Jobs ----------------------------------------------------------------------

void QZTagLibRecordDataArrayController::setPreprocessor(std::shared_ptr<RecordPreprocessor> preprocessor)
{
    m_preprocessor = preprocessor ? std::move(preprocessor) : std::make_shared<RecordPreprocessor>();
}

FileFlagsAccess& QZTagLibRecordDataArrayController::fileFlags() const
{
    return m_flags ? *m_flags : LinuxFileFlags::instance();
}

template <typename Result>
void QZTagLibRecordDataArrayController::startJob(quint32 flags, JobCallbacks callbacks,
                                                 std::function<Result(const JobContext&)> work,
                                                 std::function<void(Result&&)> finish)
{
    m_busy = true;
    // The finish runs only while the link is intact, i.e. while this lives.
    startBulkJob<Result>(flags, m_link, std::move(callbacks), std::move(work),
                         [this, finish = std::move(finish)](Result&& result) {
                             m_busy = false;
                             finish(std::move(result));
                         });
}

bool QZTagLibRecordDataArrayController::load(const QStringList& paths, qint64 limit,
                                             quint32 preprocessFlags, JobCallbacks callbacks,
                                             LoadCompletion completion, quint32 loadFlags)
{
    if (m_busy)
        return false;
    IntakeRequest request;
    request.paths = paths;
    request.limit = limit;
    request.preprocessFlags = preprocessFlags;
    request.loadFlags = loadFlags;
    request.existingPaths = pathSet();
    request.preprocessor = m_preprocessor;
    request.flags = &fileFlags();
    startJob<IntakeResult>(
        loadFlags, std::move(callbacks),
        [request = std::move(request)](const JobContext& context) { return runIntake(request, context); },
        [this, completion = std::move(completion)](IntakeResult&& result) {
            // Records that reached this window meanwhile (a move) count as
            // duplicates rather than appearing twice.
            const RecordList fresh = recordsNotYetPresent(result.newRecords);
            result.duplicates += result.newRecords.size() - fresh.size();
            result.newRecords = fresh;
            result.added = fresh.size();
            addObjects(fresh);
            if (completion)
                completion(result);
        });
    return true;
}

bool QZTagLibRecordDataArrayController::reloadArrangedObjectsWithPreprocessFlags(
    quint32 preprocessFlags, JobCallbacks callbacks, ReloadCompletion completion, quint32 loadFlags)
{
    if (m_busy)
        return false;
    startJob<ReloadResult>(
        loadFlags, std::move(callbacks),
        [records = m_arranged, preprocessFlags, loadFlags, preprocessor = m_preprocessor,
         flags = &fileFlags()](const JobContext& context) {
            return runReload(records, preprocessFlags, loadFlags, preprocessor.get(), *flags, context);
        },
        [completion = std::move(completion)](ReloadResult&& result) {
            if (completion)
                completion(result);
        });
    return true;
}

bool QZTagLibRecordDataArrayController::needsLoadingPropertiesForFlags(quint32 flags) const
{
    if (!(flags & kLoadAudioProperties))
        return false;
    return std::any_of(m_all.cbegin(), m_all.cend(),
                       [](const RecordPtr& r) { return !r->hasAudioProperties(); });
}

bool QZTagLibRecordDataArrayController::loadAdditionalPropertiesWithStopBlock(
    JobCallbacks callbacks, AudioPropertiesCompletion completion, quint32 flags)
{
    if (m_busy)
        return false;
    startJob<AudioPropertiesResult>(
        flags, std::move(callbacks),
        [records = m_all](const JobContext& context) { return runLoadAudioProperties(records, context); },
        [completion = std::move(completion)](AudioPropertiesResult&& result) {
            if (completion)
                completion(result);
        });
    return true;
}

bool QZTagLibRecordDataArrayController::save(const RecordList& records, JobCallbacks callbacks,
                                             SaveCompletion completion, UnlockPermission permission,
                                             quint32 flags)
{
    if (m_busy)
        return false;
    startJob<SaveResult>(
        flags, std::move(callbacks),
        [records, permission = std::move(permission), access = &fileFlags()](const JobContext& context) {
            return runSave(records, permission, *access, context);
        },
        [completion = std::move(completion)](SaveResult&& result) {
            if (completion)
                completion(result);
        });
    return true;
}

bool QZTagLibRecordDataArrayController::runRecordsJob(std::function<qint64(const JobContext&)> work,
                                                      JobCallbacks callbacks, CountCompletion completion,
                                                      quint32 flags)
{
    if (m_busy)
        return false;
    startJob<qint64>(flags, std::move(callbacks), std::move(work),
                     [completion = std::move(completion)](qint64&& count) {
                         if (completion)
                             completion(count);
                     });
    return true;
}
