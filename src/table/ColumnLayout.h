#pragma once
// The columns a table window shows: their order, widths and visibility, kept
// in the settings store under one flat key per column and property, so the
// next window opens with the same layout. Column 0 is always the row-number
// column. The widget layer mirrors this model in its header.

#include "table/ColumnCatalog.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

class SettingsStore;

// The layout of one field column as stored.
struct QZTagLibTableColumnSetting {
    const ColumnDescription* column = nullptr;
    float width = 0;
    bool visible = false;
    // The position in the table when visible, else the default index.
    int index = 0;
};

class ColumnLayout {
public:
    enum class Filter { All, Searchable, Editable, EditableSearchable };

    // Builds the table from the stored layout; what is missing or damaged
    // takes the catalogue's default.
    explicit ColumnLayout(SettingsStore& store);
    ColumnLayout(const ColumnLayout&) = delete;
    ColumnLayout& operator=(const ColumnLayout&) = delete;

    // Called after every change of order, visibility or width.
    void setChangeCallback(std::function<void()> callback) { m_changed = std::move(callback); }

    // The narrowest width that shows a column's header whole (title, sort
    // indicator, the style's padding), measured by the widget layer. No
    // width goes below it, also where the catalogue's limits are narrower
    // than the desktop's font needs. Widths already set are raised at once.
    void setHeaderWidth(std::function<float(const ColumnDescription&)> measure);
    // A wanted width within the column's limits, raised to its header's.
    float clampedWidth(const ColumnDescription& column, float width) const;

    // --- The table ---------------------------------------------------------
    // Shown columns including the row numbers.
    int columnCount() const { return int(m_order.size()) + 1; }
    bool isValidIndex(int index) const { return index >= 0 && index < columnCount(); }
    // The index must be valid.
    const ColumnDescription& columnAt(int index) const;
    // "" for an index out of range.
    QString identifierAt(int index) const;
    QString titleOfColumnWithIndex(int index) const;
    // -1 for a hidden or unknown column.
    int indexOfColumn(const QString& identifier) const;
    // Columns 1 to columnCount() - 1, in display order.
    QStringList columnIdentifiers() const;
    // Shown columns passing the filter, in display order, row numbers excluded.
    QStringList columns(Filter filter) const;
    QStringList hiddenColumns() const;

    int numberOfVisibleSearchableColumns() const;
    bool hasVisibleAudioPropertyColumns() const;
    bool hasVisibleArtworkColumn() const;

    // --- Per column ----------------------------------------------------------
    // The field columns in catalogue order.
    const QList<QZTagLibTableColumnSetting>& settings() const { return m_settings; }
    // Null for the row numbers and unknown identifiers.
    const QZTagLibTableColumnSetting* setting(const QString& identifier) const;
    bool isVisible(const QString& identifier) const { return indexOfColumn(identifier) >= 0; }
    // The current width, also of a hidden column; 0 for an unknown one.
    float width(const QString& identifier) const;

    // --- Rules ---------------------------------------------------------------
    // The row numbers never go, and the last shown searchable column stays
    // so that find always has somewhere to look.
    bool canHideColumn(int index) const;
    bool canHideColumnsOthersThanColumns(const QStringList& identifiers) const;
    // Neither the row-number column nor its place can take part in a move.
    bool canMoveColumn(int from, int to) const;

    // --- Changes (each saves the layout when it changed something) ----------
    // Hides the given columns one after the other where canHideColumn allows;
    // answers those hidden.
    QStringList hideColumns(const QStringList& identifiers);
    // Shows the hidden ones among the given columns, each placed where the
    // default layout has it relative to the columns already shown; answers
    // those shown.
    QStringList showColumns(const QStringList& identifiers);
    // Display indexes; the column ends up at `to`.
    bool moveColumn(int from, int to);
    // Clamped to the column's limits; answers the width applied (0 for an
    // unknown column or the row numbers).
    float setWidth(const QString& identifier, float width);
    // Sets several widths and saves once; answers the widths applied.
    QList<std::pair<QString, float>> setWidths(const QList<std::pair<QString, float>>& widths);

    // Writes width, visibility and index of every column and syncs the file.
    void saveAndSyncColumnsConfiguration();

private:
    void load();
    QZTagLibTableColumnSetting* mutableSetting(const QString& identifier);
    // Puts a hidden column into the table without saving.
    bool insertColumn(const QString& identifier);
    int insertionPosition(const ColumnDescription& column) const;
    void changed();

    SettingsStore& m_store;
    QList<QZTagLibTableColumnSetting> m_settings;
    // Positions in m_settings of the shown columns, in display order; the
    // row-number column before them is implied.
    QList<int> m_order;
    std::function<void()> m_changed;
    std::function<float(const ColumnDescription&)> m_headerWidth;
};
