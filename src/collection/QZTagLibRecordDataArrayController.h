#pragma once
// The records of one table window: all of them, and the arranged list the
// table shows (those passing the filter, in the sort order). Runs the bulk
// jobs that touch many records: opening, reloading, audio properties,
// saving. Lists change only on the main thread; jobs report back there.

#include "collection/BulkJob.h"
#include "collection/CaptionFolders.h"
#include "collection/IntakeJob.h"
#include "collection/RecordArrangement.h"
#include "collection/RecordJobs.h"
#include "collection/RecordList.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class FileFlagsAccess;

// Where a record stood in a window: its index among all records and among
// the shown ones (-1 when the filter hid it).
struct RecordPlace {
    RecordPtr record;
    qsizetype allIndex = -1;
    qsizetype arrangedIndex = -1;
};
class QZTagLibImageLoader;
class QZTagLibRecord;
class RecordPreprocessor;
struct QZTagLibTableCellPath;

class QZTagLibRecordDataArrayController {
public:
    // Records one window may hold.
    static constexpr qint64 kRecordLimit = 50000;

    QZTagLibRecordDataArrayController();
    // Running jobs stop at their next record and report nothing.
    ~QZTagLibRecordDataArrayController();
    QZTagLibRecordDataArrayController(const QZTagLibRecordDataArrayController&) = delete;
    QZTagLibRecordDataArrayController& operator=(const QZTagLibRecordDataArrayController&) = delete;

    // --- Contents ----------------------------------------------------------
    const RecordList& allObjects() const { return m_all; }
    const RecordList& arrangedObjects() const { return m_arranged; }
    qsizetype totalCount() const { return m_all.size(); }
    qsizetype shownCount() const { return m_arranged.size(); }
    // Some records are hidden by the filter.
    bool isFilterActive() const { return totalCount() != shownCount(); }

    // Appends the records and hands them this window's image loader; those
    // the filter accepts are shown at the end.
    void addObjects(const RecordList& records);
    // Takes the records out of both lists; their files are not touched.
    void removeObjects(const RecordList& records);
    // Where these records stand now, in the order of all records.
    QList<RecordPlace> placesOf(const RecordList& records) const;
    // Puts removed records back where they stood, without sorting again; a
    // record whose file was opened here again meanwhile stays out.
    void restoreObjects(const QList<RecordPlace>& places);
    // The thumbnail maker of this window's records, made on first use.
    QZTagLibImageLoader* imageLoader();
    // Remembers records as all records and returns them filtered and sorted.
    RecordList arrangeObjects(const RecordList& records);
    // arrangeObjects over all records, e.g. after the sort order changed.
    void rearrangeObjects();

    const SortDescriptors& sortDescriptors() const { return m_sortDescriptors; }
    void setSortDescriptors(const SortDescriptors& descriptors);
    bool hasFilter() const { return bool(m_filter); }
    void setFilter(RecordFilter filter);
    void clearFilter();

    // --- Rows of the arranged list -----------------------------------------
    bool isIndexValid(qsizetype row) const { return row >= 0 && row < shownCount(); }
    bool isEmpty() const { return !isIndexValid(0); }
    // The row must be valid.
    QZTagLibRecord& objectAtIndex(qsizetype row) const;
    QZTagLibRecord* recordAtRow(qsizetype row) const;
    QVariant valueAtRow(qsizetype row, const QString& key) const;
    // The value when it is a text, otherwise "".
    QString stringAtRow(qsizetype row, const QString& key) const;
    QZTagLibRecord& objectAtIndexPath(const QZTagLibTableCellPath& cell) const;
    QZTagLibRecord* recordAtCell(const QZTagLibTableCellPath* cell) const;
    QVariant valueAtCell(const QZTagLibTableCellPath* cell, const QString& key) const;
    QString stringAtCell(const QZTagLibTableCellPath* cell, const QString& key) const;

    // --- Questions ---------------------------------------------------------
    // Any record (also those filtered out) has unsaved changes.
    bool isDirtyUnarranged() const;
    // Any shown record has unsaved changes.
    bool isDirtyArranged() const;
    // The given records whose path no record here has (empty when none).
    RecordList recordsNotYetPresent(const RecordList& records) const;
    bool containsPath(const QString& path) const;
    std::optional<tagmint::collection::Caption> captionFolders() const;
    QString windowTitle(const QString& applicationName) const;

    // --- Jobs --------------------------------------------------------------
    // One job at a time: the start operations refuse (return false, nothing
    // happens, no completion) while one runs.
    bool isBusy() const { return m_busy; }

    // What opening and reloading run on each record when the preprocess flags
    // ask for it. The default changes nothing.
    void setPreprocessor(std::shared_ptr<RecordPreprocessor> preprocessor);
    // The lock flag's access for unlocking (tests stand in for the real one).
    void setFileFlagsAccess(FileFlagsAccess* access) { m_flags = access; }

    // Opens files and folders: gathers the paths, creates one record per new
    // supported file, then on the main thread appends the new records and
    // calls completion. Load flags: 0x1 audio properties, 0x2 unlock, 0x4
    // inline. Progress is (index, count) every openingProgressStep.
    using LoadCompletion = std::function<void(const tagmint::collection::IntakeResult&)>;
    bool load(const QStringList& paths, qint64 limit, quint32 preprocessFlags,
              tagmint::collection::JobCallbacks callbacks, LoadCompletion completion,
              quint32 loadFlags);

    // Reloads every shown record from its file.
    using ReloadCompletion = std::function<void(const tagmint::collection::ReloadResult&)>;
    bool reloadArrangedObjectsWithPreprocessFlags(quint32 preprocessFlags,
                                                  tagmint::collection::JobCallbacks callbacks,
                                                  ReloadCompletion completion, quint32 loadFlags);

    // Some record still lacks audio properties and flags ask for them (0x1).
    bool needsLoadingPropertiesForFlags(quint32 flags) const;
    using AudioPropertiesCompletion =
        std::function<void(const tagmint::collection::AudioPropertiesResult&)>;
    bool loadAdditionalPropertiesWithStopBlock(tagmint::collection::JobCallbacks callbacks,
                                               AudioPropertiesCompletion completion, quint32 flags);

    // Saves the dirty records among the given ones (0x4: inline).
    using SaveCompletion = std::function<void(const tagmint::collection::SaveResult&)>;
    bool save(const RecordList& records, tagmint::collection::JobCallbacks callbacks,
              SaveCompletion completion, tagmint::collection::UnlockPermission permission,
              quint32 flags);

    // Runs work on a job of its own (loading tags into records); completion
    // gets the count work returned (0x4: inline).
    using CountCompletion = std::function<void(qint64 count)>;
    bool runRecordsJob(std::function<qint64(const tagmint::collection::JobContext&)> work,
                       tagmint::collection::JobCallbacks callbacks, CountCompletion completion,
                       quint32 flags);

private:
    QSet<QString> pathSet() const;
    FileFlagsAccess& fileFlags() const;
    template <typename Result>
    void startJob(quint32 flags, tagmint::collection::JobCallbacks callbacks,
                  std::function<Result(const tagmint::collection::JobContext&)> work,
                  std::function<void(Result&&)> finish);

    RecordList m_all;
    RecordList m_arranged;
    SortDescriptors m_sortDescriptors;
    RecordFilter m_filter;
    std::unique_ptr<QZTagLibImageLoader> m_imageLoader;
    std::shared_ptr<RecordPreprocessor> m_preprocessor;
    FileFlagsAccess* m_flags = nullptr;
    std::shared_ptr<tagmint::collection::JobLink> m_link;
    bool m_busy = false;
};
