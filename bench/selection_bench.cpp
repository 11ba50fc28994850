// The cell selection on a 50,000-row table with the default visible
// columns: select-all, 1,000 keyboard moves of the active cell (arrows,
// Shift+arrows, Tab, paging), the outline of one screen of cells, and
// following the active record through a re-sort of every row.
//
// Targets: select-all and a key move cost the same as on a small table;
// one key move stays well under 2 ms.

#include "table/QuietHost.h"
#include "table/QZTagLibTableSelection.h"
#include "table/SelectionGrid.h"
#include "table/SelectionInput.h"
#include "table/SelectionKeyboard.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 50000;
constexpr int kSelectAllRounds = 10000;
constexpr int kMoves = 1000;

class BenchGrid : public SelectionGrid {
public:
    BenchGrid()
        : columns{"num", "image", "title", "artist", "album", "genre", "comment", "filename", "path"}
    {
        for (int i = 0; i < kRows; ++i)
            records.push_back(std::make_shared<int>(i));
    }
    int rowCount() const override { return int(records.size()); }
    int columnCount() const override { return int(columns.size()); }
    QString columnIdentifier(int column) const override { return columns.value(column); }
    int columnWithIdentifier(const QString& id) const override { return int(columns.indexOf(id)); }
    bool isColumnReadOnly(int column) const override { return column == 0 || column == 8; }
    bool isRowEditable(int row) const override { return row >= 0 && row < rowCount(); }
    RowObject objectAtRow(int row) const override
    {
        return row >= 0 && row < rowCount() ? records[size_t(row)] : nullptr;
    }
    int rowOfObject(const RowObject& object) const override
    {
        const auto found = std::find(records.begin(), records.end(), object);
        return found == records.end() ? -1 : int(found - records.begin());
    }

    std::vector<std::shared_ptr<int>> records;
    QStringList columns;
};

double micros(qint64 nanoseconds) { return double(nanoseconds) / 1000.0; }

} // namespace

int main()
{
    BenchGrid grid;
    tagmint::test::QuietHost host;
    QZTagLibTableSelection selection(grid, host);
    int notifications = 0;
    selection.hooks.selectionDidChange = [&] { ++notifications; };
    selection.selectCellAtRow(kRows / 2, 3, false);

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kSelectAllRounds; ++i) {
        selection.selectAll();
        selection.deselectAllWithLeavingCurrentCell();
    }
    const qint64 selectAllNs = timer.nsecsElapsed();
    selection.selectAll();
    std::printf("select-all + deselect on %d rows: %.3f us per pair (%d pairs), all selected: %s\n",
                kRows, micros(selectAllNs) / kSelectAllRounds, kSelectAllRounds,
                selection.isAllSelected() ? "yes" : "no");

    const KeyPress keys[] = {
        {Qt::Key_Down, {}, {}, false},
        {Qt::Key_Right, {}, {}, false},
        {Qt::Key_Down, Qt::ShiftModifier, {}, false},
        {Qt::Key_Right, Qt::ShiftModifier, {}, false},
        {Qt::Key_Tab, {}, {}, false},
        {Qt::Key_PageDown, {}, {}, true},
        {Qt::Key_Up, Qt::ShiftModifier, {}, false},
        {Qt::Key_PageUp, Qt::ShiftModifier, {}, false},
        {Qt::Key_End, {}, {}, false},
        {Qt::Key_Home, Qt::ShiftModifier, {}, false},
    };
    selection.selectCellAtRow(kRows / 2, 2, false);
    qint64 slowest = 0;
    timer.restart();
    for (int i = 0; i < kMoves; ++i) {
        QElapsedTimer one;
        one.start();
        tagmint::table::handleKeyDown(selection, keys[i % std::size(keys)]);
        slowest = std::max(slowest, one.nsecsElapsed());
    }
    const qint64 movesNs = timer.nsecsElapsed();
    std::printf("%d key moves on %d rows: %.3f ms in all, %.3f us mean, %.3f us slowest\n", kMoves,
                kRows, double(movesNs) / 1e6, micros(movesNs) / kMoves, micros(slowest));

    // One screen of cells asking for their outline, with a large range.
    selection.setupSelectionSafeWithStartRow(100, 40000, 2, 6, 200, 3);
    timer.restart();
    int edges = 0;
    for (int row = 180; row < 220; ++row) {
        for (int column = 0; column < grid.columnCount(); ++column)
            edges += selection.cellState(row, column).edgeMask != 0;
    }
    std::printf("cell states of one screen (40 x %d cells): %.3f us (%d outlined)\n",
                grid.columnCount(), micros(timer.nsecsElapsed()), edges);

    selection.selectCellAtRow(123, 4, false);
    timer.restart();
    selection.performChange([&] { std::reverse(grid.records.begin(), grid.records.end()); },
                            QZTagLibTableSelection::NoHorizontalScroll);
    std::printf("performChange around a re-sort of %d rows: %.3f ms, active row now %d\n", kRows,
                double(timer.nsecsElapsed()) / 1e6, selection.activeRow());
    std::printf("(%d selection notifications)\n", notifications);
    return 0;
}
