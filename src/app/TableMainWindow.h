#pragma once
// One table window (its window controller): its collection and the
// commands around it, the grid, the empty-table placeholder, the status bar,
// the progress sheets, prompts and menus. Decisions come from the core;
// this class shows them.

#include "collection/CollectionOperations.h"
#include "collection/QZTagLibRecordDataArrayController.h"
#include "collection/WindowClosing.h"
#include "collection/WindowRegistry.h"
#include "network/LoadTagsCommand.h"
#include "settings/QZTagLibTableSettings.h"
#include "table/ColumnLayout.h"
#include "table/SelectionOperationRunner.h"
#include "table/TableViewController.h"
#include "table/TextCommands.h"
#include "table/TextFinderController.h"

#include "app/OpenPanel.h"
#include "app/ProgressSheet.h"

#include <QHash>
#include <QMessageBox>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class ArtworkEditor;
class EmptyTablePlaceholder;
class FindBar;
class QLineEdit;
class QAction;
class QMenu;
class QStackedWidget;
class SettingsStore;
class StatusBarWidget;
class TableGridView;
class TableModel;
class TagmintApplication;

class TableMainWindow : public QMainWindow, public TableWindow {
    Q_OBJECT
public:
    TableMainWindow(TagmintApplication& application, SettingsStore& store);
    ~TableMainWindow() override;

    // --- TableWindow --------------------------------------------------------------
    QZTagLibRecordDataArrayController& collection() override { return *m_collection; }
    WindowCloseState& closeState() override { return m_closeState; }
    bool showsSheet() const override;
    bool isMinimized() const override { return QMainWindow::isMinimized(); }
    // The caption without the unsaved-changes mark.
    QString title() const override { return m_caption; }
    void loadFiles(const QStringList& paths) override;

    // --- Commands -------------------------------------------------------------------
    // Files by default; a desktop dialog cannot take files and folders at once.
    void openPanel(OpenPanel::Choice choice = OpenPanel::Choice::Files);
    void save();
    void reload();
    // nullptr: a new window.
    void moveToWindow(TableMainWindow* target);
    void toggleStatusBar();
    void showInFolder();
    // renameFiles: the compose options panel at the current row's file-name
    // cell (the introduction first, once).
    void renameFiles();
    // loadTagsFromWithFlags: FromPaths for "Load Tags From Paths",
    // ShowOptions for "Load Tags...".
    void loadTags(quint32 flags);
    // Records moved in from another window.
    void loadNewObjects(const RecordList& records);
    // The unsaved-changes prompt or the close confirmation (quitting asks
    // through this too).
    void showClosePrompt(WindowCloseState::Prompt prompt);
    void postNotification(const StatusNotification& notification);
    // Drop or panel: opens what is usable, says so when nothing is.
    void openDroppedFiles(const QStringList& names);
    // The Edit menu's commands; those a text field can take go to the
    // active one (a cell being edited) instead of the cells.
    void copy();
    void paste();
    void clear();
    void revert();
    void selectAll();
    void undo();
    void redo();
    void removeSelectedRows();
    // Opens the artwork cell of the active row (showing the column first).
    void replaceArtwork();

    // The find bar: shown (with its replace row), its field focused.
    void showFindBar(bool withReplace);
    // Change case, fix encoding, remove extra spaces or characters over the
    // selection, asking first whether one selected cell means all of them.
    void runTextTool(const tagmint::table::TextTool& tool);

    TableViewController& controller() { return *m_controller; }
    TextFinderController& finder() { return *m_finder; }
    FindBar* findBar() const { return m_findBar; }
    TableGridView* gridView() const { return m_view; }
    TableModel* tableModel() const { return m_model; }
    StatusBarWidget* statusBarWidget() const { return m_statusBar; }
    ArtworkEditor* artworkEditor() const { return m_artworkEditor; }
    EmptyTablePlaceholder* placeholder() const { return m_placeholder; }
    ColumnLayout& columnLayout() { return *m_layout; }
    ProgressSheet* progressSheet() const { return m_progress; }
    // The alert or prompt sheet shown now, if any.
    QMessageBox* messageSheet() const { return m_messageSheet; }
    QAction* action(const QString& name) const { return m_actions.value(name); }
    // The context menus of the header (column under the pointer, -1 for
    // none) and of the cells; the caller owns them.
    QMenu* headerMenu(int column);
    QMenu* cellMenu();
    // Every progress sheet this window showed (tests and the screenshot
    // look at what the user saw).
    int progressSheetsShown() const { return m_progressSheetsShown; }

signals:
    void closed(TableMainWindow* window);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QAction* addAction(QMenu* menu, const QString& name, const QString& text,
                       const QKeySequence& shortcut, std::function<void()> slot);
    void updateActions();
    void contentChanged();
    void refreshCaption();
    void updatePlaceholder();
    void panelChanged(const ProgressBoxModel& model);
    CollectionOperations::Options options() const;
    void opened(const CollectionOperations::OpenOutcome& outcome);
    void reloadNow();
    void saveRecords(const RecordList& records, std::function<void(bool succeeded)> then);
    // The save's second pass: may the lock of the folder holding the file be
    // cleared? Asked while the save's worker waits.
    bool askToUnlockFolder(const QString& path);
    void showReport(const ResultReport& report);
    void showAlert(const QString& title, const QString& text);
    // "%i tags changed." under the command's title; an alert with a "do not
    // show again" box while the setting asks for it, else a popup.
    void showTagsChanged(const StatusNotification& message);
    // The offline sheet of the load-tags commands and its diagnosis button.
    void askOffline(const QString& title, const QString& text,
                    std::function<void(tagmint::network::LoadTagsCommand::OfflineChoice)> reply);
    void showNetworkDiagnostics();
    void askYesNo(const QString& title, const QString& text, std::function<void(bool)> reply);
    void askToExtendSelection(std::function<void(tagmint::table::ExtendAnswer, bool)> reply);
    void buildTextMenus(QMenu* edit);
    // Preprocessing filled these fields: their hidden columns are shown.
    void showFilledColumns(const PreprocessingStatistics& statistics);
    void loadAudioPropertiesThen(std::function<void()> then);
    // Asks about unsaved changes (title: the command); then runs after
    // "Save" succeeded or "Don't Save".
    void askToSave(const QString& title, const RecordList& records, std::function<void()> then);
    void showCellMenu(const QPoint& position);
    // The text field inside this window that has the keyboard, if any.
    QLineEdit* activeTextField() const;
    void removeRowsAfterConfirmation(const RecordList& records);
    void showHeaderMenu(int column, const QPoint& position);
    void autoSizeSoon();
    void autoSizeNextColumn(const std::shared_ptr<AutoSizeRun>& run);

    TagmintApplication& m_application;
    SettingsStore& m_store;
    QZTagLibTableSettings m_settings;
    std::unique_ptr<QZTagLibRecordDataArrayController> m_collection;
    std::unique_ptr<ColumnLayout> m_layout;
    std::unique_ptr<CollectionOperations> m_operations;
    std::unique_ptr<tagmint::network::LoadTagsCommand> m_loadTags;
    TableGridView* m_view = nullptr;
    std::unique_ptr<TableViewController> m_controller;
    std::unique_ptr<TextFinderController> m_finder;
    TableModel* m_model = nullptr;
    QWidget* m_tablePane = nullptr;   // the find bar over the grid
    FindBar* m_findBar = nullptr;
    QStackedWidget* m_stack = nullptr;
    EmptyTablePlaceholder* m_placeholder = nullptr;
    StatusBarWidget* m_statusBar = nullptr;
    ArtworkEditor* m_artworkEditor = nullptr;
    QPointer<ProgressSheet> m_progress;
    QPointer<QMessageBox> m_messageSheet;
    WindowCloseState m_closeState;
    QHash<QString, QAction*> m_actions;
    QMenu* m_moveMenu = nullptr;
    QMenu* m_columnsMenu = nullptr;
    QStringList m_modelColumns;
    QString m_caption;
    std::shared_ptr<AutoSizeRun> m_autoSizeRun;
    int m_progressSheetsShown = 0;
    bool m_closing = false;
};
