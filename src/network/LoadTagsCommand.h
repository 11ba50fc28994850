#pragma once
// The window's load-tags commands ("Load Tags From Paths", "Load Tags...")
// without widgets: the options dialog, the checks of the selection with
// their questions, the background run under the progress panel and its
// report. Questions and reports go through the window's Ui callbacks.

#include "network/LoadTagsFlags.h"
#include "table/QZTagLibTableSelection.h"
#include "table/SelectionOperationRunner.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class CollectionOperations;
class TableViewController;

namespace tagmint::network {

class NetworkTagSource;

class LoadTagsCommand {
public:
    enum class OfflineChoice { Continue, Cancel, Diagnose };

    struct Ui {
        // "Load Tags Advanced": replies with the chosen flags, or nullopt
        // for Cancel. Without it the stored options are taken as they are.
        std::function<void(std::function<void(std::optional<quint32> flags)> reply)> askOptions;
        // A question with Yes and No under the command's title.
        std::function<void(const QString& title, const QString& text, std::function<void(bool yes)> reply)>
            askYesNo;
        // The selection runner's question whether one cell means all.
        std::function<void(const table::ApplyToSelectionCallbacks::Reply& reply)> askExtend;
        // Runs action on the main thread after ms milliseconds.
        std::function<void(int ms, std::function<void()> action)> later;
        // Records changed: redraw the cells, recount.
        std::function<void()> refreshAfterChanges;
        // The end of a run: its title and the number of fields changed.
        std::function<void(const QString& title, int changes)> showResult;
        // Starts the system's network diagnosis.
        std::function<void()> diagnoseNetwork;
        // Whether the network services can be reached; unset: always.
        std::function<bool()> isOnline;
        // A status-bar line of the given priority.
        std::function<void(const QString& text, int priority)> statusMessage;
        // The offline sheet: Continue, Cancel or Network Diagnostics...
        std::function<void(const QString& title, const QString& text, std::function<void(OfflineChoice)> reply)>
            askOffline;
    };

    // The objects must outlive every run and every reply.
    LoadTagsCommand(TableViewController& table, CollectionOperations& operations, Ui ui,
                    std::shared_ptr<NetworkTagSource> network = {});

    // loadTagsFromWithFlags: 0 means paths and network steered by the tags;
    // ShowOptions asks first.
    void run(quint32 flags);

    static QString optionsTitle();     // "Load Tags Advanced"
    static QString optionsMessage();   // "Please specify options to load tags:"
    // Nothing loadable is selected: show those columns too, or only extend.
    static QString showColumnsQuestion();
    static QString extendQuestion();
    static QString offlineStatusText();   // "Cannot load tags, network is unavailable."
    static QString offlineMessage();      // "New tags cannot be loaded from network because ..."

private:
    void runOnSelection(quint32 flags, const QString& title);
    // Selects every cell of the rows, then runs again a moment later.
    void selectRowsAndRetry(quint32 flags, const RowSpan& rows);

    TableViewController& m_table;
    CollectionOperations& m_operations;
    Ui m_ui;
    std::shared_ptr<NetworkTagSource> m_network;
};

} // namespace tagmint::network
