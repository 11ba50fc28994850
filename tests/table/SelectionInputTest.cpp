// Keys and mouse: the grid's key table, the table view's key hook, presses,
// drags, double and right clicks, header dividers.

#include "SelectionTestSupport.h"

#include "settings/QZTagLibTableSettings.h"
#include "table/SelectionKeyboard.h"
#include "table/SelectionMouse.h"

#include <QTemporaryDir>

using namespace tagmint::table;

namespace {

KeyPress key(int code, Qt::KeyboardModifiers modifiers = {}, QString text = {}, bool repeat = false)
{
    return KeyPress{code, modifiers, std::move(text), repeat};
}

bool press(QZTagLibTableSelection& selection, int code, Qt::KeyboardModifiers modifiers = {},
           QString text = {}, bool repeat = false)
{
    return handleKeyDown(selection, key(code, modifiers, std::move(text), repeat));
}

MouseClick click(int row, int column, Qt::KeyboardModifiers modifiers = {}, int count = 1)
{
    return MouseClick{row, column, modifiers, count};
}

} // namespace

TEST_F(SelectionTest, ArrowsHomeEndAndPaging)
{
    selection.selectCellAtRow(5, 2, false);
    press(selection, Qt::Key_Up, Qt::ShiftModifier);
    press(selection, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(range(), (Range{4, 5, 2, 5}));
    press(selection, Qt::Key_Home);
    EXPECT_EQ(range(), kNoRange);
    EXPECT_EQ(active(), (Cell{4, 1}));
    EXPECT_EQ(host.scrolledColumns.back(), 0);

    EXPECT_EQ(pageRows(100, 0), 4);
    for (int i = 10; i < 100; ++i)
        grid.records.push_back(std::make_shared<int>(i));
    host.height = 120;   // 5 rows a page
    selection.selectCellAtRow(0, 1, false);
    press(selection, Qt::Key_PageDown);
    EXPECT_EQ(active(), (Cell{5, 1}));
    press(selection, Qt::Key_PageDown, {}, {}, true);
    EXPECT_EQ(active(), (Cell{15, 1}));
    press(selection, Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(range(), (Range{10, 15, 1, 1}));
}

TEST_F(SelectionTest, TabWrapsBetweenRowsButNotPastTheEnds)
{
    selection.selectCellAtRow(0, 5, false);
    press(selection, Qt::Key_Tab);
    EXPECT_EQ(active(), (Cell{1, 1}));
    press(selection, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(active(), (Cell{0, 5}));
    press(selection, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(active(), (Cell{0, 4}));

    selection.selectCellAtRow(0, 1, false);
    press(selection, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(active(), (Cell{0, 1}));
    selection.selectCellAtRow(9, 5, false);
    press(selection, Qt::Key_Tab);
    EXPECT_EQ(active(), (Cell{9, 5}));
}

TEST_F(SelectionTest, TypingAndReturnStartEditing)
{
    EXPECT_TRUE(press(selection, Qt::Key_Return));
    EXPECT_EQ(host.beeps, 1);

    selection.selectCellAtRow(2, 3, false);
    press(selection, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(host.edited, (Cell{2, 3}));
    press(selection, Qt::Key_Eacute, Qt::ShiftModifier, QStringLiteral("\u00c9"));
    EXPECT_EQ(host.editText, QStringLiteral("\u00c9"));
    press(selection, Qt::Key_B, Qt::MetaModifier, QStringLiteral("b"));
    EXPECT_EQ(host.beeps, 2);
    EXPECT_FALSE(press(selection, Qt::Key_F5));
    EXPECT_FALSE(press(selection, Qt::Key_C, Qt::ControlModifier, QStringLiteral("\x03")));
    EXPECT_TRUE(startsEditing(QStringLiteral("\" 9")));
    EXPECT_FALSE(startsEditing(QStringLiteral("\t")));
}

TEST_F(SelectionTest, EditingExplainsReadOnlyCellsAndIntroducesItselfOnce)
{
    QTemporaryDir folder;
    SettingsStore store(folder.filePath(QStringLiteral("tagmint.conf")));
    QZTagLibTableSettings settings(store);
    QZTagLibTableSelection withSettings{grid, host, &settings};

    withSettings.selectCellAtRow(1, 5, false);
    press(withSettings, Qt::Key_Return);
    EXPECT_EQ(host.readOnlyShown, (Cell{1, 5}));

    host.fullyVisible = false;
    withSettings.selectCellAtRow(1, 1, false);
    host.scrolledRows.clear();
    // The first edit opens the editor at once, with the introduction beside
    // it, so the keys that follow are not lost to the introduction.
    press(withSettings, Qt::Key_U, Qt::ShiftModifier, QStringLiteral("U"));
    EXPECT_EQ(host.introduced, (Cell{1, 1}));
    EXPECT_EQ(host.scrolledRows, std::vector<int>{1});
    EXPECT_EQ(host.edited, (Cell{1, 1}));
    EXPECT_EQ(host.editText, QStringLiteral("U"));
    EXPECT_TRUE(settings.introductoryPopoverAboutCellEditingShown());
    host.introduced = {-1, -1};
    withSettings.selectCellAtRow(2, 1, false);
    press(withSettings, Qt::Key_Return);
    EXPECT_EQ(host.edited, (Cell{2, 1}));
    EXPECT_EQ(host.introduced, (Cell{-1, -1}));
}

TEST_F(SelectionTest, TheArtworkCellIsNeverEditedAsText)
{
    PlainGrid pictures(3, {"num", "title", "image"});
    QZTagLibTableSelection withArtwork{pictures, host, nullptr};
    withArtwork.selectCellAtRow(1, 2, false);
    press(withArtwork, Qt::Key_Return);
    press(withArtwork, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    withArtwork.beginEditingAtRow(1, 2, nullptr);
    EXPECT_EQ(host.artworkEdited, (Cell{1, 2}));
    EXPECT_EQ(host.edited, (Cell{-1, -1}));
}

TEST_F(SelectionTest, FileNameCellsOpenTheComposerOnModifiedGesturesAndTheFirstTime)
{
    QTemporaryDir folder;
    SettingsStore store(folder.filePath(QStringLiteral("tagmint.conf")));
    QZTagLibTableSettings settings(store);
    PlainGrid files(4, {"num", "title", "filename"});
    files.readOnlyRecords.insert(3);
    QZTagLibTableSelection names{files, host, &settings};
    SelectionMouse mouse{names};

    // Before the introduction was seen, any edit of a file name shows it.
    names.selectCellAtRow(0, 2, false);
    press(names, Qt::Key_Return);
    EXPECT_EQ(host.composed, (Cell{0, 2}));
    EXPECT_TRUE(host.composerIntroduced);
    EXPECT_EQ(host.edited, (Cell{-1, -1}));

    settings.setComposeFileNamePopoverShown();
    press(names, Qt::Key_Return);
    EXPECT_EQ(host.edited, (Cell{0, 2}));
    mouse.press(click(1, 2, {}, 2));
    EXPECT_EQ(host.edited, (Cell{1, 2}));
    for (const Qt::KeyboardModifier modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        host.composed = {-1, -1};
        mouse.press(click(2, 2, modifier, 2));
        EXPECT_EQ(host.composed, (Cell{2, 2})) << int(modifier);
        EXPECT_FALSE(host.composerIntroduced);
    }
    host.composed = {-1, -1};
    names.selectCellAtRow(1, 2, false);
    press(names, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
    EXPECT_EQ(host.composed, (Cell{1, 2}));

    // Other columns edit as usual; a read-only file explains itself.
    mouse.press(click(1, 1, Qt::ShiftModifier, 2));
    EXPECT_EQ(host.edited, (Cell{1, 1}));
    names.selectCellAtRow(3, 2, false);
    press(names, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(host.readOnlyShown, (Cell{3, 2}));
    EXPECT_EQ(host.composed, (Cell{1, 2}));
}

TEST_F(SelectionTest, EscapeDeleteAndTheKeyHook)
{
    int deletes = 0;
    selection.hooks.deleteKey = [&] { ++deletes; };
    selection.selectCellAtRow(2, 2, false);
    press(selection, Qt::Key_Backspace);
    host.editing = true;
    press(selection, Qt::Key_Delete);
    EXPECT_EQ(deletes, 1);
    press(selection, Qt::Key_Escape);
    EXPECT_FALSE(host.editing);

    selection.hooks.keyDown = [](const KeyPress& k) { return k.key == Qt::Key_Down; };
    EXPECT_TRUE(press(selection, Qt::Key_Down));
    EXPECT_EQ(active(), (Cell{2, 2}));
}

TEST(TableViewKeys, CommandsTakenBeforeTheGrid)
{
    using C = TableViewKeyCommand;
    const Qt::KeyboardModifiers cmd = Qt::ControlModifier;
    TableViewKeyContext context;
    const auto command = [&](int code, Qt::KeyboardModifiers m = {}) { return tableViewKeyCommand(key(code, m), context).command; };
    EXPECT_EQ(command(Qt::Key_Left, cmd | Qt::ShiftModifier), C::AutoFitActiveColumn);
    EXPECT_EQ(command(Qt::Key_Right, cmd | Qt::MetaModifier), C::AutoSizeAllColumns);
    EXPECT_EQ(command(Qt::Key_Up, cmd | Qt::AltModifier), C::ShowAllColumns);
    EXPECT_EQ(command(Qt::Key_Up, cmd), C::None);
    EXPECT_EQ(command(Qt::Key_A, cmd | Qt::ShiftModifier), C::DeselectLeavingActiveCell);
    EXPECT_EQ(command(Qt::Key_A, cmd), C::None);
    EXPECT_TRUE(tableViewKeyCommand(key(Qt::Key_Down, Qt::KeypadModifier), context).resetStatusPriority);
    EXPECT_FALSE(tableViewKeyCommand(key(Qt::Key_Down, Qt::ShiftModifier), context).resetStatusPriority);

    EXPECT_EQ(command(Qt::Key_Tab), C::None);
    context.findBarVisible = true;
    context.activeRow = 0;
    EXPECT_EQ(command(Qt::Key_Up), C::FocusFindBarLastControl);
    EXPECT_EQ(command(Qt::Key_Tab), C::FocusFindBarFirstControl);
    EXPECT_EQ(command(Qt::Key_Backtab, Qt::ShiftModifier), C::FocusFindBarLastControl);
    EXPECT_EQ(command(Qt::Key_Escape), C::CloseFindBar);
    context.activeRow = 1;
    context.editingInProgress = true;
    EXPECT_EQ(command(Qt::Key_Up), C::None);
    EXPECT_EQ(command(Qt::Key_Escape), C::None);
    context.windowHasRecords = false;
    EXPECT_EQ(command(Qt::Key_Enter, Qt::KeypadModifier), C::OpenFilesLater);
}

TEST_F(SelectionTest, PressAndShiftPressUpToTheLastCell)
{
    SelectionMouse mouse{selection};
    int hooks = 0;
    selection.hooks.mouseDown = [&] { ++hooks; };
    EXPECT_TRUE(mouse.press(click(4, 3, Qt::ControlModifier)));   // Command-click is a plain click
    mouse.press(click(40, 9, Qt::ShiftModifier));
    EXPECT_EQ(range(), (Range{4, 9, 3, 5}));
    EXPECT_EQ(Cell(mouse.initialRow(), mouse.initialColumn()), Cell(9, 5));
    EXPECT_EQ(host.focusTaken, 2);

    EXPECT_FALSE(mouse.press(click(40, 2)));
    EXPECT_EQ(mouse.initialRow(), -1);
    EXPECT_EQ(range(), (Range{4, 9, 3, 5}));
    EXPECT_EQ(hooks, 2);
}

TEST_F(SelectionTest, DraggingExtendsFromThePress)
{
    SelectionMouse mouse{selection};
    mouse.press(click(3, 2));
    mouse.drag(5, 3);
    EXPECT_EQ(range(), (Range{3, 5, 2, 3}));
    const int before = changes;
    mouse.drag(5, 3);
    EXPECT_EQ(changes, before);
    mouse.drag(-4, 3);   // above the rows
    EXPECT_EQ(range(), (Range{0, 5, 2, 3}));
    mouse.drag(20, 20);  // below and right of the grid
    EXPECT_EQ(range(), (Range{0, 9, 2, 5}));
    mouse.drag(9, -1);   // left of the columns
    EXPECT_EQ(range(), (Range{0, 9, 1, 5}));

    mouse.press(click(2, 0));
    mouse.drag(4, 0);
    EXPECT_EQ(range(), (Range{2, 4, 1, 5}));
    mouse.press(click(40, 40));
    mouse.drag(1, 1);
    EXPECT_EQ(range(), (Range{2, 4, 1, 5}));
}

TEST_F(SelectionTest, DoubleAndRightClicks)
{
    SelectionMouse mouse{selection};
    select({1, 4, 1, 3}, {1, 1});
    mouse.press(click(3, 2, {}, 2));
    EXPECT_EQ(range(), (Range{1, 4, 1, 3}));
    EXPECT_EQ(host.edited, (Cell{3, 2}));
    mouse.rightPress(2, 2);
    mouse.rightPress(12, 2);
    EXPECT_EQ(range(), (Range{1, 4, 1, 3}));

    mouse.press(click(7, 4, {}, 2));
    EXPECT_EQ(range(), kNoRange);
    EXPECT_EQ(host.edited, (Cell{7, 4}));

    // A double click on a row number stays a row selection.
    mouse.press(click(5, 0, {}, 2));
    EXPECT_EQ(range(), (Range{5, 5, 1, 5}));
    EXPECT_EQ(host.edited, (Cell{7, 4}));
    EXPECT_EQ(host.readOnlyShown, (Cell{-1, -1}));

    mouse.rightPress(6, 5);
    EXPECT_EQ(range(), kNoRange);
    EXPECT_EQ(active(), (Cell{6, 5}));
}

TEST_F(SelectionTest, HeaderDividerDoubleClickResizesTheLeftColumn)
{
    SelectionMouse mouse{selection};
    std::vector<int> resized;
    selection.hooks.columnResize = [&](int column) { resized.push_back(column); };
    EXPECT_FALSE(mouse.headerDoubleClick(3, 3, 3));
    EXPECT_TRUE(mouse.headerDoubleClick(3, 4, 4));
    EXPECT_FALSE(mouse.headerDoubleClick(0, 1, 1));
    EXPECT_TRUE(mouse.headerDoubleClick(5, 5, -1));
    EXPECT_FALSE(mouse.headerDoubleClick(-1, 0, 0));
    EXPECT_EQ(resized, (std::vector<int>{3, 5}));
}
