#pragma once
// What several benchmarks measure against: the plain TagLib loop that reads
// the fields a record reads, and the heap in use.

#include "table/SelectionHost.h"

#include <QString>
#include <QtGlobal>
#include <vector>

namespace tagmint::bench {

// Reads, straight from TagLib and keeping nothing, the fields a record
// loads from each MP3. Returns a checksum so the reads are not optimised away.
qint64 plainTagLibLoop(const std::vector<QString>& paths);

// Bytes the allocator has handed out and not got back.
qint64 heapInUseBytes();

// A grid widget that does nothing, so only the core's own work is timed.
class IdleHost : public SelectionHost {
public:
    void scrollRowToVisible(int) override {}
    void scrollColumnToVisible(int) override {}
    bool isCellFullyVisible(int, int) const override { return true; }
    bool hasCellView(int, int) const override { return true; }
    double visibleHeight() const override { return 800; }
    double rowHeight() const override { return 20; }
    bool editingInProgress() const override { return false; }
    void endEditing() override {}
    void discardEditing() override {}
    void beginEditing(int, int, const KeyPress*) override {}
    void showReadOnlyExplanation(int, int) override {}
    void showEditingIntroduction(int, int) override {}
    void beginArtworkEdit(int, int) override {}
    void reloadData() override {}
    void refreshVisibleCells() override {}
    void updateCellDrawing() override {}
    void makeFirstResponder() override {}
    void takeFocusFromOutside() override {}
    void beep() override {}
};

} // namespace tagmint::bench
