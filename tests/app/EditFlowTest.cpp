// Editing in windows as the user does it: a block copied in one window and
// pasted into another through the clipboard, undo from the keyboard and in
// a cell editor, the artwork panel and its file chooser, a picture dropped
// onto an artwork cell, and removing rows with its questions.

#include "AppTestSupport.h"

#include "app/ArtworkEditor.h"
#include "app/ArtworkPanel.h"
#include "table/ColumnLayout.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

using namespace tagmint::test;

namespace {

class EditFlow : public AppTest {
protected:
    TableMainWindow* window = nullptr;

    // plain.mp3, tagged.flac, tagged.m4a, tagged_v24.mp3 (with a picture).
    void openAlbum()
    {
        window = launchWith({album({"plain.mp3", "tagged.flac", "tagged.m4a", "tagged_v24.mp3"})});
        ASSERT_NE(window, nullptr);
        settings->setShowConfirmationBeforeClosingTheWindow(false);
    }

    static QZTagLibTableSelection& selectionOf(TableMainWindow* w) { return w->controller().selection(); }
    QZTagLibRecord& record(int row) const { return window->collection().objectAtIndex(row); }

    static void selectBlock(TableMainWindow* w, int firstRow, int lastRow, const QString& first,
                            const QString& last)
    {
        selectionOf(w).setupSelectionSafeWithStartRow(firstRow, lastRow, columnOf(w, first),
                                                      columnOf(w, last), firstRow, columnOf(w, first));
    }

    void dropOnCell(int row, const QString& identifier, QMimeData& mime)
    {
        const QPoint at = window->gridView()->cellRect(row, columnOf(window, identifier)).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(window->gridView()->viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(window->gridView()->viewport(), &move);
        ASSERT_TRUE(move.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(window->gridView()->viewport(), &drop);
    }

    QString message() const { return window->statusBarWidget()->model().message(); }
};

TEST_F(EditFlow, ABlockCopiedInOneWindowPastesIntoAnother)
{
    openAlbum();
    selectBlock(window, 2, 3, "image", "artist");
    window->action("copy")->trigger();
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->hasFormat("text/tab-separated-values"));
    EXPECT_TRUE(copied->text().contains("\tMP4 Title\tMP4 Artist\n"));
    EXPECT_TRUE(copied->hasFormat("image/png") || copied->hasFormat("image/tiff"));

    QStringList titles = columnTexts(window, "title").mid(2);
    QStringList artists = columnTexts(window, "artist").mid(2);
    TableMainWindow* other = app->newWindow();
    other->loadFiles({media.copyFixture("plain.mp3", "one.mp3"), media.copyFixture("plain.mp3", "two.mp3"),
                      media.copyFixture("plain.mp3", "three.mp3")});
    ASSERT_TRUE(waitIdle(other));
    selectionOf(other).selectCellAtRow(1, columnOf(other, "image"), false);
    other->postNotification(StatusNotification::resetPriority());
    other->action("paste")->trigger();
    QZTagLibRecordDataArrayController& pasted = other->collection();
    EXPECT_EQ(columnTexts(other, "title"), QStringList{""} + titles);
    EXPECT_EQ(columnTexts(other, "artist"), QStringList{""} + artists);
    EXPECT_EQ(pasted.objectAtIndex(1).image(), record(2).image());
    EXPECT_EQ(pasted.objectAtIndex(2).image(), record(3).image());
    // The pasted block is the new selection.
    EXPECT_EQ(selectionOf(other).endRow(), 2);
    EXPECT_EQ(selectionOf(other).endColumn(), columnOf(other, "artist"));
    EXPECT_EQ(other->statusBarWidget()->model().message(), "The contents of 6 cells was changed.");
}

TEST_F(EditFlow, CtrlZUndoesTheTableButBelongsToAnOpenCellEditor)
{
    openAlbum();
    // Shortcuts reach the active window only.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    TableGridView* grid = window->gridView();
    grid->setFocus();
    selectionOf(window).selectCellAtRow(0, columnOf(window, "title"), false);
    QTest::keyClick(grid, Qt::Key_A);
    ASSERT_NE(grid->cellEditor(), nullptr);
    QTest::keyClicks(grid->cellEditor(), "bc");
    QTest::keyClick(grid->cellEditor(), Qt::Key_Return);
    ASSERT_EQ(record(0).text(RecordField::Title), "abc");
    EXPECT_EQ(window->action("undo")->text(), "Undo Edit");

    // In the editor, Ctrl+Z takes back typing, not the table's edit.
    selectionOf(window).selectCellAtRow(0, columnOf(window, "title"), false);
    QTest::keyClick(grid, Qt::Key_X);
    ASSERT_NE(grid->cellEditor(), nullptr);
    QTest::keyClicks(grid->cellEditor(), "yz");
    QTest::keyClick(grid->cellEditor(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(grid->cellEditor()->text(), "xyz");
    EXPECT_EQ(record(0).text(RecordField::Title), "abc");
    QTest::keyClick(grid->cellEditor(), Qt::Key_Escape);

    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(record(0).text(RecordField::Title), "");
    EXPECT_EQ(message(), "Edit was undone.");
    QTest::keyClick(grid, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(record(0).text(RecordField::Title), "abc");
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(record(0).text(RecordField::Title), "abc");
}

TEST_F(EditFlow, TheArtworkPanelDeletesAndItsChooserReplaces)
{
    openAlbum();
    TableGridView* grid = window->gridView();
    const int image = columnOf(window, "image");
    grid->setFocus();
    selectionOf(window).selectCellAtRow(3, image, false);
    QTest::keyClick(grid, Qt::Key_Return);
    ArtworkPanel* panel = window->artworkEditor()->panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());

    // Closing it any other way changes nothing.
    panel->close();
    QApplication::processEvents();
    EXPECT_FALSE(record(3).isDirty());

    QTest::keyClick(grid, Qt::Key_Return);
    panel = window->artworkEditor()->panel();
    ASSERT_NE(panel, nullptr);
    panel->button("Delete")->click();
    ASSERT_TRUE(waitUntil([&] { return !record(3).hasImage(); }));
    EXPECT_TRUE(record(3).isDirtyForKey("image"));
    EXPECT_EQ(message(), "Artwork was deleted.");

    // Without a picture: straight to "Add Artwork".
    window->postNotification(StatusNotification::resetPriority());
    QTest::keyClick(grid, Qt::Key_Return);
    QFileDialog* chooser = window->artworkEditor()->chooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->windowTitle(), "Add Artwork");
    EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
    const QString cover = media.writeFile("cover.png", makeImageBytes(33, 22, "PNG"));
    chooser->selectFile(cover);
    QMetaObject::invokeMethod(chooser, "accept");
    ASSERT_TRUE(waitUntil([&] { return record(3).hasImage(); }));
    EXPECT_EQ(record(3).image().size(), QSize(33, 22));
    EXPECT_EQ(message(), "Artwork was updated with image of size 33x22.");

    window->action("undo")->trigger();
    EXPECT_FALSE(record(3).hasImage());
}

TEST_F(EditFlow, PicturesDroppedOnAnArtworkCellGoIntoItsRecord)
{
    openAlbum();
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(media.writeFile("dropped.jpg", makeImageBytes(40, 30)))});
    dropOnCell(0, "image", file);
    EXPECT_EQ(record(0).image().size(), QSize(40, 30));
    EXPECT_EQ(window->collection().shownCount(), 4);   // nothing was opened

    QMimeData data;
    data.setData("image/png", makeImageBytes(50, 10, "PNG"));
    dropOnCell(1, "image", data);
    EXPECT_EQ(record(1).image().size(), QSize(50, 10));

    QMimeData broken;
    broken.setData("image/png", "not a picture");
    dropOnCell(2, "image", broken);
    QMessageBox* alert = waitForSheet(window);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->windowTitle(), "Could not load artwork.");
    EXPECT_EQ(alert->text(), "Selected file does not contain artwork.");
    answer(alert, "OK");
    EXPECT_FALSE(record(2).isDirtyForKey("image"));
}

TEST_F(EditFlow, RemovingRowsAsksAndCancelKeepsEverything)
{
    openAlbum();
    selectionOf(window).selectRowsFrom(1, 2);
    window->action("removeRows")->trigger();
    QMessageBox* question = waitForSheet(window);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->windowTitle(), "Remove Rows");
    EXPECT_EQ(question->text(),
              "Do you want to remove selected rows?\nThis will not delete the files associated with rows.");
    question->checkBox()->setChecked(true);
    answer(question, "Yes");
    EXPECT_EQ(window->tableModel()->rowCount(), 2);
    EXPECT_FALSE(settings->showConfirmationBeforeRemovingRows());

    // Unsaved changes ask to save first; Cancel keeps rows and changes.
    record(1).setValue("Changed", "title");
    selectionOf(window).selectRowsFrom(0, 1);
    window->action("removeRows")->trigger();
    QMessageBox* save = waitForSheet(window);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->windowTitle(), "Remove Rows");
    answer(save, "Cancel");
    EXPECT_EQ(window->tableModel()->rowCount(), 2);
    EXPECT_EQ(record(1).text(RecordField::Title), "Changed");

    window->action("undo")->trigger();
    EXPECT_EQ(window->tableModel()->rowCount(), 4);
    EXPECT_EQ(columnTexts(window, "title").at(1), "Flac Title");
}

} // namespace
