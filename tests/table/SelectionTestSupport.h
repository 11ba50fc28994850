#pragma once
// A plain grid of numbered records and a host that records what the
// selection asked the widget to do.

#include "table/QZTagLibTableSelection.h"
#include "table/SelectionGrid.h"
#include "table/SelectionHost.h"
#include "table/SelectionInput.h"

#include "support/QtPrinters.h"

#include <QSet>
#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

class PlainGrid : public SelectionGrid {
public:
    PlainGrid(int rowCount, QStringList ids) : columns(std::move(ids))
    {
        for (int i = 0; i < rowCount; ++i)
            records.push_back(std::make_shared<int>(i));
    }
    int rowCount() const override { return int(records.size()); }
    int columnCount() const override { return int(columns.size()); }
    QString columnIdentifier(int column) const override { return columns.value(column); }
    int columnWithIdentifier(const QString& id) const override { return int(columns.indexOf(id)); }
    bool isColumnReadOnly(int column) const override { return column == 0 || columns.value(column) == "path"; }
    bool isRowEditable(int row) const override
    {
        return row >= 0 && row < rowCount() && !readOnlyRecords.contains(*records[size_t(row)]);
    }
    RowObject objectAtRow(int row) const override
    {
        return row >= 0 && row < rowCount() ? records[size_t(row)] : nullptr;
    }
    int rowOfObject(const RowObject& object) const override
    {
        const auto found = std::find(records.begin(), records.end(), object);
        return found == records.end() ? -1 : int(found - records.begin());
    }
    // The number the record at a row was made with.
    int recordAt(int row) const { return *records[size_t(row)]; }
    void removeRows(int first, int last) { records.erase(records.begin() + first, records.begin() + last + 1); }

    std::vector<std::shared_ptr<int>> records;
    QStringList columns;
    QSet<int> readOnlyRecords;
};

using Cell = std::pair<int, int>;
using Range = std::tuple<int, int, int, int>;
inline const Range kNoRange{-1, -1, -1, -1};

class RecordingHost : public SelectionHost {
public:
    void scrollRowToVisible(int row) override { scrolledRows.push_back(row); }
    void scrollColumnToVisible(int column) override { scrolledColumns.push_back(column); }
    bool isCellFullyVisible(int, int) const override { return fullyVisible; }
    bool hasCellView(int, int) const override { return cellViews; }
    double visibleHeight() const override { return height; }
    double rowHeight() const override { return 20; }
    bool editingInProgress() const override { return editing; }
    void endEditing() override { ++commits; editing = false; }
    void discardEditing() override { ++discards; editing = false; }
    void beginEditing(int row, int column, const KeyPress* event) override
    {
        edited = {row, column};
        editText = event ? event->text : QStringLiteral("<none>");
    }
    void showReadOnlyExplanation(int row, int column) override { readOnlyShown = {row, column}; }
    void showEditingIntroduction(int row, int column) override { introduced = {row, column}; }
    void beginArtworkEdit(int row, int column) override { artworkEdited = {row, column}; }
    void showFileNameComposer(int row, int column, bool introductionFirst) override
    {
        composed = {row, column};
        composerIntroduced = introductionFirst;
    }
    void reloadData() override { ++reloads; }
    void refreshVisibleCells() override { ++refreshes; }
    void updateCellDrawing() override { ++drawings; }
    void makeFirstResponder() override { ++firstResponder; }
    void takeFocusFromOutside() override { ++focusTaken; }
    void beep() override { ++beeps; }

    std::vector<int> scrolledRows, scrolledColumns;
    bool fullyVisible = true, cellViews = true, editing = false;
    double height = 220;
    int commits = 0, discards = 0, reloads = 0, refreshes = 0, drawings = 0, firstResponder = 0, focusTaken = 0, beeps = 0;
    Cell edited{-1, -1}, readOnlyShown{-1, -1}, introduced{-1, -1}, artworkEdited{-1, -1}, composed{-1, -1};
    bool composerIntroduced = false;
    QString editText;
};

// Ten rows; columns num, title, artist, album, year, path (read-only).
class SelectionTest : public ::testing::Test {
protected:
    PlainGrid grid{10, {"num", "title", "artist", "album", "year", "path"}};
    RecordingHost host;
    QZTagLibTableSelection selection{grid, host};
    int changes = 0;

    SelectionTest() { selection.hooks.selectionDidChange = [this] { ++changes; }; }

    Range range() const
    {
        return {selection.startRow(), selection.endRow(), selection.startColumn(), selection.endColumn()};
    }
    Cell active() const { return {selection.activeRow(), selection.activeColumn()}; }
    void select(Range r, Cell a)
    {
        const auto [r0, r1, c0, c1] = r;
        selection.setupSelectionSafeWithStartRow(r0, r1, c0, c1, a.first, a.second);
    }
};
