#include "app/TableMainWindow.h"

#include "app/ArtworkEditor.h"
#include "app/CellPopover.h"
#include "app/EmptyTablePlaceholder.h"
#include "app/FindBar.h"
#include "app/LoadTagsDialog.h"
#include "app/OpenPanel.h"
#include "app/ProgressSheet.h"
#include "app/StatusBarWidget.h"
#include "app/TableGridView.h"
#include "app/TableModel.h"
#include "app/TagmintApplication.h"
#include "collection/CaptionFolders.h"
#include "collection/CollectionMessages.h"
#include "collection/DroppedFiles.h"
#include "collection/RecordMove.h"
#include "record/QZTagLibRecord.h"
#include "network/TagsPreprocessor.h"
#include "network/HttpTransfer.h"
#include "network/NetworkTagLookup.h"
#include "table/ColumnMenus.h"
#include "table/TextTransformations.h"
#include "table/TableCommandTexts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLineEdit>
#include <QMap>
#include <QMimeData>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

using namespace tagmint::collection;
using Command = TableViewController::Command;

TableMainWindow::TableMainWindow(TagmintApplication& application, SettingsStore& store)
    : m_application(application),
      m_store(store),
      m_settings(store),
      m_collection(std::make_unique<QZTagLibRecordDataArrayController>()),
      m_layout(std::make_unique<ColumnLayout>(store)),
      m_operations(std::make_unique<CollectionOperations>(*m_collection, m_settings))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TableWindow"));

    m_view = new TableGridView;
    m_view->setObjectName(QStringLiteral("TableGrid"));
    m_controller = std::make_unique<TableViewController>(*m_collection, *m_layout, *m_view, m_settings);
    m_finder = std::make_unique<TextFinderController>(*m_controller, m_settings);
    m_model = new TableModel(*m_controller, this);
    m_view->setController(m_controller.get(), m_model);
    m_view->setFinder(m_finder.get());
    m_modelColumns = m_layout->columnIdentifiers();
    m_controller->setMeasure([view = m_view](const QString& text) {
        return double(view->fontMetrics().horizontalAdvance(text));
    });

    TableViewController::Callbacks callbacks;
    callbacks.notify = [this](const StatusNotification& notification) { postNotification(notification); };
    callbacks.openFiles = [this] { QTimer::singleShot(10, this, [this] { openPanel(); }); };
    callbacks.selectionChanged = [this] {
        updateActions();
        m_finder->selectionChanged();
    };
    callbacks.contentChanged = [this] { contentChanged(); };
    callbacks.columnsChanged = [this] {
        // New order or visibility: the model's columns follow; widths only:
        // the header follows.
        const QStringList columns = m_layout->columnIdentifiers();
        if (columns != m_modelColumns) {
            m_modelColumns = columns;
            m_model->reload();
        }
        m_view->syncColumns();
    };
    callbacks.loadAudioProperties = [this](std::function<void()> then) {
        loadAudioPropertiesThen(std::move(then));
    };
    callbacks.findBarVisible = [this] { return m_finder->isVisible(); };
    callbacks.focusFindBar = [this](bool lastControl) {
        lastControl ? m_findBar->focusLastControl() : m_findBar->focusFirstControl();
    };
    callbacks.closeFindBar = [this] { m_finder->closeBar(); };
    callbacks.showAtCell = [this](int row, int column, const tagmint::table::CellExplanation& note) {
        m_view->showPopoverAtCell(row, column, note.title, note.message, QStringLiteral("OK"));
    };
    callbacks.alert = [this](const QString& title, const QString& text) { showAlert(title, text); };
    m_controller->setCallbacks(std::move(callbacks));
    connect(&m_controller->history().stack(), &QUndoStack::indexChanged, this,
            [this] { updateActions(); });

    m_artworkEditor = new ArtworkEditor(*m_controller, *m_view, this, [this] { return showsSheet(); });
    connect(m_view, &TableGridView::artworkEditRequested, m_artworkEditor, &ArtworkEditor::begin);
    connect(m_view, &TableGridView::artworkDropped, m_artworkEditor, &ArtworkEditor::drop);

    m_findBar = new FindBar(*m_finder);
    TextFinderController::Callbacks finderCallbacks;
    finderCallbacks.notify = [this](const StatusNotification& notification) { postNotification(notification); };
    finderCallbacks.contentChanged = [this] { contentChanged(); };
    finderCallbacks.barChanged = [this] {
        m_findBar->sync();
        updateActions();
    };
    finderCallbacks.showTagsChanged = [this](const StatusNotification& message) { showTagsChanged(message); };
    m_finder->setCallbacks(std::move(finderCallbacks));
    connect(m_findBar, &FindBar::leaveRequested, m_view, [this] { m_view->setFocus(); });

    m_tablePane = new QWidget;
    auto* pane = new QVBoxLayout(m_tablePane);
    pane->setContentsMargins(0, 0, 0, 0);
    pane->setSpacing(0);
    pane->addWidget(m_findBar);
    pane->addWidget(m_view, 1);

    m_placeholder = new EmptyTablePlaceholder;
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_placeholder);
    m_stack->addWidget(m_tablePane);
    setCentralWidget(m_stack);

    connect(m_placeholder, &EmptyTablePlaceholder::browseRequested, this, [this] { openPanel(); });
    connect(m_placeholder, &EmptyTablePlaceholder::filesDropped, this, &TableMainWindow::openDroppedFiles);
    connect(m_view, &TableGridView::filesDropped, this, &TableMainWindow::openDroppedFiles);
    connect(m_view, &TableGridView::cellMenuRequested, this, &TableMainWindow::showCellMenu);
    connect(m_view, &TableGridView::headerMenuRequested, this, &TableMainWindow::showHeaderMenu);

    m_statusBar = new StatusBarWidget(this);
    setStatusBar(m_statusBar);
    m_statusBar->setVisible(m_settings.statusBarVisible());

    const auto network = tagmint::network::NetworkTagLookup::fromUserSettings();
    m_collection->setPreprocessor(std::make_shared<tagmint::network::TagsPreprocessor>(network));
    tagmint::network::LoadTagsCommand::Ui loadTagsUi;
    loadTagsUi.askOptions = [this](std::function<void(std::optional<quint32>)> reply) {
        auto* dialog = new LoadTagsDialog(m_settings, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        connect(dialog, &QDialog::finished, this, [dialog, reply](int result) {
            reply(result == QDialog::Accepted ? std::optional<quint32>(dialog->flags()) : std::nullopt);
        });
        dialog->open();
    };
    loadTagsUi.askYesNo = [this](const QString& title, const QString& text, std::function<void(bool)> reply) {
        askYesNo(title, text, std::move(reply));
    };
    loadTagsUi.askExtend = [this](const tagmint::table::ApplyToSelectionCallbacks::Reply& reply) {
        askToExtendSelection(reply);
    };
    loadTagsUi.later = [this](int ms, std::function<void()> action) { QTimer::singleShot(ms, this, action); };
    loadTagsUi.refreshAfterChanges = [this] {
        m_view->refreshVisibleCells();
        contentChanged();
    };
    loadTagsUi.showResult = [this](const QString& title, int changes) {
        QApplication::alert(this);
        showTagsChanged(tagmint::table::tagsChangedMessage(title, changes));
    };
    loadTagsUi.isOnline = [] {
        const tagmint::network::NetworkConfig config{SettingsStore()};
        return tagmint::network::isServiceReachable(config.baseUrl(tagmint::network::Service::MusicBrainz));
    };
    loadTagsUi.statusMessage = [this](const QString& text, int priority) {
        // The user's own command speaks over what came before.
        postNotification(StatusNotification::resetPriority());
        postNotification(StatusNotification::makeMessage(text, QString(), text, priority));
    };
    loadTagsUi.askOffline = [this](const QString& title, const QString& text,
                                   std::function<void(tagmint::network::LoadTagsCommand::OfflineChoice)> reply) {
        askOffline(title, text, std::move(reply));
    };
    loadTagsUi.diagnoseNetwork = [this] { showNetworkDiagnostics(); };
    m_loadTags = std::make_unique<tagmint::network::LoadTagsCommand>(*m_controller, *m_operations,
                                                                     std::move(loadTagsUi), network);

    m_operations->setPanelObserver([this](const ProgressBoxModel& model) { panelChanged(model); });
    m_operations->setNotifier([this](const StatusNotification& notification) {
        postNotification(notification);
    });

    buildMenus();
    refreshCaption();
    updatePlaceholder();
    m_placeholder->setFocus();
    updateActions();
    resize(1100, 640);
    if (m_settings.showFindInterfaceInNewWindow())
        QTimer::singleShot(50, this, [this] { m_finder->showBar(false, false); });
}

TableMainWindow::~TableMainWindow()
{
    // The grid and the find bar call their controllers until they are gone.
    delete m_stack;
    m_stack = nullptr;
    m_view = nullptr;
    m_findBar = nullptr;
}

bool TableMainWindow::showsSheet() const
{
    return (m_progress && m_progress->isVisible()) || (m_messageSheet && m_messageSheet->isVisible())
        || m_collection->isBusy();
}

// --- Menus -------------------------------------------------------------------------

QAction* TableMainWindow::addAction(QMenu* menu, const QString& name, const QString& text,
                                    const QKeySequence& shortcut, std::function<void()> slot)
{
    auto* action = menu->addAction(text);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [slot = std::move(slot)] { slot(); });
    m_actions.insert(name, action);
    return action;
}

void TableMainWindow::buildMenus()
{
    TableViewController& c = *m_controller;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addAction(file, QStringLiteral("newWindow"), QStringLiteral("New Window"), QKeySequence::New,
              [this] { m_application.newWindow(); });
    addAction(file, QStringLiteral("open"), QStringLiteral("Open..."), QKeySequence::Open,
              [this] { openPanel(); });
    addAction(file, QStringLiteral("openFolder"), QStringLiteral("Open Folder..."),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
              [this] { openPanel(OpenPanel::Choice::Folder); });
    file->addSeparator();
    addAction(file, QStringLiteral("reload"), QStringLiteral("Reload"),
              QKeySequence(Qt::CTRL | Qt::Key_R), [this] { reload(); });
    addAction(file, QStringLiteral("save"), QStringLiteral("Save"), QKeySequence::Save, [this] { save(); });
    file->addSeparator();
    m_moveMenu = file->addMenu(QStringLiteral("Move to Window"));
    m_moveMenu->setObjectName(QStringLiteral("moveToWindowMenu"));
    connect(m_moveMenu, &QMenu::aboutToShow, this, [this] {
        m_moveMenu->clear();
        const QList<TableWindow*> all(m_application.registry().windows());
        for (const MoveMenuItem& item : moveToWindowMenu(this, all)) {
            if (item.separatorBefore)
                m_moveMenu->addSeparator();
            QAction* action = m_moveMenu->addAction(item.title);
            action->setEnabled(item.enabled);
            auto* target = static_cast<TableMainWindow*>(item.target);
            QPointer<TableMainWindow> guarded(target);
            connect(action, &QAction::triggered, this, [this, target, guarded] {
                if (target && !guarded)
                    return;
                moveToWindow(target);
            });
        }
    });
    addAction(file, QStringLiteral("showInFolder"), QStringLiteral("Show in Folder"), {},
              [this] { showInFolder(); });
    file->addSeparator();
    addAction(file, QStringLiteral("preferences"), QStringLiteral("Preferences..."),
              QKeySequence(Qt::CTRL | Qt::Key_Comma), [this] { m_application.showPreferences(); });
    file->addSeparator();
    addAction(file, QStringLiteral("close"), QStringLiteral("Close Window"), QKeySequence::Close,
              [this] { close(); });
    addAction(file, QStringLiteral("quit"), QStringLiteral("Quit"), QKeySequence::Quit,
              [this] { m_application.quit(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    // Whether a text field has the keyboard is asked when the menu opens.
    connect(edit, &QMenu::aboutToShow, this, [this] { updateActions(); });
    addAction(edit, QStringLiteral("undo"), QStringLiteral("Undo"), QKeySequence::Undo, [this] { undo(); });
    // Ctrl+Y and Ctrl+Shift+Z both redo; a key listed twice would be an
    // ambiguous shortcut that does nothing.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence& key :
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        if (!redoKeys.contains(key))
            redoKeys.append(key);
    }
    addAction(edit, QStringLiteral("redo"), QStringLiteral("Redo"), QKeySequence::Redo, [this] { redo(); })
        ->setShortcuts(redoKeys);
    edit->addSeparator();
    addAction(edit, QStringLiteral("copy"), QStringLiteral("Copy"), QKeySequence::Copy, [this] { copy(); });
    addAction(edit, QStringLiteral("paste"), QStringLiteral("Paste"), QKeySequence::Paste, [this] { paste(); });
    addAction(edit, QStringLiteral("clear"), QStringLiteral("Clear"), QKeySequence::Delete, [this] { clear(); });
    addAction(edit, QStringLiteral("revert"), QStringLiteral("Revert"),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z), [this] { revert(); });
    addAction(edit, QStringLiteral("removeRows"), QStringLiteral("Remove Rows..."),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), [this] { removeSelectedRows(); });
    edit->addSeparator();
    addAction(edit, QStringLiteral("editCell"), QStringLiteral("Edit Cell"), {}, [this] {
        QZTagLibTableSelection& selection = m_controller->selection();
        selection.beginEditingAtRow(selection.activeRow(), selection.activeColumn(), nullptr);
    });
    addAction(edit, QStringLiteral("replaceArtwork"), QStringLiteral("Replace Artwork..."), {},
              [this] { replaceArtwork(); });
    edit->addSeparator();
    addAction(edit, QStringLiteral("selectAll"), QStringLiteral("Select All"), QKeySequence::SelectAll,
              [this] { selectAll(); });
    addAction(edit, QStringLiteral("deselectAll"), QStringLiteral("Deselect All"),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), [&c] { c.deselectAllCommand(); });
    addAction(edit, QStringLiteral("selectColumn"), QStringLiteral("Select Column"),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A), [&c] { c.selectAllCellsOfActiveColumn(); });
    addAction(edit, QStringLiteral("selectRow"), QStringLiteral("Select Row"), {},
              [&c] { c.selectAllCellsOfSelectedRows(); });
    edit->addSeparator();
    addAction(edit, QStringLiteral("renameFiles"), QStringLiteral("Create File Names from Tags..."), {},
              [this] { renameFiles(); });
    addAction(edit, QStringLiteral("loadTagsFromPaths"), QStringLiteral("Load Tags From Paths"), {},
              [this] { loadTags(tagmint::network::FromPaths); });
    addAction(edit, QStringLiteral("loadTagsFromNetwork"), QStringLiteral("Load Tags From Network"), {},
              [this] { loadTags(tagmint::network::FromNetwork | tagmint::network::UseExistingTags); });
    addAction(edit, QStringLiteral("loadTags"), QStringLiteral("Load Tags..."), {},
              [this] { loadTags(tagmint::network::ShowOptions); });
    buildTextMenus(edit);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    addAction(view, QStringLiteral("autoSizeColumn"), QStringLiteral("Auto Size Column"),
              QKeySequence(Qt::CTRL | Qt::Key_Right), [&c] { c.autoSizeActiveColumn(); });
    addAction(view, QStringLiteral("autoFitColumn"), QStringLiteral("Auto Fit Column"),
              QKeySequence(Qt::CTRL | Qt::Key_Left), [&c] { c.autoFitActiveColumn(); });
    addAction(view, QStringLiteral("autoSizeAllColumns"), QStringLiteral("Auto Size All Columns"),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Right), [&c] { c.autoSizeAllColumns(); });
    addAction(view, QStringLiteral("autoFitAllColumns"), QStringLiteral("Auto Fit All Columns"),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Left), [&c] { c.autoFitAllColumns(); });
    view->addSeparator();
    addAction(view, QStringLiteral("hideColumn"), QStringLiteral("Hide Column"),
              QKeySequence(Qt::CTRL | Qt::Key_Down), [&c] { c.hideSelectedColumns(); });
    addAction(view, QStringLiteral("hideOtherColumns"), QStringLiteral("Hide Other Columns"),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Down), [&c] { c.hideOtherColumns(); });
    addAction(view, QStringLiteral("showAllColumns"), QStringLiteral("Show All Columns"),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Up), [&c] { c.showAllColumns(); });
    m_columnsMenu = view->addMenu(QStringLiteral("Columns"));
    connect(m_columnsMenu, &QMenu::aboutToShow, this, [this] {
        m_columnsMenu->clear();
        for (const ColumnMenuItem& item :
             tagmint::table::menuForColumnHeaderWithIndex(*m_layout, -1, m_collection->shownCount())) {
            if (item.command != ColumnMenuCommand::ToggleColumn)
                continue;
            QAction* action = m_columnsMenu->addAction(item.title);
            action->setCheckable(true);
            action->setChecked(item.checked);
            action->setEnabled(item.enabled && !showsSheet());
            const QString identifier = item.identifier;
            connect(action, &QAction::triggered, this, [this, identifier] {
                m_controller->toggleColumn(identifier);
            });
        }
    });
    view->addSeparator();
    addAction(view, QStringLiteral("toggleStatusBar"),
              m_settings.statusBarVisible() ? QStringLiteral("Hide Status Bar")
                                            : QStringLiteral("Show Status Bar"),
              QKeySequence(Qt::CTRL | Qt::Key_Slash), [this] { toggleStatusBar(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addAction(help, QStringLiteral("about"), QStringLiteral("About Tagmint"), {}, [this] {
        QMessageBox::about(this, QStringLiteral("About Tagmint"),
                           QStringLiteral("Tagmint %1\nAn editor for the tags of audio files.")
                               .arg(QCoreApplication::applicationVersion()));
    });
}

void TableMainWindow::buildTextMenus(QMenu* edit)
{
    using tagmint::table::TextTool;
    edit->addSeparator();
    QMenu* find = edit->addMenu(QStringLiteral("Find"));
    addAction(find, QStringLiteral("find"), QStringLiteral("Find..."), QKeySequence::Find,
              [this] { showFindBar(false); });
    addAction(find, QStringLiteral("findAndReplace"), QStringLiteral("Find and Replace..."),
              QKeySequence::Replace, [this] { showFindBar(true); });
    addAction(find, QStringLiteral("findNext"), QStringLiteral("Find Next"), {}, [this] { m_finder->findNext(); })
        ->setShortcuts({QKeySequence(Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::Key_G)});
    addAction(find, QStringLiteral("findPrevious"), QStringLiteral("Find Previous"), {},
              [this] { m_finder->findPrevious(); })
        ->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)});
    addAction(find, QStringLiteral("useSelectionForFind"), QStringLiteral("Use Selection for Find"),
              QKeySequence(Qt::CTRL | Qt::Key_E), [this] {
                  const QLineEdit* editor = m_view->cellEditor();
                  m_finder->useSelectionForFind(editor ? editor->selectedText() : QString());
              });
    find->addSeparator();
    addAction(find, QStringLiteral("replaceNext"), QStringLiteral("Replace"), {}, [this] { m_finder->replaceNext(); });
    addAction(find, QStringLiteral("replaceAll"), QStringLiteral("Replace All"), {}, [this] { m_finder->replaceAll(); });

    edit->addSeparator();
    QMenu* changeCase = edit->addMenu(QStringLiteral("Change Case"));
    m_actions.insert(QStringLiteral("changeCase"), changeCase->menuAction());
    const std::pair<const char*, int> cases[] = {
        {"Sentence case", tagmint::table::SentenceCase}, {"Capitalize", tagmint::table::CapitalizedCase},
        {"lower case", tagmint::table::LowerCase}, {"UPPER CASE", tagmint::table::UpperCase}};
    for (const auto& [title, mode] : cases) {
        QAction* item = changeCase->addAction(QString::fromLatin1(title));
        item->setData(mode);
        connect(item, &QAction::triggered, this, [this, mode = mode] {
            TextTool tool{TextTool::Kind::ChangeCase};
            tool.caseMode = mode;
            runTextTool(tool);
        });
    }
    QMenu* fixEncoding = edit->addMenu(QStringLiteral("Fix Encoding"));
    m_actions.insert(QStringLiteral("fixEncoding"), fixEncoding->menuAction());
    const char* script = nullptr;
    for (const tagmint::text::LegacyEncodingInfo& encoding : tagmint::text::legacyEncodings()) {
        if (script && qstrcmp(script, encoding.script) != 0)
            fixEncoding->addSeparator();
        script = encoding.script;
        QAction* item = fixEncoding->addAction(encoding.title());
        // The menu item's tag is our own encoding identifier.
        item->setData(int(encoding.id));
        connect(item, &QAction::triggered, this, [this, id = encoding.id] {
            TextTool tool{TextTool::Kind::FixEncoding};
            tool.encoding = id;
            runTextTool(tool);
        });
    }
    addAction(edit, QStringLiteral("removeExtraSpaces"), QStringLiteral("Remove Extra Spaces"), {},
              [this] { runTextTool(TextTool{TextTool::Kind::RemoveExtraSpaces}); });
    addAction(edit, QStringLiteral("removeExtraCharacters"), QStringLiteral("Remove Extra Characters"), {},
              [this] { runTextTool(TextTool{TextTool::Kind::RemoveExtraCharacters}); });
}

void TableMainWindow::updateActions()
{
    const bool sheet = showsSheet();
    const TableViewController& c = *m_controller;
    const auto set = [this](const char* name, bool enabled) {
        if (QAction* action = m_actions.value(QString::fromLatin1(name)))
            action->setEnabled(enabled);
    };
    set("open", c.isEnabled(Command::Open, sheet));
    set("openFolder", c.isEnabled(Command::Open, sheet));
    set("save", c.isEnabled(Command::Save, sheet));
    set("reload", c.isEnabled(Command::Reload, sheet));
    const bool text = activeTextField() != nullptr;
    set("editCell", c.isEnabled(Command::EditCell, sheet, text));
    set("replaceArtwork", c.isEnabled(Command::EditCell, sheet, text));
    set("selectAll", c.isEnabled(Command::SelectAll, sheet, text));
    set("copy", c.isEnabled(Command::Copy, sheet, text));
    set("paste", c.isEnabled(Command::Paste, sheet, text));
    set("clear", c.isEnabled(Command::Clear, sheet, text));
    set("revert", c.isEnabled(Command::Revert, sheet, text));
    set("removeRows", c.isEnabled(Command::RemoveRows, sheet, text));
    set("undo", c.isEnabled(Command::Undo, sheet, text));
    set("redo", c.isEnabled(Command::Redo, sheet, text));
    const QString undoName = text ? QString() : c.history().undoName();
    const QString redoName = text ? QString() : c.history().redoName();
    m_actions.value(QStringLiteral("undo"))
        ->setText(undoName.isEmpty() ? QStringLiteral("Undo") : QStringLiteral("Undo ") + undoName);
    m_actions.value(QStringLiteral("redo"))
        ->setText(redoName.isEmpty() ? QStringLiteral("Redo") : QStringLiteral("Redo ") + redoName);
    set("deselectAll", c.isEnabled(Command::Deselect, sheet));
    set("selectColumn", c.isEnabled(Command::SelectColumn, sheet));
    set("selectRow", c.isEnabled(Command::SelectRow, sheet));
    set("showInFolder", c.isEnabled(Command::ShowInFolder, sheet));
    const bool selection = !sheet && c.selection().hasSelection();
    for (const char* name : {"renameFiles", "loadTagsFromPaths", "loadTagsFromNetwork", "loadTags"})
        set(name, selection);
    const bool columns = c.isEnabled(Command::ColumnCommand, sheet);
    for (const char* name : {"autoSizeColumn", "autoFitColumn", "autoSizeAllColumns", "autoFitAllColumns",
                             "hideColumn", "hideOtherColumns", "showAllColumns"})
        set(name, columns);
    m_moveMenu->setEnabled(c.isEnabled(Command::MoveToWindow, sheet));
    for (const char* name : {"find", "findAndReplace"})
        set(name, c.isEnabled(Command::ShowFind, sheet));
    for (const char* name : {"findNext", "findPrevious", "useSelectionForFind", "replaceNext", "replaceAll"})
        set(name, c.isEnabled(Command::FindStep, sheet));
    for (const char* name : {"changeCase", "fixEncoding", "removeExtraSpaces", "removeExtraCharacters"})
        set(name, c.isEnabled(Command::TextTool, sheet));
}

void TableMainWindow::showCellMenu(const QPoint& position)
{
    std::unique_ptr<QMenu> menu(cellMenu());
    menu->exec(position);
    updateActions();
}

QMenu* TableMainWindow::cellMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("cellMenu"));
    updateActions();
    // The cells' menu shows the window's own actions, enabled as they are.
    const QMap<ColumnMenuCommand, QString> actions = {
        {ColumnMenuCommand::ShowInFolder, QStringLiteral("showInFolder")},
        {ColumnMenuCommand::Undo, QStringLiteral("undo")},
        {ColumnMenuCommand::Redo, QStringLiteral("redo")},
        {ColumnMenuCommand::Revert, QStringLiteral("revert")},
        {ColumnMenuCommand::Copy, QStringLiteral("copy")},
        {ColumnMenuCommand::Paste, QStringLiteral("paste")},
        {ColumnMenuCommand::Clear, QStringLiteral("clear")},
        {ColumnMenuCommand::RemoveRows, QStringLiteral("removeRows")},
        {ColumnMenuCommand::EditCell, QStringLiteral("editCell")},
        {ColumnMenuCommand::SelectAll, QStringLiteral("selectAll")},
        {ColumnMenuCommand::SelectColumn, QStringLiteral("selectColumn")},
        {ColumnMenuCommand::SelectRow, QStringLiteral("selectRow")},
    };
    for (const ColumnMenuItem& item : tagmint::table::menuForCells()) {
        if (QAction* action = m_actions.value(actions.value(item.command)))
            menu->addAction(action);
    }
    return menu;
}

// --- Edit commands -------------------------------------------------------------------

QLineEdit* TableMainWindow::activeTextField() const
{
    auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    return field && isAncestorOf(field) ? field : nullptr;
}

void TableMainWindow::copy()
{
    if (showsSheet())
        return;
    if (QLineEdit* field = activeTextField()) {
        field->copy();
        postNotification(tagmint::table::textFieldMessage(QStringLiteral("Copy"), QStringLiteral("copied")));
        return;
    }
    if (std::unique_ptr<QMimeData> mime = m_controller->copy())
        QGuiApplication::clipboard()->setMimeData(mime.release());
}

void TableMainWindow::paste()
{
    if (showsSheet())
        return;
    if (QLineEdit* field = activeTextField()) {
        field->paste();
        postNotification(tagmint::table::textFieldMessage(QStringLiteral("Paste"), QStringLiteral("updated")));
        return;
    }
    m_controller->paste(QGuiApplication::clipboard()->mimeData());
}

void TableMainWindow::clear()
{
    if (showsSheet())
        return;
    if (QLineEdit* field = activeTextField()) {
        field->del();
        postNotification(tagmint::table::textFieldMessage(QStringLiteral("Clear"), QStringLiteral("cleared")));
        return;
    }
    m_controller->clearSelectedContent();
}

void TableMainWindow::revert()
{
    if (showsSheet())
        return;
    if (QLineEdit* field = activeTextField()) {
        if (field->isUndoAvailable()) {
            field->undo();
            postNotification(
                tagmint::table::textFieldMessage(QStringLiteral("Revert"), QStringLiteral("reverted")));
        }
        return;
    }
    m_controller->revertSelectedContent();
}

void TableMainWindow::selectAll()
{
    if (showsSheet())
        return;
    if (QLineEdit* field = activeTextField()) {
        field->selectAll();
        postNotification(
            tagmint::table::textFieldMessage(QStringLiteral("Select All"), QStringLiteral("selected")));
        return;
    }
    m_controller->selectAllCommand();
}

void TableMainWindow::undo()
{
    if (showsSheet())
        return;
    if (QLineEdit* field = activeTextField())
        field->undo();
    else
        m_controller->undo();
}

void TableMainWindow::redo()
{
    if (showsSheet())
        return;
    if (QLineEdit* field = activeTextField())
        field->redo();
    else
        m_controller->redo();
}

void TableMainWindow::removeSelectedRows()
{
    if (showsSheet())
        return;
    m_view->endEditing();
    const RecordList records = m_controller->selectedRecords();
    if (records.isEmpty())
        return;
    switch (m_controller->removeRowsQuestion(records)) {
    case TableViewController::RemoveRowsQuestion::UnsavedChanges:
        askToSave(prompt_text::removeRowsTitle(), records,
                  [this, records] { m_controller->removeRows(records); });
        break;
    case TableViewController::RemoveRowsQuestion::Confirmation:
        removeRowsAfterConfirmation(records);
        break;
    case TableViewController::RemoveRowsQuestion::None:
        m_controller->removeRows(records);
        break;
    }
}

void TableMainWindow::removeRowsAfterConfirmation(const RecordList& records)
{
    auto* box = new QMessageBox(this);
    box->setObjectName(QStringLiteral("RemoveRowsPrompt"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Question);
    box->setWindowTitle(prompt_text::removeRowsTitle());
    box->setText(tagmint::table::removeRowsConfirmation());
    QPushButton* yes = box->addButton(prompt_text::yes(), QMessageBox::YesRole);
    QPushButton* no = box->addButton(prompt_text::no(), QMessageBox::NoRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    box->setCheckBox(new QCheckBox(QStringLiteral("Do not ask again"), box));
    m_messageSheet = box;
    connect(box, &QMessageBox::finished, this, [this, box, yes, records] {
        const bool agreed = box->clickedButton() == yes;
        if (box->checkBox()->isChecked())
            m_settings.setShowConfirmationBeforeRemovingRows(false);
        m_messageSheet = nullptr;
        updateActions();
        if (agreed)
            m_controller->removeRows(records);
    });
    box->open();
    updateActions();
}

void TableMainWindow::replaceArtwork()
{
    if (showsSheet())
        return;
    const auto open = [this] {
        QZTagLibTableSelection& selection = m_controller->selection();
        const int column = m_layout->indexOfColumn(QStringLiteral("image"));
        const int row = selection.activeRow();
        if (column < 1 || row < 0)
            return;
        selection.selectCell({QStringLiteral("image"), row, column});
        // Once the shown column has settled on the screen.
        QTimer::singleShot(300, this, [this] {
            QZTagLibTableSelection& current = m_controller->selection();
            const int at = m_layout->indexOfColumn(QStringLiteral("image"));
            if (at >= 1 && current.activeColumn() == at)
                current.beginEditingAtRow(current.activeRow(), at, nullptr);
        });
    };
    if (!m_layout->isVisible(QStringLiteral("image")))
        m_controller->toggleColumn(QStringLiteral("image"));
    open();
}

void TableMainWindow::showHeaderMenu(int column, const QPoint& position)
{
    std::unique_ptr<QMenu> menu(headerMenu(column));
    menu->exec(position);
}

QMenu* TableMainWindow::headerMenu(int column)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("headerMenu"));
    for (const ColumnMenuItem& item :
         tagmint::table::menuForColumnHeaderWithIndex(*m_layout, column, m_collection->shownCount())) {
        if (item.isSeparator()) {
            menu->addSeparator();
            continue;
        }
        QString text = item.title;
        if (item.shortcut.key != Qt::Key_unknown)
            text += QLatin1Char('\t')
                + QKeySequence(item.shortcut.modifiers | item.shortcut.key).toString(QKeySequence::NativeText);
        QAction* action = menu->addAction(text);
        action->setEnabled(item.enabled && !showsSheet());
        action->setCheckable(item.checkable);
        action->setChecked(item.checked);
        const int tag = item.tag;
        const QString identifier = item.identifier;
        TableViewController& c = *m_controller;
        switch (item.command) {
        case ColumnMenuCommand::AutoSizeColumn:
            connect(action, &QAction::triggered, this, [&c, tag] { c.autoSizeActiveColumn(tag); });
            break;
        case ColumnMenuCommand::AutoSizeAllColumns:
            connect(action, &QAction::triggered, this, [&c] { c.autoSizeAllColumns(); });
            break;
        case ColumnMenuCommand::ToggleColumn:
            connect(action, &QAction::triggered, this, [&c, identifier] { c.toggleColumn(identifier); });
            break;
        case ColumnMenuCommand::HideColumn:
            connect(action, &QAction::triggered, this, [&c, tag] { c.hideSelectedColumns(tag); });
            break;
        case ColumnMenuCommand::HideOtherColumns:
            connect(action, &QAction::triggered, this, [&c, tag] { c.hideOtherColumns(tag); });
            break;
        case ColumnMenuCommand::ShowAllColumns:
            connect(action, &QAction::triggered, this, [&c] { c.showAllColumns(); });
            break;
        default:
            break;
        }
    }
    return menu;
}

// --- State shown ---------------------------------------------------------------------

void TableMainWindow::postNotification(const StatusNotification& notification)
{
    if (notification.type == StatusNotification::Type::ContentChanged) {
        contentChanged();
        return;
    }
    m_statusBar->notify(notification);
}

void TableMainWindow::contentChanged()
{
    m_statusBar->updateRowCount(int(m_collection->totalCount()), int(m_collection->shownCount()),
                                m_collection->isDirtyArranged());
    refreshCaption();
    m_finder->updateNumberOfOccurrences();
    updateActions();
}

void TableMainWindow::refreshCaption()
{
    const std::optional<Caption> caption = m_collection->captionFolders();
    m_caption = tagmint::collection::windowTitle(TagmintApplication::applicationName(), caption,
                                                 m_collection->totalCount());
    // Qt shows the desktop's unsaved-changes mark in place of "[*]".
    setWindowTitle(m_caption + QStringLiteral("[*]"));
    setWindowModified(m_collection->isDirtyUnarranged());
    setWindowFilePath(caption ? caption->folder : QString());
}

void TableMainWindow::updatePlaceholder()
{
    const bool empty = m_collection->totalCount() == 0;
    QWidget* shown = empty ? static_cast<QWidget*>(m_placeholder) : m_tablePane;
    if (m_stack->currentWidget() != shown) {
        m_stack->setCurrentWidget(shown);
        if (empty)
            m_placeholder->setFocus();
        else
            m_view->setFocus();
    }
}

void TableMainWindow::panelChanged(const ProgressBoxModel& model)
{
    if (model.isClosed()) {
        if (m_progress) {
            m_progress->finish();
            m_progress->deleteLater();
            m_progress = nullptr;
        }
        updateActions();
        return;
    }
    if (!m_progress) {
        m_progress = new ProgressSheet(this, [this] {
            if (ProgressBoxModel* panel = m_operations->progressBox())
                panel->stopButton();
        });
        // Hangs from the top of the window like a sheet.
        const int top = menuBar()->isVisible() ? menuBar()->height() : 0;
        m_progress->move(mapToGlobal(QPoint((width() - ProgressSheet::kWidth) / 2, top)));
        m_progress->open();
        ++m_progressSheetsShown;
        updateActions();
    }
    m_progress->update(model);
    // The first progress report: the rows are on their way.
    if (!model.isIndeterminate())
        m_stack->setCurrentWidget(m_tablePane);
}

// --- Opening ------------------------------------------------------------------------------

CollectionOperations::Options TableMainWindow::options() const
{
    CollectionOperations::Options options;
    options.audioColumnsVisible = m_layout->hasVisibleAudioPropertyColumns();
    return options;
}

void TableMainWindow::loadFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    m_view->endEditing();
    m_controller->columnCommands().setUpdatesLocked(true);
    const bool started = m_operations->loadFiles(paths, options(), [this](const auto& outcome) {
        opened(outcome);
    });
    if (!started) {
        m_controller->columnCommands().setUpdatesLocked(false);
        QApplication::beep();
    }
}

void TableMainWindow::opened(const CollectionOperations::OpenOutcome& outcome)
{
    const IntakeResult& result = outcome.result;
    if (result.added + result.duplicates != 0) {
        // New rows must be seen, whatever the find text.
        if (result.added != 0 && m_collection->isFilterActive())
            m_finder->setFilterFromOutside(false);
        updatePlaceholder();
        refreshCaption();
        showFilledColumns(result.statistics);
        m_controller->recordsArrived(result.newRecords, outcome.hadRecordsBefore);
        if (result.added != 0) {
            QApplication::alert(this);
            if (m_settings.adjustColumnWidthsAtOpening())
                autoSizeSoon();
        }
    }
    if (outcome.report)
        showReport(*outcome.report);
    else
        postNotification(StatusNotification::clearMessage());
    updatePlaceholder();
    contentChanged();
    m_controller->columnCommands().setUpdatesLocked(false);
}

void TableMainWindow::autoSizeSoon()
{
    // A column per turn of the event loop: measuring a big table's texts
    // in one go would hold the window up. A newer run replaces this one.
    auto run = std::make_shared<AutoSizeRun>(
        m_controller->columnCommands().startAutoSizeAll(tagmint::table::AutoWidth::Size));
    m_autoSizeRun = run;
    QTimer::singleShot(100, this, [this, run] { autoSizeNextColumn(run); });
}

void TableMainWindow::autoSizeNextColumn(const std::shared_ptr<AutoSizeRun>& run)
{
    if (run != m_autoSizeRun)
        return;
    if (m_controller->autoSizeStep(*run))
        QTimer::singleShot(0, this, [this, run] { autoSizeNextColumn(run); });
    else
        m_autoSizeRun.reset();
}

void TableMainWindow::openPanel(OpenPanel::Choice choice)
{
    if (showsSheet())
        return;
    auto* panel = new OpenPanel(choice, this);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QDialog::accepted, this, [this, panel] { loadFiles(panel->selectedFiles()); });
    panel->open();
}

void TableMainWindow::openDroppedFiles(const QStringList& names)
{
    if (showsSheet())
        return;
    const QStringList paths = droppedFilesSupportedByTagRecord(names);
    if (paths.isEmpty()) {
        // Nothing usable was dropped: say so rather than ignore the drop.
        showReport(openResultReport(0, 0, 0, false, {}, false));
        return;
    }
    loadFiles(paths);
}

void TableMainWindow::showReport(const ResultReport& report)
{
    postNotification(report.notification());
    if (report.hasAlert())
        showAlert(report.title, report.alertText);
    else if (report.popup)
        m_statusBar->popupMessage();
}

void TableMainWindow::showAlert(const QString& title, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("AlertSheet"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    m_messageSheet = box;
    connect(box, &QMessageBox::finished, this, [this] { updateActions(); });
    box->open();
    updateActions();
}

void TableMainWindow::showFilledColumns(const PreprocessingStatistics& statistics)
{
    m_controller->showColumns(QStringList(statistics.filledKeys.cbegin(), statistics.filledKeys.cend()));
}

void TableMainWindow::showTagsChanged(const StatusNotification& message)
{
    postNotification(StatusNotification::resetPriority());
    postNotification(message);
    if (!m_settings.showConfirmationAfterTagsUpdate()) {
        m_statusBar->popupMessage();
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Information, message.title, message.message,
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("TagsChangedAlert"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setCheckBox(new QCheckBox(QStringLiteral("Do not show this message again"), box));
    m_messageSheet = box;
    connect(box, &QMessageBox::finished, this, [this, box] {
        if (box->checkBox()->isChecked())
            m_settings.setShowConfirmationAfterTagsUpdate(false);
        m_messageSheet = nullptr;
        updateActions();
    });
    box->open();
    updateActions();
}

void TableMainWindow::askOffline(const QString& title, const QString& text,
                                 std::function<void(tagmint::network::LoadTagsCommand::OfflineChoice)> reply)
{
    using Choice = tagmint::network::LoadTagsCommand::OfflineChoice;
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("OfflineSheet"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QPushButton* continueButton = box->addButton(QStringLiteral("Continue"), QMessageBox::AcceptRole);
    box->setEscapeButton(box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole));
    QPushButton* diagnose = box->addButton(QStringLiteral("Network Diagnostics..."), QMessageBox::HelpRole);
    box->setDefaultButton(continueButton);
    m_messageSheet = box;
    connect(box, &QMessageBox::finished, this, [this, box, continueButton, diagnose, reply = std::move(reply)] {
        const QAbstractButton* clicked = box->clickedButton();
        m_messageSheet = nullptr;
        updateActions();
        reply(clicked == continueButton ? Choice::Continue : clicked == diagnose ? Choice::Diagnose : Choice::Cancel);
    });
    box->open();
    updateActions();
}

void TableMainWindow::showNetworkDiagnostics()
{
    // The desktop's own network settings, where one of the known tools exists.
    for (const QStringList& tool : {QStringList{"nm-connection-editor"}, QStringList{"gnome-control-center", "network"},
                                    QStringList{"systemsettings", "kcm_networkmanagement"}}) {
        if (!QStandardPaths::findExecutable(tool.first()).isEmpty()
            && QProcess::startDetached(tool.first(), tool.mid(1)))
            return;
    }
    showAlert(QStringLiteral("Network Diagnostics"),
              QStringLiteral("No network settings tool was found. Check that the computer is connected "
                               "(cable or wireless) and that the MusicBrainz address in the \"Network\" section "
                               "of the settings file can be reached."));
}

// --- Text tools and find ------------------------------------------------------------------

void TableMainWindow::showFindBar(bool withReplace)
{
    if (showsSheet())
        return;
    m_finder->showBar(withReplace);
    m_findBar->focusFindField();
}

void TableMainWindow::askYesNo(const QString& title, const QString& text, std::function<void(bool)> reply)
{
    auto* box = new QMessageBox(QMessageBox::Question, title, text, QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("QuestionSheet"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QPushButton* yesButton = box->addButton(prompt_text::yes(), QMessageBox::YesRole);
    box->setEscapeButton(box->addButton(prompt_text::no(), QMessageBox::NoRole));
    box->setDefaultButton(yesButton);
    m_messageSheet = box;
    connect(box, &QMessageBox::finished, this, [this, box, yesButton, reply = std::move(reply)] {
        const bool yes = box->clickedButton() == yesButton;
        m_messageSheet = nullptr;
        updateActions();
        reply(yes);
    });
    box->open();
    updateActions();
}

void TableMainWindow::askToExtendSelection(std::function<void(tagmint::table::ExtendAnswer, bool)> reply)
{
    using tagmint::table::ExtendAnswer;
    auto* box = new QMessageBox(this);
    box->setObjectName(QStringLiteral("ExtendSelectionQuestion"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Question);
    box->setText(tagmint::table::extendSelectionQuestion());
    const QStringList titles = tagmint::table::extendSelectionButtons();
    QPushButton* yes = box->addButton(titles.at(0), QMessageBox::YesRole);
    QPushButton* no = box->addButton(titles.at(1), QMessageBox::NoRole);
    QPushButton* cancel = box->addButton(titles.at(2), QMessageBox::RejectRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(cancel);
    box->setCheckBox(new QCheckBox(QStringLiteral("Do not ask again"), box));
    m_messageSheet = box;
    connect(box, &QMessageBox::finished, this, [this, box, yes, no, reply = std::move(reply)] {
        const QAbstractButton* clicked = box->clickedButton();
        const ExtendAnswer answer = clicked == yes ? ExtendAnswer::Yes
                                  : clicked == no  ? ExtendAnswer::No
                                                   : ExtendAnswer::Cancel;
        m_messageSheet = nullptr;
        updateActions();
        reply(answer, box->checkBox()->isChecked());
    });
    box->open();
    updateActions();
}

void TableMainWindow::runTextTool(const tagmint::table::TextTool& tool)
{
    using namespace tagmint::table;
    if (showsSheet())
        return;
    m_view->endEditing();
    // What the run refused, for the report after it.
    auto outcome = std::make_shared<TextEditOutcome>();
    const QString verb = tool.verb();
    ApplyToSelectionCallbacks callbacks;
    callbacks.ask = [this](const ApplyToSelectionCallbacks::Reply& reply) { askToExtendSelection(reply); };
    callbacks.refreshAfterChanges = [this] {
        m_view->refreshVisibleCells();
        refreshCaption();
    };
    callbacks.showResult = [this, verb, outcome](int) {
        showTagsChanged(tagsChangedMessage(verb, *outcome));
    };
    const SelectionOperation operation = [this, tool, verb, outcome](const OperationRange& range,
                                                                     const std::function<void(int)>& completion) {
        m_controller->performChange(
            [&] {
                *outcome = transformRecords(m_collection->arrangedObjects(), range.columns, range.firstRow,
                                            range.lastRow, tool.transformation());
            },
            QZTagLibTableSelection::RefreshVisibleOnly, verb);
        contentChanged();
        completion(outcome->changes);
    };
    applyToSelection(m_controller->selection(), m_settings, 0, operation, std::move(callbacks));
}

// --- File names and tags from paths ----------------------------------------------------------

void TableMainWindow::renameFiles()
{
    if (showsSheet())
        return;
    QZTagLibTableSelection& selection = m_controller->selection();
    const int row = selection.activeRow() >= 0 ? selection.activeRow() : selection.selectedMinRow();
    if (row < 0)
        return;
    const QString filename = QStringLiteral("filename");
    m_view->endEditing();
    m_controller->showColumns({filename});
    const int column = m_controller->grid().columnWithIdentifier(filename);
    if (!selection.isCellSelectedAtRow(row, filename))
        selection.selectCellAtRow(row, column, false);
    if (m_controller->grid().isCellReadOnly(row, column))
        m_view->showReadOnlyExplanation(row, column);
    else
        m_view->showFileNameComposer(row, column, !m_settings.composeFileNamePopoverShown());
}

void TableMainWindow::loadTags(quint32 flags)
{
    if (showsSheet())
        return;
    m_view->endEditing();
    m_loadTags->run(flags);
}

// --- Saving, reloading, audio properties ---------------------------------------------------

void TableMainWindow::saveRecords(const RecordList& records, std::function<void(bool)> then)
{
    m_view->endEditing();
    const bool started = m_operations->save(
        records, options(), [this](const QString& path) { return askToUnlockFolder(path); },
        [this, then = std::move(then)](const CollectionOperations::SaveOutcome& outcome) {
            m_view->refreshVisibleCells();
            contentChanged();
            showReport(outcome.report);
            if (then)
                then(outcome.result.succeeded());
        });
    if (!started)
        QApplication::beep();
}

bool TableMainWindow::askToUnlockFolder(const QString& path)
{
    // The job's worker waits for the answer, so the question is modal here
    // and now; it stands above the progress sheet.
    QMessageBox box(this);
    box.setObjectName(QStringLiteral("UnlockPrompt"));
    box.setWindowModality(Qt::WindowModal);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(unlock_prompt::title());
    box.setText(unlock_prompt::text(path));
    QPushButton* unlock = box.addButton(unlock_prompt::unlock(), QMessageBox::AcceptRole);
    QPushButton* dontUnlock = box.addButton(unlock_prompt::dontUnlock(), QMessageBox::RejectRole);
    box.setDefaultButton(unlock);
    box.setEscapeButton(dontUnlock);
    const QPointer<QMessageBox> previous = m_messageSheet;
    m_messageSheet = &box;
    box.exec();
    m_messageSheet = previous;
    return box.clickedButton() == unlock;
}

void TableMainWindow::save()
{
    if (showsSheet())
        return;
    saveRecords(m_collection->arrangedObjects(), {});
}

void TableMainWindow::askToSave(const QString& title, const RecordList& records, std::function<void()> then)
{
    auto* box = new QMessageBox(this);
    box->setObjectName(QStringLiteral("SavePrompt"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(title);
    box->setText(prompt_text::unsavedChanges());
    QPushButton* saveButton = box->addButton(prompt_text::save(), QMessageBox::AcceptRole);
    QPushButton* dontSave = box->addButton(prompt_text::dontSave(), QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton(prompt_text::cancel(), QMessageBox::RejectRole);
    box->setDefaultButton(saveButton);
    box->setEscapeButton(cancel);
    m_messageSheet = box;
    connect(box, &QMessageBox::finished, this, [this, box, saveButton, dontSave, records, then] {
        QAbstractButton* clicked = box->clickedButton();
        m_messageSheet = nullptr;
        updateActions();
        if (clicked == saveButton) {
            saveRecords(records, [then](bool succeeded) {
                if (succeeded)
                    then();
            });
        } else if (clicked == dontSave) {
            then();
        }
    });
    box->open();
    updateActions();
}

void TableMainWindow::reload()
{
    if (showsSheet())
        return;
    m_view->endEditing();
    if (m_collection->isDirtyArranged())
        askToSave(prompt_text::reloadTitle(), m_collection->arrangedObjects(), [this] { reloadNow(); });
    else
        reloadNow();
}

void TableMainWindow::reloadNow()
{
    m_controller->columnCommands().setUpdatesLocked(true);
    const bool started = m_operations->reload(options(), [this](const CollectionOperations::ReloadOutcome& outcome) {
        refreshCaption();
        showFilledColumns(outcome.result.statistics);
        m_controller->recordsArrived({}, false);
        if (m_settings.adjustColumnWidthsAtOpening())
            autoSizeSoon();
        contentChanged();
        m_controller->columnCommands().setUpdatesLocked(false);
        if (outcome.report)
            showReport(*outcome.report);
    });
    if (!started) {
        m_controller->columnCommands().setUpdatesLocked(false);
        QApplication::beep();
    }
}

void TableMainWindow::loadAudioPropertiesThen(std::function<void()> then)
{
    const bool started = m_operations->loadAudioProperties(
        options(), [this, then = std::move(then)](const CollectionOperations::AudioPropertiesOutcome& outcome) {
            m_view->refreshVisibleCells();
            if (outcome.completed)
                then();
        });
    if (!started)
        QApplication::beep();
}

// --- Moving, showing ------------------------------------------------------------------------

void TableMainWindow::moveToWindow(TableMainWindow* target)
{
    if (showsSheet() || target == this)
        return;
    const RecordList selected = m_controller->selectedRecords();
    if (selected.isEmpty())
        return;
    TableMainWindow* destination = target ? target : m_application.newWindow();
    if (destination->showsSheet())
        return;
    MoveOutcome outcome;
    m_controller->performChange(
        [&] { outcome = moveRecords(*m_collection, selected, destination->collection()); },
        QZTagLibTableSelection::ReferenceTopLeft);
    destination->loadNewObjects(outcome.moved);
    refreshCaption();
    contentChanged();

    const MoveReports reports = moveReports(outcome, title(), destination->title());
    if (reports.source)
        postNotification(reports.source->notification());
    destination->postNotification(reports.target.notification());
    destination->raise();
    destination->activateWindow();
    if (outcome.sourceIsEmpty) {
        // Nothing is left to lose: no question.
        m_closing = true;
        close();
    }
}

void TableMainWindow::loadNewObjects(const RecordList& records)
{
    if (records.isEmpty())
        return;
    if (m_collection->isFilterActive())
        m_finder->setFilterFromOutside(false);
    m_collection->rearrangeObjects();
    updatePlaceholder();
    m_controller->recordsArrived(records, true);
    if (m_settings.adjustColumnWidthsAtOpening())
        autoSizeSoon();
    contentChanged();
}

void TableMainWindow::showInFolder()
{
    const QZTagLibTableSelection& selection = m_controller->selection();
    const QZTagLibRecord* record = m_controller->grid().recordAtRow(selection.activeRow());
    if (!record)
        return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(record->path()).absolutePath()));
}

void TableMainWindow::toggleStatusBar()
{
    const bool visible = !m_statusBar->isVisible();
    m_settings.setStatusBarVisible(visible);
    m_statusBar->setVisible(visible);
    m_actions.value(QStringLiteral("toggleStatusBar"))
        ->setText(visible ? QStringLiteral("Hide Status Bar") : QStringLiteral("Show Status Bar"));
}

// --- Closing ------------------------------------------------------------------------------

void TableMainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_closing) {
        if (showsSheet()) {
            event->ignore();
            return;
        }
        m_view->endEditing();
        const WindowCloseState::Decision decision =
            m_closeState.windowShouldClose(m_collection->isDirtyUnarranged(), m_settings);
        if (!decision.closeNow) {
            event->ignore();
            showClosePrompt(decision.prompt);
            return;
        }
    }
    m_closing = true;
    event->accept();
    emit closed(this);
}

void TableMainWindow::showClosePrompt(WindowCloseState::Prompt prompt)
{
    if (m_messageSheet) {
        m_messageSheet->raise();
        return;
    }
    if (prompt == WindowCloseState::Prompt::None)
        return;
    auto* box = new QMessageBox(this);
    box->setObjectName(QStringLiteral("ClosePrompt"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setWindowTitle(prompt_text::closeWindowTitle());
    m_messageSheet = box;

    if (prompt == WindowCloseState::Prompt::UnsavedChanges) {
        box->setIcon(QMessageBox::Warning);
        box->setText(prompt_text::unsavedChanges());
        QPushButton* saveButton = box->addButton(prompt_text::save(), QMessageBox::AcceptRole);
        QPushButton* dontSave = box->addButton(prompt_text::dontSave(), QMessageBox::DestructiveRole);
        QPushButton* cancel = box->addButton(prompt_text::cancel(), QMessageBox::RejectRole);
        box->setDefaultButton(saveButton);
        box->setEscapeButton(cancel);
        connect(box, &QMessageBox::finished, this, [this, box, saveButton, dontSave] {
            QAbstractButton* clicked = box->clickedButton();
            m_messageSheet = nullptr;
            updateActions();
            const auto answer = clicked == saveButton ? WindowCloseState::Answer::Save
                              : clicked == dontSave  ? WindowCloseState::Answer::DontSave
                                                     : WindowCloseState::Answer::Cancel;
            switch (m_closeState.unsavedChangesAnswered(answer)) {
            case WindowCloseState::Next::Close:
                close();
                break;
            case WindowCloseState::Next::SaveThenClose:
                saveRecords(m_collection->allObjects(), [this](bool succeeded) {
                    if (m_closeState.saveFinished(succeeded))
                        close();
                });
                break;
            case WindowCloseState::Next::KeepOpen:
                break;
            }
        });
    } else {
        box->setIcon(QMessageBox::Question);
        box->setText(prompt_text::closeConfirmation());
        QPushButton* yes = box->addButton(prompt_text::yes(), QMessageBox::YesRole);
        QPushButton* no = box->addButton(prompt_text::no(), QMessageBox::NoRole);
        box->setDefaultButton(yes);
        box->setEscapeButton(no);
        box->setCheckBox(new QCheckBox(QStringLiteral("Do not ask again"), box));
        connect(box, &QMessageBox::finished, this, [this, box, yes] {
            const bool agreed = box->clickedButton() == yes;
            const bool suppress = box->checkBox()->isChecked();
            m_messageSheet = nullptr;
            updateActions();
            if (m_closeState.closeConfirmationAnswered(agreed, suppress, m_settings))
                close();
        });
    }
    box->open();
    updateActions();
}
