#pragma once
// The table window's bulk commands around its collection (open, reload,
// audio properties, save): the settings they read, the progress panel they
// drive and the report they end with. A window connects the panel and the
// report to widgets; the CLI runs the same commands inline and prints.
// Jobs call back into this object: it must live as long as its collection
// (the window owns both).

#include "collection/IntakeJob.h"
#include "collection/ProgressBoxModel.h"
#include "collection/RecordJobs.h"
#include "collection/ResultReport.h"
#include "table/StatusNotification.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QZTagLibRecordDataArrayController;
class QZTagLibTableSettings;

class CollectionOperations {
public:
    struct Options {
        bool audioColumnsVisible = false;   // load flag 0x1
        bool offline = false;               // the network step is skipped and said so
        quint32 jobFlags = 0;               // 0x4: run inline
        qint64 limit = 50000;
    };

    struct OpenOutcome {
        tagmint::collection::IntakeResult result;
        bool stopped = false;
        bool hadRecordsBefore = false;
        bool filterWasActive = false;
        // The message to show; none: clear the status message (a stop that
        // opened nothing).
        std::optional<ResultReport> report;
    };

    struct ReloadOutcome {
        tagmint::collection::ReloadResult result;
        std::optional<ResultReport> report;   // none when nothing was reloaded
    };

    struct AudioPropertiesOutcome {
        bool stopped = false;
        // The column may be shown: everything was probed or nothing needed it.
        bool completed = false;
    };

    struct SaveOutcome {
        tagmint::collection::SaveResult result;
        ResultReport report;
    };

    struct RecordsJobOutcome {
        qint64 count = 0;
        bool stopped = false;
    };

    // Called whenever the progress panel changed (show, text, bar, close).
    using PanelObserver = std::function<void(const ProgressBoxModel&)>;
    // Status messages posted while a job runs (preprocessing's lines).
    using Notifier = std::function<void(const StatusNotification&)>;

    CollectionOperations(QZTagLibRecordDataArrayController& collection,
                         const QZTagLibTableSettings& settings);

    void setPanelObserver(PanelObserver observer) { m_panelObserver = std::move(observer); }
    void setNotifier(Notifier notifier) { m_notifier = std::move(notifier); }
    // The panel of the running job, or nullptr. Its stopButton() stops it.
    ProgressBoxModel* progressBox() const { return m_panel.get(); }

    // loadFiles: opens paths into the collection. False when a job runs.
    bool loadFiles(const QStringList& paths, const Options& options,
                   std::function<void(const OpenOutcome&)> done);
    // reload: reloads the shown records (ask about unsaved changes first:
    // collection.isDirtyArranged()).
    bool reload(const Options& options, std::function<void(const ReloadOutcome&)> done);
    // loadAudioPropertiesWithCompletionBlock: probes when some record needs it.
    bool loadAudioProperties(const Options& options,
                             std::function<void(const AudioPropertiesOutcome&)> done);
    // save: saves the given records (the shown ones for the Save command).
    bool save(const RecordList& records, const Options& options,
              tagmint::collection::UnlockPermission permission,
              std::function<void(const SaveOutcome&)> done);

    // Runs work over records (loading tags) under a panel showing text and
    // the bar; its status messages carry title.
    bool runRecordsJob(const QString& title, const QString& text,
                       std::function<qint64(const tagmint::collection::JobContext&)> work,
                       const Options& options, std::function<void(const RecordsJobOutcome&)> done);

    // The preprocess flags of the settings, without the network bit when
    // offline.
    quint32 preprocessFlags(bool offline) const;
    quint32 loadFlags(const Options& options) const;

private:
    ProgressBoxModel& openPanel(const QString& text);
    // Reads the stop flag, then closes the panel.
    bool closePanel();
    void panelChanged();
    tagmint::collection::JobCallbacks callbacks(const QString& title,
                                                std::function<QString(qint64)> progressText);

    QZTagLibRecordDataArrayController& m_collection;
    const QZTagLibTableSettings& m_settings;
    std::shared_ptr<ProgressBoxModel> m_panel;
    PanelObserver m_panelObserver;
    Notifier m_notifier;
};
