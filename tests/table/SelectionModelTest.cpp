// The selection's state through its public operations: queries, selecting,
// extending, clearing, re-clamping, and following records and columns
// through a change of the data.

#include "SelectionTestSupport.h"

#include <stdexcept>

using Flag = QZTagLibTableSelection::ChangeFlag;

namespace {

std::vector<Cell> enumerated(const QZTagLibTableSelection& selection, int limit = 100)
{
    std::vector<Cell> cells;
    selection.enumerateSelectedCellsUsingBlock([&](int row, int column) {
        cells.push_back({row, column});
        return int(cells.size()) < limit;
    });
    return cells;
}

} // namespace

TEST_F(SelectionTest, NothingOrALoneActiveCell)
{
    EXPECT_TRUE(selection.isSingleSelection());
    EXPECT_EQ(selection.currentRowShiftedTo(1), -1);

    selection.selectCellAtRow(3, 2, false);
    EXPECT_FALSE(selection.hasSelectedRange());
    EXPECT_TRUE(selection.isCellSelectedAtRow(3, QStringLiteral("artist")));
    EXPECT_EQ(enumerated(selection), (std::vector<Cell>{{3, 2}}));
    EXPECT_TRUE(selection.selectedRowsOfColumnWithIdentifier("title").isEmpty());
    EXPECT_EQ(selection.currentRowShiftedTo(100), 9);
    EXPECT_EQ(selection.currentColumnShiftedTo(-5), 1);

    // Found by identifier: it follows a column move; a hidden column leaves
    // nothing to enumerate.
    grid.columns.move(2, 4);
    EXPECT_TRUE(selection.isCellSelectedAtRow(3, 4));
    grid.columns.removeAt(4);
    EXPECT_TRUE(enumerated(selection).empty());
}

TEST_F(SelectionTest, RangeQueries)
{
    select({2, 4, 2, 3}, {3, 2});
    EXPECT_EQ(enumerated(selection),
              (std::vector<Cell>{{2, 2}, {2, 3}, {3, 2}, {3, 3}, {4, 2}, {4, 3}}));
    EXPECT_EQ(enumerated(selection, 3).size(), 3u);
    EXPECT_FALSE(selection.isSingleSelection());
    EXPECT_FALSE(selection.isFullRowSelected(3));
    EXPECT_EQ(selection.selectedColumnIdentifiers(), (QStringList{"artist", "album"}));
    EXPECT_EQ(selection.selectedRowsOfColumnWithIdentifier("album"), (RowSpan{2, 4}));
    const SelectionScope scope = selection.operationScopeWholeTableIfSingle(true);
    EXPECT_EQ(std::make_tuple(scope.columns.size(), scope.firstRow, scope.lastRow), std::make_tuple(2, 2, 4));

    select({1, 2, 4, 5}, {1, 5});
    EXPECT_EQ(selection.selectedColumnIdentifiersForWriting(), (QStringList{"year", ""}));
    EXPECT_TRUE(selection.hasEditableSelection());
    EXPECT_FALSE(selection.isCurrentCellEditable());
    grid.readOnlyRecords = {1, 2};
    EXPECT_FALSE(selection.hasEditableSelection());

    select({0, 9, 1, 5}, {0, 1});
    EXPECT_TRUE(selection.isAllSelected());
    EXPECT_TRUE(selection.isFullRowSelected(9));
}

TEST_F(SelectionTest, CellsOutlineTheSelection)
{
    select({2, 4, 2, 4}, {3, 3});
    const auto mask = [&](int row, int column) { return selection.cellState(row, column).edgeMask; };
    EXPECT_EQ(mask(2, 2), 0x1010);
    EXPECT_EQ(mask(4, 4), 0x0101);
    EXPECT_EQ(mask(3, 3), 0);
    EXPECT_TRUE(selection.cellState(3, 3).isActive);
    selection.selectCellAtRow(0, 1, false);
    EXPECT_EQ(mask(0, 1), 0x1111);
    EXPECT_EQ(mask(0, 0), 0);
}

TEST_F(SelectionTest, ClickingReplacesTheSelectionExceptOnTheActiveCell)
{
    select({2, 5, 1, 3}, {3, 2});
    host.editing = true;
    selection.selectCellAtRow(3, 2, false);
    EXPECT_EQ(range(), (Range{2, 5, 1, 3}));
    EXPECT_FALSE(host.editing);
    selection.selectCellAtRow(4, 2, false);
    EXPECT_EQ(range(), kNoRange);
    EXPECT_EQ(active(), (Cell{4, 2}));

    // Column 0 becomes 1; cells outside the grid are ignored.
    selection.selectCellAtRow(2, 0, false);
    for (const Cell& cell : {Cell{2, 6}, Cell{10, 2}, Cell{-1, 2}})
        selection.selectCellAtRow(cell.first, cell.second, false);
    EXPECT_EQ(active(), (Cell{2, 1}));
}

TEST_F(SelectionTest, ShiftGrowsTowardsTheTargetOrCutsTheFarEnd)
{
    select({2, 5, 2, 2}, {5, 2});
    selection.moveActiveCellByRows(-1, 0, true);
    EXPECT_EQ(range(), (Range{2, 4, 2, 2}));
    EXPECT_EQ(active(), (Cell{4, 2}));

    // With the active cell at the top, Shift+Down cuts the bottom.
    select({2, 5, 2, 2}, {2, 2});
    selection.moveActiveCellByRows(1, 0, true);
    EXPECT_EQ(range(), (Range{2, 3, 2, 2}));

    selection.deselectAll();
    selection.selectCellAtRow(2, 2, false);
    selection.moveActiveCellByRows(1, 0, true);
    EXPECT_EQ(range(), (Range{2, 3, 2, 2}));
    EXPECT_EQ(active(), (Cell{3, 2}));
    selection.moveActiveCellByRows(0, 2, true);
    selection.selectCellAtRow(0, 4, true);
    EXPECT_EQ(range(), (Range{0, 3, 2, 4}));

    const int before = changes;   // at the edge, Shift does nothing at all
    selection.moveActiveCellByRows(-1, 0, true);
    EXPECT_EQ(changes, before);
}

TEST_F(SelectionTest, RowNumberColumnSelectsWholeRowsKeepingTheActiveColumn)
{
    selection.selectCellAtRow(1, 3, false);
    host.scrolledColumns.clear();
    selection.selectFullRow(6, 0, false);
    EXPECT_EQ(range(), (Range{6, 6, 1, 5}));
    EXPECT_EQ(active(), (Cell{6, 3}));
    EXPECT_TRUE(host.scrolledColumns.empty());
    selection.selectFullRow(8, 0, true);
    EXPECT_EQ(range(), (Range{6, 8, 1, 5}));
}

TEST_F(SelectionTest, SafeSetupClampsIntoTheGrid)
{
    select({4, 2, 0, 0}, {9, 9});
    EXPECT_EQ(range(), (Range{4, 4, 1, 1}));
    EXPECT_EQ(active(), (Cell{4, 1}));
    select({-3, 40, 3, 99}, {0, 0});
    EXPECT_EQ(range(), (Range{0, 9, 3, 5}));
    EXPECT_EQ(active(), (Cell{0, 3}));
    EXPECT_EQ(changes, 2);   // one notification per operation

    PlainGrid onlyNumbers{4, {"num"}};
    QZTagLibTableSelection none{onlyNumbers, host};
    none.setupSelectionSafeWithStartRow(0, 3, 0, 0, 0, 0);
    none.selectAll();
    EXPECT_FALSE(none.hasSelection());
}

TEST_F(SelectionTest, WholeTableColumnsAndRows)
{
    selection.selectCellAtRow(4, 2, false);
    host.editing = true;
    selection.selectAll();
    EXPECT_EQ(host.commits, 1);
    EXPECT_TRUE(selection.isAllSelected());
    EXPECT_EQ(active(), (Cell{4, 2}));

    selection.selectAllColumnCellsFromIndex(4, 4);
    EXPECT_EQ(range(), (Range{0, 9, 4, 4}));
    EXPECT_EQ(active(), (Cell{4, 4}));
    EXPECT_EQ(host.scrolledColumns.back(), 4);
    selection.selectAllRowCellsFromIndex(6, 7);
    EXPECT_EQ(range(), (Range{6, 7, 1, 5}));
    EXPECT_EQ(active(), (Cell{6, 4}));

    selection.deselectAllWithLeavingCurrentCell();
    EXPECT_EQ(range(), kNoRange);
    EXPECT_TRUE(selection.isCellSelectedAtRow(6, 4));
    grid.records.clear();
    selection.selectAll();
    EXPECT_FALSE(selection.hasSelection());
}

TEST_F(SelectionTest, FoundCellMovesInsideTheRangeOrStandsAlone)
{
    select({0, 4, 1, 3}, {0, 1});
    host.fullyVisible = false;
    selection.selectCell({QStringLiteral("album"), 4, 99});
    EXPECT_EQ(range(), (Range{0, 4, 1, 3}));
    EXPECT_EQ(active(), (Cell{4, 3}));
    EXPECT_EQ(host.scrolledRows.back(), 4);

    selection.selectCell({QStringLiteral("year"), 6, 4});
    EXPECT_EQ(range(), kNoRange);
    EXPECT_EQ(active(), (Cell{6, 4}));
    for (const auto& missing : {QZTagLibTableCellPath{"", 1, 1}, QZTagLibTableCellPath{"num", 1, 0},
                                QZTagLibTableCellPath{"title", 10, 1}})
        selection.selectCell(missing);
    EXPECT_EQ(active(), (Cell{6, 4}));
}

TEST_F(SelectionTest, SyncFitsTheSelectionToWhatIsLeft)
{
    select({5, 9, 2, 5}, {9, 5});
    grid.removeRows(6, 9);
    grid.columns.removeLast();
    selection.syncSelectionWithLastSelectedCellAndUpdate();
    EXPECT_EQ(range(), (Range{5, 5, 2, 4}));
    EXPECT_EQ(active(), (Cell{5, 4}));

    selection.deselectAllWithLeavingCurrentCell();
    grid.columns.removeAt(4);
    selection.syncSelectionWithLastSelectedCellAndUpdate();
    EXPECT_EQ(range(), kNoRange);
    EXPECT_EQ(active(), (Cell{5, 3}));
}

TEST_F(SelectionTest, ChangeFollowsTheRecordAndItsColumn)
{
    select({2, 4, 1, 3}, {3, 2});
    host.editing = true;
    selection.performChange([&] { EXPECT_FALSE(host.editing); }, 0);
    EXPECT_EQ(range(), (Range{2, 4, 1, 3}));
    EXPECT_EQ(host.reloads, 1);
    EXPECT_EQ(host.firstResponder, 1);

    // A re-sort: the record went outside the range and stands alone.
    host.scrolledColumns.clear();
    selection.performChange([&] { std::reverse(grid.records.begin(), grid.records.end()); },
                            Flag::NoHorizontalScroll | Flag::RefreshVisibleOnly | Flag::KeepFirstResponder);
    EXPECT_EQ(range(), kNoRange);
    EXPECT_EQ(active(), (Cell{6, 2}));
    EXPECT_EQ(host.scrolledRows.back(), 6);
    EXPECT_TRUE(host.scrolledColumns.empty());
    EXPECT_EQ(host.refreshes, 1);
    EXPECT_EQ(host.firstResponder, 1);

    // Inside the range only the active cell moves.
    select({4, 5, 1, 3}, {4, 1});
    selection.performChange([&] { std::swap(grid.records[4], grid.records[5]); }, 0);
    EXPECT_EQ(range(), (Range{4, 5, 1, 3}));
    EXPECT_EQ(active(), (Cell{5, 1}));

    // Columns by identifier; a hidden one leaves the same index or the last.
    selection.selectCellAtRow(2, 3, false);
    selection.performChange([&] { grid.columns.move(3, 1); }, 0);
    EXPECT_EQ(selection.activeCell()->identifier, QStringLiteral("album"));
    EXPECT_EQ(active(), (Cell{2, 1}));
    selection.selectCellAtRow(2, 5, false);
    selection.performChange([&] { grid.columns.removeAt(5); }, 0);
    EXPECT_EQ(active(), (Cell{2, 4}));
}

TEST_F(SelectionTest, ChangeThatRemovesTheRecordSelectsTheSameRowOrTheLast)
{
    select({3, 5, 2, 4}, {5, 3});
    selection.performChange([&] { grid.removeRows(3, 5); }, 0);
    EXPECT_EQ(range(), kNoRange);
    EXPECT_EQ(active(), (Cell{5, 3}));
    selection.performChange([&] { grid.removeRows(3, 6); }, 0);
    EXPECT_EQ(active(), (Cell{2, 3}));
    selection.performChange([&] { grid.records.clear(); }, 0);
    EXPECT_FALSE(selection.hasSelection());
}

TEST_F(SelectionTest, ChangeWithTheTopLeftReferenceOrNothingSelected)
{
    select({3, 5, 2, 4}, {5, 3});
    selection.performChange([&] { grid.removeRows(3, 5); }, Flag::ReferenceTopLeft);
    EXPECT_EQ(active(), (Cell{3, 2}));
    EXPECT_EQ(grid.recordAt(3), 6);

    // Nothing selected afterwards: the top row in the reference's column.
    selection.performChange([&] { selection.deselectAllNoUpdate(); }, 0);
    EXPECT_EQ(active(), (Cell{0, 2}));
    selection.deselectAll();
    selection.performChange([] {}, 0);
    EXPECT_EQ(active(), (Cell{0, 1}));
}

TEST_F(SelectionTest, ChangeKeepsWholeColumnsWholeWhenAsked)
{
    selection.selectCellAtRow(6, 2, false);
    selection.selectAllColumnCellsFromIndex(2, 3);
    selection.performChange([&] { grid.removeRows(7, 9); }, Flag::KeepWholeColumns);
    EXPECT_EQ(range(), (Range{0, 6, 2, 3}));
    selection.performChange([&] { grid.records.push_back(std::make_shared<int>(20)); },
                            Flag::KeepWholeColumns);
    EXPECT_EQ(range(), (Range{0, 7, 2, 3}));

    // Without the flag the range is cut to the rows that are left.
    selection.performChange([&] { grid.removeRows(0, 3); }, 0);
    EXPECT_EQ(range(), (Range{0, 3, 2, 3}));
    EXPECT_EQ(active(), (Cell{2, 2}));
}

TEST_F(SelectionTest, ThrowingChangeStillPlacesTheSelectionAndNotifiesOnce)
{
    selection.selectCellAtRow(8, 1, false);
    const int before = changes;
    selection.performChange([&] {
        grid.removeRows(5, 9);
        throw std::runtime_error("half done");
    }, 0);
    EXPECT_EQ(active(), (Cell{4, 1}));
    EXPECT_EQ(changes, before + 1);
}
