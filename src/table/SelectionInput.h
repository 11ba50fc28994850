#pragma once
// Keyboard and mouse input as the selection sees it: plain values the widget
// layer fills from QKeyEvent and QMouseEvent. Modifiers are Qt's: Ctrl plays
// the Mac's Command key, Alt its Option key, and Meta (the Super key) its
// Control key.

#include <QString>
#include <QtCore/qnamespace.h>

struct KeyPress {
    int key = 0;                       // a Qt::Key value
    Qt::KeyboardModifiers modifiers;
    QString text;                      // what the key types, if anything
    bool autoRepeat = false;
};

struct MouseClick {
    // The cell under the pointer. A row of rowCount() or more stands for a
    // point below the last row, a column of columnCount() or more for one
    // right of the last column; -1 for above or left of the grid.
    int row = -1;
    int column = -1;
    Qt::KeyboardModifiers modifiers;
    int clickCount = 1;
};

namespace tagmint::table {

inline bool hasCommand(Qt::KeyboardModifiers m) { return m.testFlag(Qt::ControlModifier); }
inline bool hasShift(Qt::KeyboardModifiers m) { return m.testFlag(Qt::ShiftModifier); }
// Option and Control (Alt and Meta) act alike in the column shortcuts.
inline bool hasOptionOrControl(Qt::KeyboardModifiers m)
{
    return m.testFlag(Qt::AltModifier) || m.testFlag(Qt::MetaModifier);
}

} // namespace tagmint::table
