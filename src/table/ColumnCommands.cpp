#include "table/ColumnCommands.h"

#include <algorithm>

using tagmint::table::AutoWidth;

namespace {

constexpr unsigned kTitleSubject = StatusNotification::KeepSubjectCase;

} // namespace

ColumnSpan ColumnCommands::columnRange(const ColumnSelection& selection, int menuColumn) const
{
    // The row-number column is never a command's column.
    if (menuColumn >= 1 && menuColumn < m_layout.columnCount()
        && !selection.columns.contains(menuColumn))
        return {menuColumn, menuColumn};
    ColumnSpan range = selection.columns;
    if (range.isEmpty())
        return {};
    range.first = std::max(range.first, 1);
    range.last = std::min(range.last, m_layout.columnCount() - 1);
    return range.isEmpty() ? ColumnSpan{} : range;
}

// --- Widths --------------------------------------------------------------

bool ColumnCommands::autoSizeColumnWithIdentifier(const QString& identifier, AutoWidth type,
                                                  const ColumnContent& content)
{
    const ColumnDescription* column = tagmint::table::columnDescription(identifier);
    if (!column || column->isRowNumber())
        return false;
    const float width = tagmint::table::autoWidthOfColumn(*column, type, content);
    if (width < tagmint::table::kMinimumAutoWidth)
        return false;
    m_layout.setWidth(identifier, width);
    return true;
}

ColumnCommandResult ColumnCommands::autoSizeRange(ColumnSpan range, AutoWidth type,
                                                  const ColumnContent& content,
                                                  const ColumnSelection& selection)
{
    ColumnCommandResult result;
    if (range.isEmpty())
        return result;

    const QString verb = type == AutoWidth::Fit ? QStringLiteral("Auto Fit Column")
                                                : QStringLiteral("Auto Size Column");
    QList<std::pair<QString, float>> widths;
    QString lastChanged;
    QString lastFailed;
    for (int index = range.first; index <= range.last; ++index) {
        const ColumnDescription& column = m_layout.columnAt(index);
        const float width = tagmint::table::autoWidthOfColumn(column, type, content);
        if (width < tagmint::table::kMinimumAutoWidth) {
            lastFailed = column.title;
            continue;
        }
        widths.append({column.identifier, width});
        lastChanged = column.title;
        if (index == selection.activeColumn)
            result.revealActiveCell = true;
    }
    m_layout.setWidths(widths);

    const qsizetype changed = widths.size();
    if (changed == 0) {
        result.notification = StatusNotification::makeMessage(
            verb, lastFailed,
            QStringLiteral("The width of column '%1' could not be changed.").arg(lastFailed),
            StatusNotification::kDefaultPriority, kTitleSubject);
    } else if (changed == 1) {
        result.notification = StatusNotification::makeMessage(
            verb, lastChanged,
            QStringLiteral("The width of column '%1' was changed.").arg(lastChanged),
            StatusNotification::kDefaultPriority, kTitleSubject);
    } else {
        result.notification = StatusNotification::makeMessage(
            verb, QStringLiteral("%1 columns").arg(changed),
            QStringLiteral("The width of %1 columns was changed.").arg(changed));
    }
    return result;
}

ColumnCommandResult ColumnCommands::autoSizeActiveColumn(const ColumnSelection& selection,
                                                         const ColumnContent& content,
                                                         int menuColumn)
{
    return autoSizeRange(columnRange(selection, menuColumn), AutoWidth::Size, content, selection);
}

ColumnCommandResult ColumnCommands::autoFitActiveColumn(const ColumnSelection& selection,
                                                        const ColumnContent& content,
                                                        int menuColumn)
{
    return autoSizeRange(columnRange(selection, menuColumn), AutoWidth::Fit, content, selection);
}

ColumnCommandResult ColumnCommands::autoSizeColumnAtDivider(int column,
                                                            const ColumnSelection& selection,
                                                            const ColumnContent& content)
{
    if (column < 1 || column >= m_layout.columnCount())
        return {};
    return autoSizeRange(columnRange(selection, column), AutoWidth::Size, content, selection);
}

AutoSizeRun ColumnCommands::startAutoSizeAll(AutoWidth type) const
{
    return AutoSizeRun{type, m_layout.columnIdentifiers(), 0, {}};
}

bool ColumnCommands::autoSizeStep(AutoSizeRun& run, const ColumnContent& content)
{
    if (run.next >= run.identifiers.size())
        return false;
    const QString& identifier = run.identifiers.at(run.next++);
    // A column hidden since the run started is left alone.
    if (m_layout.isVisible(identifier)) {
        const float width = tagmint::table::autoWidthOfColumn(
            *tagmint::table::columnDescription(identifier), run.type, content);
        if (width >= tagmint::table::kMinimumAutoWidth)
            run.widths.append({identifier, width});
    }
    if (run.next < run.identifiers.size())
        return true;
    m_layout.setWidths(run.widths);
    return false;
}

ColumnCommandResult ColumnCommands::autoSizeAll(AutoWidth type, const ColumnContent& content,
                                                bool withMessage)
{
    AutoSizeRun run = startAutoSizeAll(type);
    while (autoSizeStep(run, content)) {
    }

    ColumnCommandResult result;
    if (withMessage && !run.widths.isEmpty()) {
        result.notification = StatusNotification::makeMessage(
            type == AutoWidth::Fit ? QStringLiteral("Auto Fit All Columns")
                                   : QStringLiteral("Auto Size All Columns"),
            QString(), QStringLiteral("The widths of all columns were adjusted."));
    }
    return result;
}

ColumnCommandResult ColumnCommands::autoSizeAllColumns(const ColumnContent& content)
{
    return autoSizeAll(AutoWidth::Size, content, true);
}

ColumnCommandResult ColumnCommands::autoFitAllColumns(const ColumnContent& content)
{
    return autoSizeAll(AutoWidth::Fit, content, true);
}

void ColumnCommands::autoSizeAllColumnsNoMessage(const ColumnContent& content)
{
    autoSizeAll(AutoWidth::Size, content, false);
}

// --- Visibility ----------------------------------------------------------

ColumnCommandResult ColumnCommands::cannotHide(const QString& title)
{
    ColumnCommandResult result;
    result.beep = true;
    result.notification = StatusNotification::makeMessage(
        QStringLiteral("Hide Column"), QStringLiteral("cannot hide column '%1'").arg(title),
        QStringLiteral("Cannot hide column '%1'.").arg(title));
    return result;
}

ColumnCommandResult ColumnCommands::hideSelectedColumns(const ColumnSelection& selection,
                                                        int menuColumn)
{
    const ColumnSpan range = columnRange(selection, menuColumn);
    if (range.isEmpty())
        return {};
    QStringList identifiers;
    for (int index = range.first; index <= range.last; ++index)
        identifiers.append(m_layout.identifierAt(index));

    const QStringList hidden = m_layout.hideColumns(identifiers);
    if (hidden.isEmpty()) {
        // Only the last shown searchable column refuses, and every other
        // column would have gone: the range is that one column.
        return cannotHide(tagmint::table::columnDescription(identifiers.last())->title);
    }

    ColumnCommandResult result;
    if (hidden.size() == 1) {
        const QString title = tagmint::table::columnDescription(hidden.first())->title;
        result.notification = StatusNotification::makeMessage(
            QStringLiteral("Hide Column"), title,
            QStringLiteral("The column '%1' is hidden.").arg(title),
            StatusNotification::kDefaultPriority, kTitleSubject);
    } else {
        result.notification = StatusNotification::makeMessage(
            QStringLiteral("Hide Column"), QStringLiteral("%1 columns").arg(hidden.size()),
            QStringLiteral("%1 columns are hidden").arg(hidden.size()));
    }
    return result;
}

ColumnCommandResult ColumnCommands::hideOtherColumns(const ColumnSelection& selection,
                                                     int menuColumn)
{
    const ColumnSpan range = columnRange(selection, menuColumn);
    if (range.isEmpty())
        return {};
    QStringList kept;
    for (int index = range.first; index <= range.last; ++index)
        kept.append(m_layout.identifierAt(index));

    ColumnCommandResult result;
    if (!m_layout.canHideColumnsOthersThanColumns(kept)) {
        result.notification = StatusNotification::makeMessage(
            QStringLiteral("Column"), QStringLiteral("cannot hide other columns"),
            QStringLiteral("Cannot hide other columns."));
        return result;
    }

    const QString activeIdentifier = m_layout.identifierAt(selection.activeColumn);
    QStringList others = m_layout.columnIdentifiers();
    others.removeIf([&kept](const QString& identifier) { return kept.contains(identifier); });
    m_layout.hideColumns(others);

    const int visible = m_layout.columnCount() - 1;
    result.columnsToSelect = ColumnSpan{1, visible};
    const int active = m_layout.indexOfColumn(activeIdentifier);
    result.activeColumn = active >= 1 ? active : 1;
    if (visible == 1) {
        const QString title = m_layout.titleOfColumnWithIndex(1);
        result.notification = StatusNotification::makeMessage(
            QStringLiteral("Column"), QStringLiteral("'%1' is visible").arg(title),
            QStringLiteral("The column '%1' is visible.").arg(title),
            StatusNotification::kDefaultPriority, kTitleSubject);
    } else {
        result.notification = StatusNotification::makeMessage(
            QStringLiteral("Column"), QStringLiteral("%1 columns are visible").arg(visible),
            QStringLiteral("%1 columns are visible.").arg(visible));
    }
    return result;
}

ColumnCommandResult ColumnCommands::showAllColumns()
{
    m_layout.showColumns(m_layout.hiddenColumns());
    ColumnCommandResult result;
    result.notification = StatusNotification::makeMessage(
        QStringLiteral("Show All Columns"), QString(), QStringLiteral("All columns are visible."));
    return result;
}

ColumnCommandResult ColumnCommands::toggleColumn(const QString& identifier)
{
    const ColumnDescription* column = tagmint::table::columnDescription(identifier);
    if (!column || column->isRowNumber())
        return {};

    ColumnCommandResult result;
    const bool hide = m_layout.isVisible(identifier);
    if (hide) {
        if (m_layout.hideColumns({identifier}).isEmpty())
            return cannotHide(column->title);
    } else {
        m_layout.showColumns({identifier});
        result.columnToReveal = identifier;
    }
    result.notification = StatusNotification::makeMessage(
        hide ? QStringLiteral("Hide Column") : QStringLiteral("Show Column"), column->title,
        QStringLiteral("The column '%1' is %2.")
            .arg(column->title, hide ? QStringLiteral("hidden") : QStringLiteral("visible")),
        StatusNotification::kDefaultPriority, kTitleSubject);
    return result;
}

bool ColumnCommands::showingNeedsAudioProperties(const QStringList& identifiers) const
{
    for (const QString& identifier : identifiers) {
        const ColumnDescription* column = tagmint::table::columnDescription(identifier);
        if (column && column->isAudioProperty && !m_layout.isVisible(identifier))
            return true;
    }
    return false;
}

// --- The user in the header ----------------------------------------------

ColumnCommands::MoveOutcome ColumnCommands::columnDidMove(int from, int to,
                                                          const ColumnSelection& selection)
{
    if (m_updatesLocked || !m_layout.moveColumn(from, to))
        return {};
    return {true, selection.columns.contains(from)};
}

void ColumnCommands::columnDidResize(int column, float width, const ColumnSelection& selection)
{
    if (column < 1 || column >= m_layout.columnCount())
        return;
    const ColumnSpan range = columnRange(selection);
    if (!range.contains(column)) {
        m_layout.setWidth(m_layout.identifierAt(column), width);
        return;
    }
    QList<std::pair<QString, float>> widths;
    for (int index = range.first; index <= range.last; ++index)
        widths.append({m_layout.identifierAt(index), width});
    m_layout.setWidths(widths);
}

SortDescriptors ColumnCommands::sortDescriptorsAfterHeaderClick(const SortDescriptors& current,
                                                                int column) const
{
    const std::optional<SortDescriptor> clicked =
        tagmint::table::sortDescriptorForColumn(m_layout.identifierAt(column));
    if (!clicked)
        return current;
    SortDescriptor first = *clicked;
    if (!current.isEmpty() && current.first().key == first.key)
        first.ascending = !current.first().ascending;
    SortDescriptors result{first};
    for (const SortDescriptor& descriptor : current) {
        if (descriptor.key != first.key)
            result.append(descriptor);
    }
    return result;
}
