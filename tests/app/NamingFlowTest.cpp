// File names from tags and tags from paths as a user meets them in a window:
// preprocessing at opening, Shift+Enter on the file-name column, the load
// tags commands with their questions, dialog and report.

#include "AppTestSupport.h"

#include "app/CellPopover.h"
#include "app/ComposeOptionsPanel.h"
#include "app/LoadTagsDialog.h"
#include "naming/FileNameComposer.h"
#include "network/LoadTagsFlags.h"
#include "table/ColumnLayout.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

using namespace tagmint::test;

namespace {

class NamingFlow : public AppTest {
protected:
    // Untagged files laid out as "Miles Davis/Kind of Blue (1959)/NN - Title.mp3"
    // with the album's folder.jpg.
    QString kindOfBlue()
    {
        const QString folder = "Music/Miles Davis/Kind of Blue (1959)";
        QDir(media.path()).mkpath(folder);
        for (const char* name : {"01 - So What.mp3", "02 - Freddie Freeloader.mp3"}) {
            media.copyFixture("plain.mp3", folder + "/" + name);
        }
        media.writeFile(folder + "/folder.jpg", makeImageBytes(40, 40));
        return media.filePath(folder);
    }

    TableMainWindow* window = nullptr;
    TableGridView* grid() const { return window->gridView(); }
    QZTagLibTableSelection& selection() const { return window->controller().selection(); }
};

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(NamingFlow, OpeningFillsMissingTagsFromPathsAndShowsTheirColumnsWithoutWriting)
{
    settings->setPreprocessFlags(5);
    const QString folder = kindOfBlue();
    const QByteArray before = bytesOf(folder + "/01 - So What.mp3");
    {
        ColumnLayout layout(*store);
        ASSERT_FALSE(layout.isVisible("albumArtist"));
    }

    window = launchWith({folder});
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(columnTexts(window, "title"), (QStringList{"So What", "Freddie Freeloader"}));
    EXPECT_EQ(columnTexts(window, "album"), (QStringList{"Kind Of Blue", "Kind Of Blue"}));
    EXPECT_EQ(columnTexts(window, "albumArtist"), (QStringList{"Miles Davis", "Miles Davis"}));
    EXPECT_TRUE(window->columnLayout().isVisible("albumArtist"));
    EXPECT_TRUE(window->collection().objectAtIndex(0).hasImage());
    EXPECT_TRUE(window->controller().grid().isCellModified(0, columnOf(window, "title")));
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Open: 2 files, 14 changes");
    EXPECT_EQ(bytesOf(folder + "/01 - So What.mp3"), before);
}

TEST_F(NamingFlow, ShiftEnterComposesTheSelectedFileNames)
{
    const QString folder = album({"tagged.flac", "tagged_v24.mp3"});
    window = launchWith({folder});
    ASSERT_NE(window, nullptr);
    const int filename = columnOf(window, "filename");
    selection().setupSelectionSafeWithStartRow(0, 1, filename, filename, 0, filename);

    // The first time an introduction comes first, once.
    QTest::keyClick(grid(), Qt::Key_Return, Qt::ShiftModifier);
    CellPopover* introduction = grid()->cellPopover();
    ASSERT_NE(introduction, nullptr);
    EXPECT_EQ(introduction->title(), "File Name");
    EXPECT_TRUE(settings->composeFileNamePopoverShown());
    ASSERT_NE(introduction->button(), nullptr);
    EXPECT_EQ(introduction->button()->text(), "Start Renaming");
    introduction->button()->click();
    ASSERT_TRUE(waitUntil([this] { return grid()->composePanel() != nullptr; }, 3000));
    ComposeOptionsPanel* panel = grid()->composePanel();

    // Stored options by default: track, artist, title with hyphens.
    const QZTagLibRecord& first = window->collection().objectAtIndex(0);
    EXPECT_EQ(panel->exampleText(), tagmint::naming::composeFileName(&first, 4103));
    panel->checkBox(tagmint::naming::ComposeUseLowercase)->click();
    EXPECT_EQ(panel->exampleText(), panel->exampleText().toLower());
    panel->checkBox(tagmint::naming::ComposeTrack)->click();
    panel->checkBox(tagmint::naming::ComposeArtist)->click();
    panel->checkBox(tagmint::naming::ComposeTitle)->click();
    EXPECT_EQ(panel->exampleText(), "Undefined options. Renaming will have no effect.");
    panel->checkBox(tagmint::naming::ComposeTitle)->click();
    panel->doneButton()->click();
    QApplication::processEvents();

    EXPECT_EQ(columnTexts(window, "filename"), (QStringList{"flac title", "café song"}));
    EXPECT_EQ(settings->composeFileNameFlags(), int(tagmint::naming::ComposeTitle | tagmint::naming::ComposeUseHyphen
                                                    | tagmint::naming::ComposeUseLowercase));
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Edit: 2 changes");
    EXPECT_TRUE(QFileInfo::exists(folder + "/tagged.flac"));   // renamed only on save

    // Right after, a second Shift+Enter opens nothing; later it does, with
    // no introduction, and closing it without Done changes no name.
    QTest::keyClick(grid(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(grid()->composePanel(), nullptr);
    QTest::qWait(550);
    QTest::keyClick(grid(), Qt::Key_Return, Qt::ShiftModifier);
    ASSERT_NE(grid()->composePanel(), nullptr);
    grid()->composePanel()->checkBox(tagmint::naming::ComposeYear)->click();
    grid()->composePanel()->close();
    QApplication::processEvents();
    EXPECT_EQ(columnTexts(window, "filename"), (QStringList{"flac title", "café song"}));
    EXPECT_TRUE(settings->composeFileNameFlags() & tagmint::naming::ComposeYear);

    window->action("save")->trigger();
    ASSERT_TRUE(waitIdle(window));
    EXPECT_TRUE(QFileInfo::exists(folder + "/flac title.flac"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/café song.mp3"));
}

TEST_F(NamingFlow, LoadTagsFromPathsFillsTheSelectionAndReportsOnce)
{
    const QString folder = kindOfBlue();
    window = launchWith({folder});
    ASSERT_NE(window, nullptr);
    selection().selectCellAtRow(1, columnOf(window, "title"), false);

    window->action("loadTagsFromPaths")->trigger();
    answer(waitForSheet(window), "No");   // one cell stays one cell
    QMessageBox* report = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        report = window->messageSheet();
        return report && report->objectName() == "TagsChangedAlert";
    }));
    EXPECT_EQ(report->windowTitle(), "Load Tags From Paths");
    EXPECT_EQ(report->text(), "1 tag changed.");
    report->checkBox()->setChecked(true);
    answer(report, "OK");
    EXPECT_FALSE(settings->showConfirmationAfterTagsUpdate());
    EXPECT_EQ(columnTexts(window, "title"), (QStringList{"", "Freddie Freeloader"}));
    EXPECT_EQ(columnTexts(window, "artist"), (QStringList{"", ""}));

    // A selection without a loadable column: show the columns and retry.
    const int filename = columnOf(window, "filename");
    selection().setupSelectionSafeWithStartRow(0, 1, filename, filename, 0, filename);
    window->action("loadTagsFromPaths")->trigger();
    QMessageBox* question = waitForSheet(window);
    ASSERT_NE(question, nullptr);
    EXPECT_TRUE(question->text().startsWith("Selection should exist in columns such as Title, Artist"));
    answer(question, "Yes");
    ASSERT_TRUE(waitUntil([this] { return columnTexts(window, "artist") == QStringList{"Miles Davis", "Miles Davis"}; }));
    ASSERT_TRUE(waitIdle(window));
    EXPECT_TRUE(window->columnLayout().isVisible("tracksTotal"));
    EXPECT_EQ(columnTexts(window, "title"), (QStringList{"So What", "Freddie Freeloader"}));
    // Row 1 had its title; each record took the folder's picture.
    EXPECT_EQ(window->statusBarWidget()->messageLabel()->text(), "Load Tags From Paths: 13 changes");
}

TEST_F(NamingFlow, TheOptionsDialogKeepsItsBoxesAndNeedsASource)
{
    window = launchWith({kindOfBlue()});
    ASSERT_NE(window, nullptr);
    selection().selectAll();
    window->action("loadTags")->trigger();
    LoadTagsDialog* dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (dialog = window->findChild<LoadTagsDialog*>()) != nullptr; }, 3000));
    EXPECT_EQ(dialog->windowTitle(), "Load Tags Advanced");
    EXPECT_EQ(dialog->flags(), 83u);
    dialog->fromNetworkBox()->click();
    EXPECT_FALSE(dialog->useExistingTagsBox()->isEnabled());
    dialog->fromPathsBox()->click();
    EXPECT_FALSE(dialog->continueButton()->isEnabled());
    EXPECT_EQ(settings->loadTagsFlags(), int(tagmint::network::MissingOnly | tagmint::network::UseExistingTags));
    dialog->fromPathsBox()->click();
    dialog->continueButton()->click();
    ASSERT_TRUE(waitUntil([this] { return window->messageSheet() != nullptr; }));
    // Artwork, title, artist and album are the loadable columns shown.
    EXPECT_EQ(window->messageSheet()->text(), "8 tags changed.");
    EXPECT_EQ(columnTexts(window, "artist"), (QStringList{"Miles Davis", "Miles Davis"}));
    EXPECT_EQ(columnTexts(window, "year"), (QStringList{"", ""}));
}
