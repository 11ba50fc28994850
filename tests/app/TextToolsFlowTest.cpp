// The find bar and the text tools as a user meets them: keys into and out
// of the bar, the filter while typing, stepping with Enter, found text
// marked in the cells, a text tool asking to extend one selected cell
// before it reports the changed tags, and undoing the tools and replace.

#include "AppTestSupport.h"

#include "app/CellDelegate.h"
#include "app/FindBar.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

using namespace tagmint::test;

namespace {

class TextToolsFlow : public AppTest {
protected:
    TableMainWindow* window = nullptr;

    void SetUp() override
    {
        AppTest::SetUp();
        window = launchWith({album({"plain.mp3", "tagged.flac", "tagged.m4a", "tagged_v24.mp3"})});
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(activate(window));
        // The bar a new window shows by itself.
        ASSERT_TRUE(waitUntil([this] { return window->findBar()->isVisible(); }));
    }

    TableGridView* grid() const { return window->gridView(); }
    FindBar* bar() const { return window->findBar(); }
    QZTagLibTableSelection& selection() const { return window->controller().selection(); }
    int shownRows() const { return int(window->collection().shownCount()); }

    // Edit ▸ Undo's title as the opened menu shows it.
    QString undoTitle() const
    {
        for (QAction* top : window->menuBar()->actions()) {
            if (top->text() == "&Edit")
                emit top->menu()->aboutToShow();
        }
        return window->action("undo")->text();
    }
};

} // namespace

TEST_F(TextToolsFlow, TheFindBarFollowsTheKeys)
{
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar()->findField()->hasFocus());

    // Typing filters once the typing pauses; the field counts.
    QTest::keyClicks(bar()->findField(), "title");
    EXPECT_EQ(shownRows(), 4);
    ASSERT_TRUE(waitUntil([this] { return shownRows() == 2; }));
    EXPECT_EQ(bar()->countLabel()->text(), "2");
    EXPECT_EQ(columnTexts(window, "title"), (QStringList{"Flac Title", "MP4 Title"}));

    // Enter steps to the next occurrence, from the active row's first
    // searched column on (the artwork is not searched); Shift+Enter goes
    // back; the focus stays in the field.
    ASSERT_EQ(selection().activeColumn(), columnOf(window, "image"));
    QTest::keyClick(bar()->findField(), Qt::Key_Return);
    EXPECT_EQ(selection().activeRow(), 0);
    EXPECT_EQ(selection().activeColumn(), columnOf(window, "title"));
    QTest::keyClick(bar()->findField(), Qt::Key_Return);
    EXPECT_EQ(selection().activeRow(), 1);
    QTest::keyClick(bar()->findField(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(selection().activeRow(), 0);
    EXPECT_TRUE(bar()->findField()->hasFocus());

    // Down leaves for the table; Tab in the table goes back into the bar.
    QTest::keyClick(bar()->findField(), Qt::Key_Down);
    EXPECT_TRUE(grid()->hasFocus());
    QTest::keyClick(grid(), Qt::Key_Tab);
    EXPECT_TRUE(bar()->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(selection().activeRow(), 0);

    // Escape closes the bar and shows every row again.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_EQ(shownRows(), 4);
    EXPECT_TRUE(grid()->hasFocus());
}

TEST_F(TextToolsFlow, OptionsReachEveryWindowAndTheFilterBoxShowsAllRows)
{
    const auto chooseOption = [](FindBar* findBar, const QString& text) {
        emit findBar->optionsMenu()->aboutToShow();
        for (QAction* action : findBar->optionsMenu()->actions()) {
            if (action->text() == text) {
                action->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no option " << text.toStdString();
    };
    chooseOption(bar(), "Starts With");
    chooseOption(bar(), "Ignore Case");
    EXPECT_EQ(settings->searchType(), 1);
    EXPECT_TRUE(settings->caseSensitiveSearch());

    // A new window's bar waits above its (still hidden) table.
    TableMainWindow* other = app->newWindow();
    ASSERT_TRUE(waitUntil([other] { return other->finder().isVisible(); }));
    EXPECT_EQ(other->findBar()->findField()->placeholderText(),
              "Text to find. Starts with, case sensitive search.");

    // Use Selection for Find takes the active cell's text; the filter keeps
    // the rows that start with it, and the Filter box shows all again.
    ASSERT_TRUE(activate(window));
    grid()->setFocus();
    selection().selectCellAtRow(2, columnOf(window, "title"), false);
    const QString title = window->collection().stringAtRow(2, "title");
    QTest::keyClick(grid(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(bar()->findField()->text(), title);
    EXPECT_EQ(shownRows(), 1);
    bar()->filterBox()->click();
    EXPECT_EQ(shownRows(), 4);
    EXPECT_FALSE(settings->filterEnabled());
    EXPECT_EQ(window->statusBarWidget()->model().message(), "Filter was disabled.\nAll rows will be shown.");
}

TEST_F(TextToolsFlow, FoundTextIsMarkedInItsCell)
{
    const int title = columnOf(window, "title");
    window->showFindBar(false);
    window->finder().findTextEdited("Title");
    ASSERT_TRUE(waitUntil([this] { return shownRows() == 2; }));
    window->finder().findNext();
    const int row = selection().activeRow();
    ASSERT_GE(row, 0);
    QApplication::processEvents();

    const QImage picture = grid()->viewport()->grab(grid()->cellRect(row, title)).toImage();
    const QRgb current = CellDelegate::currentMatchColor().rgb();
    int currentPixels = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            currentPixels += picture.pixel(x, y) == current;
    }
    EXPECT_GT(currentPixels, 20);

    // Closed: no marks.
    window->finder().closeBar();
    QApplication::processEvents();
    const QImage plain = grid()->viewport()->grab(grid()->cellRect(row, title)).toImage();
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x)
            ASSERT_NE(plain.pixel(x, y), current);
    }
}

TEST_F(TextToolsFlow, ATextToolAsksToExtendOneCellAndReportsTheTags)
{
    selection().selectCellAtRow(0, columnOf(window, "title"), false);
    window->action("removeExtraSpaces");   // the menus exist
    QAction* upper = nullptr;
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->text() == "UPPER CASE")
            upper = action;
    }
    ASSERT_NE(upper, nullptr);
    ASSERT_TRUE(upper->isEnabled());
    upper->trigger();

    QMessageBox* question = waitForSheet(window);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->objectName(), "ExtendSelectionQuestion");
    answer(question, "Yes");
    EXPECT_TRUE(selection().isAllSelected());

    QMessageBox* report = waitForSheet(window);
    ASSERT_NE(report, nullptr);
    ASSERT_EQ(report->objectName(), "TagsChangedAlert");
    // Title, artist, album, genre, comment and file name of the three
    // tagged files, and the untagged file's name.
    EXPECT_EQ(report->text(), "19 tags changed.");
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Change Case: 19 changes");
    report->checkBox()->setChecked(true);
    answer(report, "OK");
    EXPECT_FALSE(settings->showConfirmationAfterTagsUpdate());
    EXPECT_EQ(columnTexts(window, "title").at(1), "FLAC TITLE");
    EXPECT_TRUE(window->windowTitle().contains('*') || window->collection().isDirtyArranged());

    // A second run changes nothing and only says so in the status bar.
    upper->trigger();
    QApplication::processEvents();
    EXPECT_EQ(window->messageSheet(), nullptr);
    EXPECT_EQ(window->statusBarWidget()->model().message(), "No tags changed.");

    // The run that changed the tags is one undo step under the tool's name.
    EXPECT_EQ(undoTitle(), "Undo Change Case");
    window->action("undo")->trigger();
    EXPECT_EQ(columnTexts(window, "title").at(1), "Flac Title");
    EXPECT_FALSE(window->collection().isDirtyArranged());
}

TEST_F(TextToolsFlow, ReplaceAndReplaceAllAreUndoneAsOneStepEach)
{
    // The find text's filter would hide the rows once they no longer hold
    // it: the records are checked, not the rows shown.
    const RecordList records = window->collection().arrangedObjects();
    const auto titles = [&records] {
        QStringList texts;
        for (const RecordPtr& record : records)
            texts.append(record->text(RecordField::Title));
        return texts;
    };
    const QStringList before = titles();
    ASSERT_EQ(before.count("Flac Title") + before.count("MP4 Title"), 2);

    window->showFindBar(true);
    QTest::keyClicks(bar()->findField(), "Title");
    QTest::keyClicks(bar()->replaceField(), "Name");
    ASSERT_TRUE(waitUntil([this] { return shownRows() == 2; }));

    // The first Replace finds the occurrence, the second replaces it. Undo
    // belongs to the find field while it has the focus, then to the table.
    window->action("replaceNext")->trigger();
    EXPECT_EQ(titles(), before);
    window->action("replaceNext")->trigger();
    ASSERT_TRUE(bar()->findField()->hasFocus());
    EXPECT_EQ(undoTitle(), "Undo");
    grid()->setFocus();
    const QStringList once = titles();
    EXPECT_EQ(once.count("Flac Name") + once.count("MP4 Name"), 1);
    EXPECT_EQ(undoTitle(), "Undo Replace");
    window->action("undo")->trigger();
    EXPECT_EQ(titles(), before);

    window->action("replaceAll")->trigger();
    QMessageBox* report = waitForSheet(window);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->text(), "2 tags changed.");
    answer(report, "OK");
    EXPECT_TRUE(titles().contains("Flac Name") && titles().contains("MP4 Name"));
    grid()->setFocus();
    EXPECT_EQ(undoTitle(), "Undo Replace All");
    window->action("undo")->trigger();
    EXPECT_EQ(titles(), before);
    undoTitle();
    EXPECT_EQ(window->action("redo")->text(), "Redo Replace All");
}
