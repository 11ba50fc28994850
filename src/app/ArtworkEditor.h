#pragma once
// The artwork cell's edits in one window: the artwork panel (or the "Add
// Artwork" chooser when there is no picture), the file and folder choosers
// as window-modal sheets, and drops onto artwork cells. The core's
// ArtworkEditSession decides what comes next; this class only shows it.

#include "app/ArtworkPanel.h"
#include "collection/RecordList.h"
#include "table/ArtworkCommands.h"

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <functional>

class QMimeData;
class TableGridView;
class TableViewController;

class ArtworkEditor : public QObject {
    Q_OBJECT
public:
    // showsSheet: the window shows a sheet, and takes no drop now.
    ArtworkEditor(TableViewController& controller, TableGridView& view, QWidget* window,
                  std::function<bool()> showsSheet);

    // An edit of the artwork cell in that row begins.
    void begin(int row, int column);
    // Files or image data dropped onto the cell.
    void drop(int row, int column, const QMimeData* mime);

    // What is shown now, if anything (tests answer them).
    ArtworkPanel* panel() const { return m_panel; }
    QFileDialog* chooser() const { return m_chooser; }

private:
    void follow();
    void openPanel();
    void openChooser(bool folders);
    // The row of the edited record now; -1 when it left the table.
    int row() const;
    int column() const;

    TableViewController& m_controller;
    TableGridView& m_view;
    QWidget* m_window;
    std::function<bool()> m_showsSheet;
    tagmint::table::ArtworkEditSession m_session;
    RecordPtr m_record;
    QPointer<ArtworkPanel> m_panel;
    QPointer<QFileDialog> m_chooser;
};
