#pragma once
// A grid widget stand-in for table logic tests and benchmarks: carries out
// nothing and counts what the selection asked for.

#include "table/SelectionHost.h"

#include <utility>

namespace tagmint::test {

class QuietHost : public SelectionHost {
public:
    void scrollRowToVisible(int) override {}
    void scrollColumnToVisible(int) override {}
    bool isCellFullyVisible(int, int) const override { return true; }
    bool hasCellView(int, int) const override { return true; }
    double visibleHeight() const override { return 400; }
    double rowHeight() const override { return 20; }
    bool editingInProgress() const override { return false; }
    void endEditing() override {}
    void discardEditing() override {}
    void beginEditing(int row, int column, const KeyPress*) override { editing = {row, column}; }
    void showReadOnlyExplanation(int row, int column) override { explained = {row, column}; }
    void showEditingIntroduction(int, int) override {}
    void beginArtworkEdit(int row, int column) override { artworkEdit = {row, column}; }
    void reloadData() override { ++reloads; }
    void refreshVisibleCells() override { ++refreshes; }
    void updateCellDrawing() override {}
    void makeFirstResponder() override { ++firstResponder; }
    void takeFocusFromOutside() override {}
    void beep() override { ++beeps; }

    std::pair<int, int> editing{-1, -1};
    std::pair<int, int> explained{-1, -1};
    std::pair<int, int> artworkEdit{-1, -1};
    int reloads = 0;
    int refreshes = 0;
    int beeps = 0;
    int firstResponder = 0;
};

} // namespace tagmint::test
