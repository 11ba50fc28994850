#include "table/TextFinderController.h"

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"
#include "settings/QZTagLibTableSettings.h"
#include "table/ColumnLayout.h"
#include "table/FindMessages.h"
#include "table/SelectionHost.h"
#include "table/TableViewController.h"
#include "table/TextCommands.h"

using namespace tagmint::table;
using find_text::Direction;

namespace {

// The scope's columns that are also among the given ones, in scope order.
SelectionScope restricted(SelectionScope scope, const QStringList& allowed)
{
    QStringList columns;
    for (const QString& column : scope.columns) {
        if (allowed.contains(column))
            columns.append(column);
    }
    scope.columns = columns;
    return scope;
}

} // namespace

TextFinderController::TextFinderController(TableViewController& table, QZTagLibTableSettings& settings)
    : m_table(table), m_settings(settings)
{
    m_findTextTimer.setSingleShot(true);
    m_findTextTimer.callOnTimeout([this] { applyPendingFindText(); });
    m_recountTimer.setSingleShot(true);
    m_recountTimer.callOnTimeout([this] { updateNumberOfOccurrences(); });
}

TextFinderController::~TextFinderController() = default;

void TextFinderController::notify(const StatusNotification& notification) const
{
    if (m_callbacks.notify)
        m_callbacks.notify(notification);
}

void TextFinderController::barChanged() const
{
    if (m_callbacks.barChanged)
        m_callbacks.barChanged();
}

// --- State -------------------------------------------------------------------------

FindOptions TextFinderController::options() const
{
    FindOptions options = FindOptions::load(m_settings);
    if (m_engine)
        options.filterEnabled = m_engine->options().filterEnabled;
    return options;
}

QString TextFinderController::countLabel() const
{
    return m_occurrences ? QString::number(m_occurrences->count) : QString();
}

bool TextFinderController::canStep() const
{
    return !m_findText.isEmpty() && m_occurrences && m_occurrences->count > 0;
}

bool TextFinderController::canReplace() const
{
    return canStep() && m_occurrences->replaceable;
}

// --- Scope -------------------------------------------------------------------------

SelectionScope TextFinderController::findScope() const
{
    return restricted(m_table.selection().operationScopeWholeTableIfSingle(true),
                      m_table.layout().columns(ColumnLayout::Filter::Searchable));
}

SelectionScope TextFinderController::replaceScope() const
{
    return restricted(m_table.selection().operationScopeWholeTableIfSingle(true),
                      m_table.layout().columns(ColumnLayout::Filter::EditableSearchable));
}

bool TextFinderController::inSelection() const
{
    return !m_table.selection().isSingleSelection();
}

std::optional<QZTagLibTableCellPath> TextFinderController::startingCell(const SelectionScope& scope) const
{
    if (scope.columns.isEmpty() || scope.firstRow < 0)
        return std::nullopt;
    const std::optional<QZTagLibTableCellPath>& active = m_table.selection().activeCell();
    if (active && active->row >= scope.firstRow && active->row <= scope.lastRow) {
        if (scope.columns.contains(active->identifier))
            return QZTagLibTableCellPath{active->identifier, active->row, -1};
        // The active cell's column is not searched: the first one that is,
        // in the same row.
        return QZTagLibTableCellPath{scope.columns.first(), active->row, -1};
    }
    return QZTagLibTableCellPath{scope.columns.first(), scope.firstRow, -1};
}

// --- Showing and closing ----------------------------------------------------------------

void TextFinderController::showBar(bool withReplace, bool announce)
{
    const bool wasVisible = isVisible();
    if (!m_engine) {
        m_engine = std::make_unique<QZTagLibRecordTextFinder>(m_table.collection(),
                                                              FindOptions::load(m_settings));
        m_engine->setReplacement(m_replacementText);
    }
    m_replaceShown = withReplace;
    if (announce) {
        notify(StatusNotification::resetPriority());
        notify(find_text::barShownMessage(withReplace));
    }
    barChanged();
    // Shown again: the text still in the field searches again.
    if (!wasVisible && !m_findText.isEmpty())
        applyFindText(m_findText);
}

void TextFinderController::closeBar()
{
    if (!m_engine)
        return;
    m_findTextTimer.stop();
    m_recountTimer.stop();
    m_findTextPending = false;
    changeRows([this] { m_engine->setQuery(QString(), {}); });
    m_engine.reset();
    m_occurrences.reset();
    m_replaceShown = false;
    SelectionHost& host = m_table.selection().host();
    host.refreshVisibleCells();
    host.makeFirstResponder();
    notify(StatusNotification::clearMessage());
    barChanged();
    if (m_callbacks.contentChanged)
        m_callbacks.contentChanged();
}

void TextFinderController::changeRows(const std::function<void()>& change)
{
    m_table.performChange(change, QZTagLibTableSelection::KeepFirstResponder
                                      | QZTagLibTableSelection::KeepWholeColumns);
}

// --- Find text and options ------------------------------------------------------------

void TextFinderController::findTextEdited(const QString& text)
{
    m_findText = text;
    m_findTextPending = true;
    m_findTextTimer.start(kFindTextDelayMs);
    barChanged();
}

void TextFinderController::applyPendingFindText()
{
    m_findTextTimer.stop();
    if (!m_findTextPending)
        return;
    m_findTextPending = false;
    applyFindText(m_findText);
}

void TextFinderController::applyFindText(const QString& text)
{
    if (!m_engine || m_engine->hasQuery(text))
        return;
    changeRows([this, &text] {
        m_engine->setQuery(text, m_table.layout().columns(ColumnLayout::Filter::Searchable));
    });
    if (m_callbacks.contentChanged)
        m_callbacks.contentChanged();
}

void TextFinderController::replacementTextEdited(const QString& text)
{
    m_replacementText = text;
    if (m_engine)
        m_engine->setReplacement(text);
}

void TextFinderController::replaceToggled(bool shown)
{
    m_replaceShown = shown;
    barChanged();
}

void TextFinderController::optionsChosen(const FindOptions& chosen)
{
    const FindOptions old = options();
    if (chosen == old)
        return;
    // Only what changed is stored: a filter switched off by opening files
    // is this window's matter, not a preference.
    if (chosen.caseSensitive != old.caseSensitive)
        m_settings.setCaseSensitiveSearch(chosen.caseSensitive);
    if (chosen.searchType != old.searchType)
        m_settings.setSearchType(int(chosen.searchType));
    if (chosen.filterEnabled != old.filterEnabled) {
        m_settings.setFilterEnabled(chosen.filterEnabled);
        notify(find_text::filterMessage(chosen.filterEnabled));
    }
    if (m_engine) {
        const QStringList columns = m_table.layout().columns(ColumnLayout::Filter::Searchable);
        if (m_engine->query().isEmpty()) {
            m_engine->setOptions(chosen, columns);
        } else {
            changeRows([&] { m_engine->setOptions(chosen, columns); });
            if (m_callbacks.contentChanged)
                m_callbacks.contentChanged();
        }
    }
    barChanged();
}

void TextFinderController::setFilterFromOutside(bool enabled)
{
    if (!m_engine || m_engine->options().filterEnabled == enabled)
        return;
    FindOptions changed = m_engine->options();
    changed.filterEnabled = enabled;
    changeRows([&] {
        m_engine->setOptions(changed, m_table.layout().columns(ColumnLayout::Filter::Searchable));
    });
    barChanged();
    if (m_callbacks.contentChanged)
        m_callbacks.contentChanged();
}

// --- Counting -------------------------------------------------------------------------------

void TextFinderController::updateNumberOfOccurrences()
{
    m_recountTimer.stop();
    const QZTagLibTableSelection& selection = m_table.selection();
    m_countedSingle = selection.isSingleSelection();
    m_countedRows = m_table.grid().rowCount();
    m_countedColumns = m_table.grid().columnCount();
    if (!m_engine || m_engine->query().isEmpty()) {
        m_occurrences.reset();
        barChanged();
        return;
    }
    m_occurrences = m_engine->countOccurrences(
        findScope(), m_table.layout().columns(ColumnLayout::Filter::EditableSearchable));
    notify(find_text::countMessage(m_occurrences->count, m_engine->query(), inSelection()));
    barChanged();
}

void TextFinderController::selectionChanged()
{
    if (!m_engine)
        return;
    if (m_table.selection().isSingleSelection() && m_countedSingle
        && m_table.grid().rowCount() == m_countedRows
        && m_table.grid().columnCount() == m_countedColumns)
        return;
    m_recountTimer.start(kRecountDelayMs);
}

// --- Stepping and replacing ---------------------------------------------------------------

void TextFinderController::revealFound()
{
    if (m_engine->lastFound())
        m_table.selection().selectCell(m_engine->lastFound()->cell);
    m_table.selection().host().refreshVisibleCells();
}

bool TextFinderController::step(bool forward)
{
    const Direction direction = forward ? Direction::Next : Direction::Previous;
    if (!m_engine)
        showBar(false);
    applyPendingFindText();
    const QString query = m_engine->query();
    if (query.isEmpty()) {
        notify(find_text::emptyQueryMessage(direction));
        return false;
    }
    const SelectionScope scope = findScope();
    const bool withinSelection = inSelection();
    const std::optional<QZTagLibTableCellPath> start = startingCell(scope);
    const bool found = start
        && (forward ? m_engine->findNext(*start, scope) : m_engine->findPrevious(*start, scope));
    notify(find_text::stepMessage(direction, query, found, withinSelection));
    if (found)
        revealFound();
    return found;
}

void TextFinderController::findNext() { step(true); }

void TextFinderController::findPrevious() { step(false); }

void TextFinderController::replaceNext()
{
    if (!m_engine)
        showBar(true);
    applyPendingFindText();
    const SelectionScope scope = replaceScope();
    const QString query = m_engine->query();
    if (scope.columns.isEmpty() || query.isEmpty()) {
        findNext();
        return;
    }
    const bool withinSelection = inSelection();
    const std::optional<QZTagLibTableCellPath> start = startingCell(scope);
    if (!start) {
        notify(find_text::replaceFindMessage(query, false, withinSelection));
        return;
    }
    TextEditOutcome outcome;
    bool replaced = false;
    m_table.performChange([&] { replaced = m_engine->replaceFound(*start, &outcome); },
                          QZTagLibTableSelection::KeepFirstResponder
                              | QZTagLibTableSelection::RefreshVisibleOnly,
                          replaceVerb());
    if (!outcome.refusals.isEmpty()) {
        // The occurrence stays found, so the reason can be looked at.
        notify(find_text::replaceRefusedMessage(outcome.refusals.first().message));
        revealFound();
        return;
    }
    const bool found = m_engine->findNext(*start, scope);
    notify(replaced ? find_text::replacedMessage(query, withinSelection)
                    : find_text::replaceFindMessage(query, found, withinSelection));
    revealFound();
    if (m_callbacks.contentChanged)
        m_callbacks.contentChanged();
}

void TextFinderController::replaceAll()
{
    if (!m_engine)
        showBar(true);
    applyPendingFindText();
    const SelectionScope scope = replaceScope();
    if (scope.columns.isEmpty() || m_engine->query().isEmpty()) {
        findNext();
        return;
    }
    TextEditOutcome outcome;
    m_table.performChange([&] { outcome = m_engine->replaceAll(scope); },
                          QZTagLibTableSelection::KeepFirstResponder
                              | QZTagLibTableSelection::RefreshVisibleOnly,
                          replaceAllVerb());
    m_table.selection().host().refreshVisibleCells();
    if (m_callbacks.contentChanged)
        m_callbacks.contentChanged();
    if (m_callbacks.showTagsChanged)
        m_callbacks.showTagsChanged(tagsChangedMessage(replaceAllVerb(), outcome));
}

void TextFinderController::useSelectionForFind(const QString& editorSelection)
{
    QString text = editorSelection;
    if (text.isEmpty()) {
        const std::optional<QZTagLibTableCellPath>& active = m_table.selection().activeCell();
        const QZTagLibRecord* record = active ? m_table.grid().recordAtRow(active->row) : nullptr;
        if (record)
            text = textValue(*record, active->identifier).value_or(QString());
    }
    if (text.isEmpty()) {
        notify(find_text::useSelectionNotFoundMessage());
        return;
    }
    m_findTextTimer.stop();
    m_findTextPending = false;
    m_findText = text;
    if (m_engine)
        applyFindText(text);
    else
        showBar(false);   // searches for the text in the field
    barChanged();
    // Let the message through the bar's own.
    notify(StatusNotification::resetPriority());
    notify(find_text::useSelectionMessage(text));
}

// --- Drawing --------------------------------------------------------------------------------

std::optional<QZTagLibRecordTextFinder::Highlight>
TextFinderController::highlight(int row, int column, const QString& text) const
{
    if (!m_engine || m_engine->query().isEmpty())
        return std::nullopt;
    return m_engine->highlight(text, row, m_table.grid().columnIdentifier(column));
}

std::optional<TextRange> TextFinderController::selectedRange(int row, int column, const QString& text) const
{
    if (!m_engine)
        return std::nullopt;
    return m_engine->selectedRange(text, row, m_table.grid().columnIdentifier(column));
}
