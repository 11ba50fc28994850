#include "collection/CollectionOperations.h"

#include "collection/CollectionMessages.h"
#include "collection/QZTagLibRecordDataArrayController.h"
#include "collection/RecordPreprocessor.h"
#include "settings/QZTagLibTableSettings.h"

using namespace tagmint::collection;

CollectionOperations::CollectionOperations(QZTagLibRecordDataArrayController& collection,
                                           const QZTagLibTableSettings& settings)
    : m_collection(collection), m_settings(settings)
{
}

quint32 CollectionOperations::preprocessFlags(bool offline) const
{
    quint32 flags = quint32(m_settings.preprocessFlags());
    if (offline)
        flags &= ~RecordPreprocessor::TagsFromNetwork;
    return flags;
}

quint32 CollectionOperations::loadFlags(const Options& options) const
{
    quint32 flags = options.jobFlags & kRunInline;
    if (options.audioColumnsVisible)
        flags |= kLoadAudioProperties;
    if (m_settings.unlockFilesAtOpening())
        flags |= kUnlockFiles;
    return flags;
}

ProgressBoxModel& CollectionOperations::openPanel(const QString& text)
{
    m_panel = std::make_shared<ProgressBoxModel>();
    m_panel->setMessage(text);
    // The block runs on the main thread with the button; the panel outlives
    // it as long as this object does.
    ProgressBoxModel* panel = m_panel.get();
    m_panel->setStopButtonBlock([this, panel] {
        panel->setMessage(progress_text::stopping());
        panelChanged();
    });
    panelChanged();
    return *m_panel;
}

bool CollectionOperations::closePanel()
{
    if (!m_panel)
        return false;
    const bool stopped = m_panel->stopButtonPressed();
    m_panel->close();
    panelChanged();
    m_panel.reset();
    return stopped;
}

void CollectionOperations::panelChanged()
{
    if (m_panelObserver && m_panel)
        m_panelObserver(*m_panel);
}

JobCallbacks CollectionOperations::callbacks(const QString& title,
                                             std::function<QString(qint64)> progressText)
{
    JobCallbacks callbacks;
    callbacks.stop = m_panel->stopCallback();
    std::weak_ptr<ProgressBoxModel> weakPanel = m_panel;
    callbacks.progress = [this, weakPanel, progressText](qint64 index, qint64 count) {
        if (const auto panel = weakPanel.lock()) {
            if (!panel->stopButtonPressed())
                panel->showProgress(index, count, progressText);
            panelChanged();
        }
    };
    callbacks.message = [this, title](const QString& text) {
        if (m_notifier)
            m_notifier(StatusNotification::makeMessage(title, text, text));
    };
    return callbacks;
}

bool CollectionOperations::loadFiles(const QStringList& paths, const Options& options,
                                     std::function<void(const OpenOutcome&)> done)
{
    if (m_collection.isBusy())
        return false;
    openPanel(progress_text::preparingForLoading());
    const bool hadRecordsBefore = m_collection.totalCount() != 0;
    const bool filterWasActive = m_collection.isFilterActive();
    const bool offline =
        options.offline && (quint32(m_settings.preprocessFlags()) & RecordPreprocessor::TagsFromNetwork);
    const bool showConfirmation = m_settings.showConfirmationAfterTagsUpdateAtOpening();

    return m_collection.load(
        paths, options.limit, preprocessFlags(options.offline),
        callbacks(QStringLiteral("Open"), progress_text::loading),
        [this, hadRecordsBefore, filterWasActive, offline, showConfirmation,
         done = std::move(done)](const IntakeResult& result) {
            OpenOutcome outcome;
            outcome.result = result;
            outcome.stopped = closePanel();
            outcome.hadRecordsBefore = hadRecordsBefore;
            outcome.filterWasActive = filterWasActive;
            if (result.added + result.duplicates != 0) {
                m_collection.rearrangeObjects();
                outcome.report = openResultReport(result.added, result.duplicates, result.unsupported,
                                                  offline, result.statistics, showConfirmation);
            } else if (!outcome.stopped) {
                outcome.report = openResultReport(0, 0, result.unsupported, offline,
                                                  result.statistics, showConfirmation);
            }
            if (done)
                done(outcome);
        },
        loadFlags(options));
}

bool CollectionOperations::reload(const Options& options, std::function<void(const ReloadOutcome&)> done)
{
    if (m_collection.isBusy())
        return false;
    openPanel(progress_text::reloadingStart());
    const bool offline =
        options.offline && (quint32(m_settings.preprocessFlags()) & RecordPreprocessor::TagsFromNetwork);
    const bool showConfirmation = m_settings.showConfirmationAfterTagsUpdateAtOpening();
    return m_collection.reloadArrangedObjectsWithPreprocessFlags(
        preprocessFlags(options.offline), callbacks(QStringLiteral("Reload"), progress_text::reloading),
        [this, offline, showConfirmation, done = std::move(done)](const ReloadResult& result) {
            closePanel();
            ReloadOutcome outcome;
            outcome.result = result;
            outcome.report = reloadResultReport(result.reloaded, offline, result.statistics,
                                                showConfirmation);
            if (done)
                done(outcome);
        },
        loadFlags(options));
}

bool CollectionOperations::loadAudioProperties(const Options& options,
                                               std::function<void(const AudioPropertiesOutcome&)> done)
{
    if (m_collection.isBusy())
        return false;
    if (!m_collection.needsLoadingPropertiesForFlags(kLoadAudioProperties)) {
        if (done)
            done({false, true});
        return true;
    }
    openPanel(progress_text::loadingAudioPropertiesStart());
    return m_collection.loadAdditionalPropertiesWithStopBlock(
        callbacks(QStringLiteral("Load Audio Properties"), progress_text::loadingAudioProperties),
        [this, done = std::move(done)](const AudioPropertiesResult&) {
            const bool stopped = closePanel();
            if (done)
                done({stopped, !stopped});
        },
        kLoadAudioProperties | (options.jobFlags & kRunInline));
}

bool CollectionOperations::save(const RecordList& records, const Options& options,
                                UnlockPermission permission, std::function<void(const SaveOutcome&)> done)
{
    if (m_collection.isBusy())
        return false;
    openPanel(progress_text::savingStart());
    return m_collection.save(
        records, callbacks(QStringLiteral("Save"), progress_text::saving),
        [this, done = std::move(done)](const SaveResult& result) {
            closePanel();
            SaveOutcome outcome;
            outcome.result = result;
            outcome.report = saveResultReport(result.saved, result.failed, result.renameFailed);
            if (done)
                done(outcome);
        },
        std::move(permission), options.jobFlags & kRunInline);
}

bool CollectionOperations::runRecordsJob(const QString& title, const QString& text,
                                         std::function<qint64(const JobContext&)> work,
                                         const Options& options,
                                         std::function<void(const RecordsJobOutcome&)> done)
{
    if (m_collection.isBusy())
        return false;
    openPanel(text);
    return m_collection.runRecordsJob(
        std::move(work), callbacks(title, [text](qint64) { return text; }),
        [this, done = std::move(done)](qint64 count) {
            RecordsJobOutcome outcome;
            outcome.count = count;
            outcome.stopped = closePanel();
            if (done)
                done(outcome);
        },
        options.jobFlags & kRunInline);
}
