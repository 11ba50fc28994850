// A window as the user meets it: opening a folder through the progress
// sheet, moving with the keyboard, sorting, hiding columns, editing a cell,
// saving, and closing with the prompt answered.

#include "AppTestSupport.h"

#include "app/CellPopover.h"
#include "app/EmptyTablePlaceholder.h"
#include "record/PathLock.h"
#include "record/ScopedImmutable.h"
#include "table/ColumnLayout.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

using namespace tagmint::test;

namespace {

class WindowFlow : public AppTest {
protected:
    TableMainWindow* window = nullptr;
    QString folder;

    void openAlbum()
    {
        folder = album({"plain.mp3", "tagged.flac", "tagged.m4a", "tagged_v24.mp3"});
        media.writeFile("Music/Album/notes.txt", "not audio");
        media.writeFile("Music/Album/.hidden.mp3", "hidden");
        window = launchWith({folder});
        ASSERT_NE(window, nullptr);
    }

    TableGridView* grid() const { return window->gridView(); }
    QZTagLibTableSelection& selection() const { return window->controller().selection(); }

    void typeIntoCell(const QString& text, Qt::Key commitKey)
    {
        QTest::keyClick(grid(), text.at(0).toLatin1());
        ASSERT_NE(grid()->cellEditor(), nullptr);
        QTest::keyClicks(grid()->cellEditor(), text.mid(1));
        QTest::keyClick(grid()->cellEditor(), commitKey);
        QApplication::processEvents();
    }
};

TEST_F(WindowFlow, OpensAFolderThroughTheProgressSheet)
{
    // Paths from the command line arrive before the first window.
    openAlbum();
    EXPECT_TRUE(app->pendingFiles().isEmpty());
    EXPECT_GE(window->progressSheetsShown(), 1);
    EXPECT_EQ(window->tableModel()->rowCount(), 4);
    EXPECT_EQ(window->title(), "Album (4 files)");
    EXPECT_EQ(window->windowFilePath(), folder);
    EXPECT_FALSE(window->placeholder()->isVisible());
    EXPECT_EQ(window->statusBarWidget()->countLabel()->text(), "4");
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Open: 4 files");
    EXPECT_EQ(window->statusBarWidget()->model().message(),
              "4 files were opened.\n1 file with unsupported format was ignored.");
    EXPECT_EQ(selection().activeRow(), 0);
    EXPECT_EQ(selection().activeColumn(), 1);

    // The same folder again: nothing new, one message. (A message of the
    // same priority within 0.2 s would be held back, as a click lets it.)
    window->postNotification(StatusNotification::resetPriority());
    window->loadFiles({folder});
    ASSERT_TRUE(waitIdle(window));
    EXPECT_EQ(window->tableModel()->rowCount(), 4);
    EXPECT_TRUE(window->statusBarWidget()->model().message().startsWith("No new files were opened."));
}

TEST_F(WindowFlow, TheKeyboardMovesTheCoreSelection)
{
    // Tab would go into a shown find bar.
    settings->setShowFindInterfaceInNewWindow(false);
    openAlbum();
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Down);
    EXPECT_EQ(selection().activeRow(), 1);
    QTest::keyClick(grid(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(selection().startRow(), 1);
    EXPECT_EQ(selection().endRow(), 2);
    EXPECT_EQ(selection().startColumn(), 1);
    EXPECT_EQ(selection().endColumn(), 2);
    const CellState corner = selection().cellState(1, 1);
    EXPECT_EQ(corner.edgeMask, CellState::Left | CellState::Top);

    // Tab from the last column wraps to the first of the next row.
    QTest::keyClick(grid(), Qt::Key_End);
    QTest::keyClick(grid(), Qt::Key_Tab);
    EXPECT_EQ(selection().activeRow(), 3);
    EXPECT_EQ(selection().activeColumn(), 1);
    QTest::keyClick(grid(), Qt::Key_Backtab);
    EXPECT_EQ(selection().activeRow(), 2);
    EXPECT_EQ(selection().activeColumn(), window->columnLayout().columnCount() - 1);

    // Qt's own selection is never used.
    EXPECT_FALSE(grid()->selectionModel()->hasSelection());

    // A click on the row numbers selects the row; a shift-click extends.
    const QRect first = grid()->cellRect(0, 0);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_TRUE(selection().isFullRowSelected(0));
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      grid()->cellRect(2, 2).center());
    EXPECT_EQ(selection().endRow(), 2);
}

TEST_F(WindowFlow, TheSelectionIsOneFrameOverTheGridLines)
{
    openAlbum();
    const int title = columnOf(window, "title");
    selection().setupSelectionSafeWithStartRow(1, 2, title, title + 1, 1, title);
    const QImage picture = grid()->viewport()->grab().toImage();
    const QColor highlight = grid()->palette().color(QPalette::Highlight);
    const auto at = [&picture](int x, int y) { return picture.pixelColor(x, y); };

    const QRect topLeft = grid()->cellRect(1, title);
    // The grid line between the two top cells, under the top edge.
    EXPECT_EQ(at(topLeft.right(), topLeft.top()), highlight);
    // The grid line between the two rows, beside the left edge.
    EXPECT_EQ(at(topLeft.left(), topLeft.bottom()), highlight);
    const QRect bottomRight = grid()->cellRect(2, title + 1);
    EXPECT_EQ(at(bottomRight.right(), bottomRight.bottom()), highlight);
    // Outside the selection the grid stays a grid, inside it is not framed.
    const QRect above = grid()->cellRect(0, title);
    EXPECT_NE(at(above.right(), above.center().y()), highlight);
    EXPECT_EQ(at(above.right(), above.center().y()), at(above.center().x(), above.bottom()));
    EXPECT_NE(at(topLeft.right(), topLeft.center().y()), highlight);
}

TEST_F(WindowFlow, TrackNumbersSortByValue)
{
    openAlbum();
    window->controller().toggleColumn("trackNumber");
    const QStringList tracks{"10", "2", "1", "33"};
    for (int row = 0; row < 4; ++row)
        window->collection().objectAtIndex(row).setValueAndCheck(tracks[row], "trackNumber");
    const int column = columnOf(window, "trackNumber");
    ASSERT_GE(column, 1);

    QHeaderView* header = grid()->horizontalHeader();
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    EXPECT_EQ(columnTexts(window, "trackNumber"), (QStringList{"1", "2", "10", "33"}));
    EXPECT_EQ(header->sortIndicatorSection(), column);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    EXPECT_EQ(columnTexts(window, "trackNumber"), (QStringList{"33", "10", "2", "1"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(WindowFlow, AHiddenColumnStaysHiddenInANewWindow)
{
    openAlbum();
    selection().selectCellAtRow(0, columnOf(window, "artist"), false);
    grid()->setFocus();
    window->postNotification(StatusNotification::resetPriority());
    QTest::keyClick(grid(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(columnOf(window, "artist"), -1);
    EXPECT_EQ(window->tableModel()->columnCount(), window->columnLayout().columnCount());
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Hide Column: Artist");

    TableMainWindow* second = app->newWindow();
    EXPECT_EQ(columnOf(second, "artist"), -1);
    EXPECT_TRUE(second->placeholder()->isVisible());
    EXPECT_EQ(app->windows(), (QList<TableMainWindow*>{window, second}));
}

TEST_F(WindowFlow, TheContextMenusComeFromTheColumnCore)
{
    openAlbum();
    const int title = columnOf(window, "title");
    std::unique_ptr<QMenu> header(window->headerMenu(title));
    QStringList texts;
    for (QAction* action : header->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text().section('\t', 0, 0));
    EXPECT_EQ(texts.mid(0, 3), (QStringList{"Auto Size Column", "Auto Size All Columns", "-"}));
    EXPECT_EQ(texts.mid(texts.size() - 3), (QStringList{"Hide Column", "Hide Other Columns", "Show All Columns"}));
    EXPECT_EQ(header->actions().first()->text().section('\t', 1), QKeySequence(Qt::CTRL | Qt::Key_Right).toString(QKeySequence::NativeText));
    // One toggle per column, by title; Artist is shown, Year is not.
    const auto toggle = [&](const QString& name) {
        for (QAction* action : header->actions())
            if (action->text() == name)
                return action;
        return static_cast<QAction*>(nullptr);
    };
    ASSERT_NE(toggle("Artist"), nullptr);
    EXPECT_TRUE(toggle("Artist")->isChecked());
    EXPECT_FALSE(toggle("Year")->isChecked());
    EXPECT_LT(texts.indexOf("Album"), texts.indexOf("Artist"));
    toggle("Artist")->trigger();
    EXPECT_EQ(columnOf(window, "artist"), -1);

    std::unique_ptr<QMenu> cells(window->cellMenu());
    QStringList cellTexts;
    for (QAction* action : cells->actions())
        cellTexts << action->text();
    EXPECT_EQ(cellTexts, (QStringList{"Show in Folder", "Undo", "Redo", "Revert", "Copy", "Paste", "Clear",
                                      "Remove Rows...", "Edit Cell", "Select All", "Select Column",
                                      "Select Row"}));
}

TEST_F(WindowFlow, MovingAColumnKeepsTheRowNumbersFirst)
{
    openAlbum();
    const int title = columnOf(window, "title");
    const int album = columnOf(window, "album");
    grid()->horizontalHeader()->moveSection(album, title);
    ASSERT_TRUE(waitUntil([&] { return columnOf(window, "album") == title; }));
    // The header shows the layout's order again, section by section.
    EXPECT_EQ(grid()->horizontalHeader()->visualIndex(title), title);
    EXPECT_EQ(window->tableModel()->headerData(title, Qt::Horizontal, Qt::DisplayRole).toString(), "Album");

    grid()->horizontalHeader()->moveSection(title, 0);
    QApplication::processEvents();
    EXPECT_EQ(columnOf(window, "album"), title);
    EXPECT_EQ(window->columnLayout().identifierAt(0), "num");
}

TEST_F(WindowFlow, ADoubleClickOnADividerAutoSizesTheColumnLeftOfIt)
{
    openAlbum();
    const int title = columnOf(window, "title");
    QHeaderView* header = grid()->horizontalHeader();
    header->resizeSection(title, 500);
    ASSERT_TRUE(waitUntil([&] { return window->columnLayout().width("title") == 500; }));
    window->postNotification(StatusNotification::resetPriority());
    const int divider = header->sectionViewportPosition(title) + header->sectionSize(title);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(divider, header->height() / 2));
    EXPECT_LT(window->columnLayout().width("title"), 500);
    EXPECT_EQ(header->sectionSize(title), int(window->columnLayout().width("title")));
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Auto Size Column: Title");
}

TEST_F(WindowFlow, ReloadAsksAboutChangesAndReadsTheFilesAgain)
{
    openAlbum();
    window->collection().objectAtIndex(1).setValueAndCheck(QStringLiteral("Changed"), "title");
    window->action("reload")->trigger();
    QMessageBox* prompt = waitForSheet(window);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->windowTitle(), "Reload");
    answer(prompt, "Don't Save");
    ASSERT_TRUE(waitIdle(window));
    EXPECT_EQ(window->collection().stringAtRow(1, "title"), "Flac Title");
    EXPECT_FALSE(window->collection().isDirtyUnarranged());
}

TEST_F(WindowFlow, OpenTakesFilesAndOpenFolderAFolder)
{
    openAlbum();
    const auto panelOf = [this](const char* action) {
        window->action(action)->trigger();
        auto* panel = window->findChild<QFileDialog*>("OpenPanel");
        EXPECT_NE(panel, nullptr);
        return panel;
    };
    QFileDialog* files = panelOf("open");
    ASSERT_NE(files, nullptr);
    EXPECT_TRUE(files->isVisible());
    EXPECT_EQ(files->windowModality(), Qt::WindowModal);
    EXPECT_EQ(files->windowTitle(), "Open");
    EXPECT_EQ(files->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(files->labelText(QFileDialog::Accept), "Open Files");
    EXPECT_TRUE(files->nameFilters().first().contains("*.flac"));
    EXPECT_FALSE(files->testOption(QFileDialog::DontUseNativeDialog));
    ASSERT_NE(files->findChild<QLabel*>("OpenPanelMessage"), nullptr);
    EXPECT_EQ(files->findChild<QLabel*>("OpenPanelMessage")->text(),
              "Select media files or folders to add them to the table.");
    files->reject();
    QApplication::processEvents();

    const QString other = album({"tagged.aiff"}, "Other");
    QFileDialog* folderPanel = panelOf("openFolder");
    ASSERT_NE(folderPanel, nullptr);
    EXPECT_EQ(folderPanel->windowTitle(), "Open");
    EXPECT_EQ(folderPanel->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(folderPanel->labelText(QFileDialog::Accept), "Open Folder");
    folderPanel->setDirectory(QFileInfo(other).absolutePath());
    folderPanel->selectFile(other);
    QMetaObject::invokeMethod(folderPanel, "accept");
    ASSERT_TRUE(waitIdle(window));
    EXPECT_EQ(window->tableModel()->rowCount(), 5);
}

TEST_F(WindowFlow, AFailedValidationShowsItsMessageAtTheCell)
{
    openAlbum();
    window->controller().toggleColumn("year");
    const int year = columnOf(window, "year");
    selection().selectCellAtRow(0, year, false);
    grid()->setFocus();

    typeIntoCell("1800", Qt::Key_Return);
    CellPopover* popover = grid()->cellPopover();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isVisible());
    EXPECT_EQ(popover->title(), "Year");
    EXPECT_EQ(popover->text(), "Number is required between 1900 and 2100 for Year.");
    EXPECT_TRUE(popover->windowFlags().testFlag(Qt::Popup));
    EXPECT_EQ(window->collection().stringAtRow(0, "year"), "");
    // "Edit" goes back to the cell with what was typed.
    popover->button()->click();
    ASSERT_NE(grid()->cellEditor(), nullptr);
    EXPECT_EQ(grid()->cellEditor()->text(), "1800");

    // Escape abandons.
    QTest::keyClick(grid()->cellEditor(), Qt::Key_Escape);
    EXPECT_EQ(grid()->cellEditor(), nullptr);
    EXPECT_EQ(window->collection().stringAtRow(0, "year"), "");

    typeIntoCell("1999", Qt::Key_Enter);
    EXPECT_EQ(window->collection().stringAtRow(0, "year"), "1999");
    EXPECT_TRUE(window->controller().grid().isCellModified(0, year));
    EXPECT_EQ(selection().activeRow(), 1);
    EXPECT_EQ(window->statusBarWidget()->countLabel()->text(), "4*");
}

TEST_F(WindowFlow, ReadOnlyCellsSayWhyInsteadOfEditing)
{
    openAlbum();
    window->controller().toggleColumn("folder");
    selection().selectCellAtRow(1, columnOf(window, "folder"), false);
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Return);
    EXPECT_EQ(grid()->cellEditor(), nullptr);
    ASSERT_NE(grid()->cellPopover(), nullptr);
    EXPECT_EQ(grid()->cellPopover()->title(), "Cannot edit cell.");
    EXPECT_EQ(grid()->cellPopover()->text(), "Column 'Folder' is read only.");
}

TEST_F(WindowFlow, ReturnWritesTheValueIntoEverySelectedCellOfTheColumn)
{
    openAlbum();
    const int title = columnOf(window, "title");
    selection().setupSelectionSafeWithStartRow(0, 2, title, title, 0, title);
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Return);
    ASSERT_NE(grid()->cellEditor(), nullptr);
    grid()->cellEditor()->setText("Shared");
    QTest::keyClick(grid()->cellEditor(), Qt::Key_Return);
    EXPECT_EQ(columnTexts(window, "title").mid(0, 3), (QStringList{"Shared", "Shared", "Shared"}));
    EXPECT_NE(columnTexts(window, "title").at(3), "Shared");
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Edit: 3 selected cells were updated");
}

TEST_F(WindowFlow, SaveWritesTheChangedFiles)
{
    openAlbum();
    const int title = columnOf(window, "title");
    selection().selectCellAtRow(1, title, false);
    grid()->setFocus();
    typeIntoCell("Saved Title", Qt::Key_Return);
    const QString path = window->collection().objectAtIndex(1).path();

    window->action("save")->trigger();
    ASSERT_TRUE(waitIdle(window));
    EXPECT_FALSE(window->collection().isDirtyUnarranged());
    EXPECT_EQ(QZTagLibRecord(path, 0).text(RecordField::Title), "Saved Title");
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Save: 1 file");
    EXPECT_EQ(window->statusBarWidget()->countLabel()->text(), "4");
    EXPECT_FALSE(window->controller().grid().isCellModified(1, title));
}

TEST_F(WindowFlow, ARenameInALockedFolderAsksToUnlockTheFolder)
{
    openAlbum();
    QZTagLibRecord& record = window->collection().objectAtIndex(0);
    const QString oldPath = record.path();
    const QString newPath = folder + "/Renamed." + QFileInfo(oldPath).suffix().toLower();
    ScopedImmutable lock(folder);
    if (!lock.isActive())
        GTEST_SKIP() << "the immutable attribute cannot be set here";
    record.setValueAndCheck("Renamed", "filename");

    // The question has an event loop of its own while the save's worker
    // waits for the answer, so a timer answers it.
    QString question;
    bool aboveTheProgressSheet = false;
    const auto answerUnlockPrompt = [&](const QString& button) {
        auto* timer = new QTimer(window);
        QObject::connect(timer, &QTimer::timeout, timer, [&, timer, button] {
            QMessageBox* box = window->messageSheet();
            if (!box || box->objectName() != "UnlockPrompt" || !box->isVisible())
                return;
            timer->stop();
            timer->deleteLater();
            question = box->windowTitle() + ": " + box->text();
            aboveTheProgressSheet = window->progressSheet() && window->progressSheet()->isVisible()
                && QApplication::activeModalWidget() == box;
            answer(box, button);
        });
        timer->start(20);
    };

    // Refused: the file keeps its name and the alert says why.
    answerUnlockPrompt("Don't Unlock");
    window->save();
    ASSERT_TRUE(waitIdle(window));
    EXPECT_EQ(question, "Save: The file \"" + QFileInfo(oldPath).fileName()
                            + "\" could not be renamed because its folder is locked.\n\n"
                              "Do you want to unlock the folder \"" + folder + "\" and try again?");
    EXPECT_TRUE(aboveTheProgressSheet);
    EXPECT_TRUE(QFile::exists(oldPath));
    EXPECT_TRUE(record.isDirty());
    QMessageBox* alert = waitForSheet(window);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "1 file could not be renamed.");
    answer(alert, "OK");

    // Granted: the folder is unlocked and the file renamed.
    question.clear();
    answerUnlockPrompt("Unlock");
    // A message of the same priority within 0.2 s would be held back.
    window->postNotification(StatusNotification::resetPriority());
    window->save();
    ASSERT_TRUE(waitIdle(window));
    EXPECT_FALSE(question.isEmpty());
    EXPECT_TRUE(QFile::exists(newPath));
    EXPECT_FALSE(QFile::exists(oldPath));
    EXPECT_FALSE(tagmint::record::isPathLocked(newPath));
    EXPECT_FALSE(window->collection().isDirtyUnarranged());
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Save: 1 file");
    EXPECT_EQ(window->messageSheet(), nullptr);
}

TEST_F(WindowFlow, ClosingWithChangesAsksFirst)
{
    openAlbum();
    settings->setShowConfirmationBeforeClosingTheWindow(false);
    selection().selectCellAtRow(0, columnOf(window, "title"), false);
    grid()->setFocus();
    typeIntoCell("Unsaved", Qt::Key_Return);

    EXPECT_FALSE(window->close());
    QMessageBox* prompt = waitForSheet(window);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->windowTitle(), "Close Window");
    EXPECT_EQ(prompt->text(), "Do you want to save the changes?\nYour changes will be lost if you don't save them.");
    EXPECT_EQ(prompt->windowModality(), Qt::WindowModal);
    answer(prompt, "Cancel");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(terminated, 0);

    const QString path = window->collection().objectAtIndex(0).path();
    QPointer<TableMainWindow> guarded(window);
    window->close();
    answer(waitForSheet(window), "Save");
    ASSERT_TRUE(waitUntil([&] { return !guarded || !guarded->isVisible(); }));
    EXPECT_EQ(QZTagLibRecord(path, 0).text(RecordField::Title), "Unsaved");
    // That was the last window.
    EXPECT_EQ(terminated, 1);
    EXPECT_TRUE(app->windows().isEmpty());
}

TEST_F(WindowFlow, DontSaveClosesWithoutWriting)
{
    openAlbum();
    selection().selectCellAtRow(0, columnOf(window, "title"), false);
    grid()->setFocus();
    typeIntoCell("Dropped", Qt::Key_Return);
    const QString path = window->collection().objectAtIndex(0).path();
    window->close();
    answer(waitForSheet(window), "Don't Save");
    EXPECT_EQ(terminated, 1);
    EXPECT_NE(QZTagLibRecord(path, 0).text(RecordField::Title), "Dropped");
}

TEST_F(WindowFlow, DoNotAskAgainUnticksThePreferencesBoxAtOnce)
{
    openAlbum();
    app->showPreferences();
    QCheckBox* box = app->preferencesWindow()->checkBox("showConfirmationWhenClosingTheWindow");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isChecked());

    window->close();
    QMessageBox* confirmation = waitForSheet(window);
    ASSERT_NE(confirmation, nullptr);
    EXPECT_EQ(confirmation->text(), "Do you want to close the window?");
    confirmation->checkBox()->setChecked(true);
    answer(confirmation, "No");
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(settings->showConfirmationBeforeClosingTheWindow());

    // Without the question the window closes at once, and so does the
    // preferences window with the last table window.
    EXPECT_TRUE(window->close());
    EXPECT_EQ(terminated, 1);
    EXPECT_FALSE(app->preferencesWindow()->isVisible());
}

TEST_F(WindowFlow, QuittingKeepsWindowsWithChangesOpen)
{
    settings->setShowConfirmationBeforeClosingTheWindow(false);
    openAlbum();
    // The system's files go to a new window: the first one shows records.
    app->openFiles({album({"tagged.aiff"}, "Other")});
    ASSERT_EQ(app->windows().size(), 2);
    TableMainWindow* clean = app->windows().at(1);
    ASSERT_TRUE(waitIdle(clean));
    EXPECT_EQ(clean->tableModel()->rowCount(), 1);

    window->collection().objectAtIndex(0).setValueAndCheck(QStringLiteral("Changed"), "title");
    QPointer<TableMainWindow> guardedClean(clean);
    EXPECT_FALSE(app->quit());
    ASSERT_TRUE(waitUntil([&] { return !guardedClean || !guardedClean->isVisible(); }));
    EXPECT_EQ(app->windows(), (QList<TableMainWindow*>{window}));
    ASSERT_NE(window->messageSheet(), nullptr);
    EXPECT_EQ(window->messageSheet()->windowTitle(), "Close Window");
    EXPECT_EQ(terminated, 0);
    answer(window->messageSheet(), "Don't Save");
    EXPECT_EQ(terminated, 1);
}

TEST_F(WindowFlow, DropsOnThePlaceholderOpenFiles)
{
    TableMainWindow* empty = app->finishLaunching();
    EmptyTablePlaceholder* placeholder = empty->placeholder();
    ASSERT_TRUE(placeholder->isVisible());

    const auto drop = [&](const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(placeholder, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropEvent(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(placeholder, &dropEvent);
    };

    drop({media.writeFile("readme.txt", "text")});
    QMessageBox* alert = waitForSheet(empty);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->windowTitle(), "Open");
    EXPECT_EQ(alert->text(), "Could not find supported media files.");
    answer(alert, "OK");

    drop({album({"tagged_v24.mp3", "plain.mp3"})});
    ASSERT_TRUE(waitIdle(empty));
    EXPECT_EQ(empty->tableModel()->rowCount(), 2);
    EXPECT_FALSE(placeholder->isVisible());
}

TEST_F(WindowFlow, ArtworkShowsLoadingThenTheThumbnail)
{
    openAlbum();
    const int image = columnOf(window, "image");
    ASSERT_GE(image, 1);
    const QModelIndex withArt = window->tableModel()->index(3, image);   // tagged_v24.mp3
    const QModelIndex without = window->tableModel()->index(0, image);   // plain.mp3
    EXPECT_FALSE(without.data(TableModel::LoadingRole).isValid());
    withArt.data(TableModel::LoadingRole);
    ASSERT_TRUE(waitUntil([&] { return !withArt.data(TableModel::ThumbnailRole).value<QImage>().isNull(); }));
    // The square cover stays square.
    EXPECT_EQ(withArt.data(TableModel::ThumbnailRole).value<QImage>().size(), QSize(40, 40));
    EXPECT_FALSE(withArt.data(TableModel::LoadingRole).toBool());
}

TEST_F(WindowFlow, ShowingAnAudioColumnLoadsThePropertiesFirst)
{
    openAlbum();
    const int sheetsBefore = window->progressSheetsShown();
    window->controller().toggleColumn("duration");
    ASSERT_TRUE(waitIdle(window));
    EXPECT_GT(window->progressSheetsShown(), sheetsBefore);
    ASSERT_GE(columnOf(window, "duration"), 1);
    EXPECT_FALSE(columnTexts(window, "duration").at(1).isEmpty());
}

TEST_F(WindowFlow, TheStatusBarFollowsItsSetting)
{
    openAlbum();
    EXPECT_TRUE(window->statusBarWidget()->isVisible());
    QAction* toggle = window->action("toggleStatusBar");
    EXPECT_EQ(toggle->text(), "Hide Status Bar");
    toggle->trigger();
    EXPECT_FALSE(window->statusBarWidget()->isVisible());
    EXPECT_FALSE(settings->statusBarVisible());
    EXPECT_EQ(toggle->text(), "Show Status Bar");
    EXPECT_FALSE(app->newWindow()->statusBarWidget()->isVisible());
}

TEST_F(WindowFlow, RowsMoveToAnotherWindow)
{
    settings->setShowConfirmationBeforeClosingTheWindow(false);
    openAlbum();
    TableMainWindow* target = app->newWindow();
    selection().selectRowsFrom(0, 1);
    window->postNotification(StatusNotification::resetPriority());
    window->moveToWindow(target);
    EXPECT_EQ(window->tableModel()->rowCount(), 2);
    EXPECT_EQ(target->tableModel()->rowCount(), 2);
    EXPECT_TRUE(target->controller().selection().hasSelectedRange());
    EXPECT_EQ(window->statusBarWidget()->model().message(),
              QStringLiteral("2 rows were moved to window '%1'.").arg(target->title()));

    // Moving the rest closes the source.
    QPointer<TableMainWindow> source(window);
    target->controller().selection().selectRowsFrom(0, 0);
    selection().selectAll();
    target->postNotification(StatusNotification::resetPriority());
    window->moveToWindow(target);
    ASSERT_TRUE(waitUntil([&] { return !source || !source->isVisible(); }));
    EXPECT_EQ(target->tableModel()->rowCount(), 4);
    EXPECT_EQ(target->statusBarWidget()->model().message(), "2 rows were moved from other window");
}

} // namespace
