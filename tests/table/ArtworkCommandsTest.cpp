// The artwork cell without a window: where pictures come from, one edit's
// way through the panel and the choosers, writing a picture into several
// selected cells, and saving it into a folder twice.

#include "table/ArtworkCommands.h"
#include "table/TableControllerSupport.h"

#include <QDir>
#include <QImage>

using namespace tagmint;
using namespace tagmint::table;
using State = ArtworkEditSession::State;

namespace {

class Artwork : public test::TableController {
protected:
    QString image(const QString& name, int width, const char* format = "PNG")
    {
        return dir.writeFile(name, test::makeImageBytes(width, 10, format));
    }
};

TEST_F(Artwork, PicturesComeFromImageFilesByNameAndFromMediaFilesTags)
{
    EXPECT_EQ(filesToImage({image("cover.BMP", 12, "BMP")}).image.width(), 12);
    // A JPEG or PNG keeps its bytes, so a save stores them unchanged.
    const QString jpeg = image("cover.jpg", 13, "JPEG");
    EXPECT_EQ(filesToImage({jpeg}).bytes, test::makeImageBytes(13, 10, "JPEG"));
    // A picture under a name that is not an image's is not looked at.
    EXPECT_TRUE(filesToImage({image("cover.txt", 14)}).image.isNull());
    const QString pictured = dir.copyFixture("tagged_v24.mp3");
    const QString plain = dir.copyFixture("plain.mp3");
    EXPECT_FALSE(filesToImage({pictured}).image.isNull());
    EXPECT_FALSE(filesToImage({pictured}).bytes.isEmpty());
    EXPECT_TRUE(filesToImage({plain}).image.isNull());
    // The first picture found, in the given order.
    EXPECT_EQ(filesToImage({plain, dir.writeFile("broken.png", "no"), image("b.gif", 15)}).image.width(), 15);
    EXPECT_TRUE(artworkFileExtensions().contains("flac"));
    EXPECT_TRUE(artworkFileExtensions().endsWith("bmp"));
}

TEST_F(Artwork, TheSessionFollowsThePanelsButtonsAndTheChoosers)
{
    const QImage current = QImage(20, 20, QImage::Format_RGB32);
    const QString recordPath = dir.filePath("song.mp3");
    ArtworkEditSession session;

    session.begin(current, recordPath);
    ASSERT_EQ(session.state(), State::PanelOpen);
    EXPECT_EQ(session.image(), current);
    // Done on the picture as it was writes nothing.
    session.donePressed();
    session.panelClosed();
    EXPECT_EQ(session.state(), State::Abandoned);

    session.begin(current, recordPath);
    session.deletePressed();
    session.panelClosed();
    EXPECT_EQ(session.state(), State::Committed);
    EXPECT_TRUE(session.picture().image.isNull());

    // Escape or a click outside.
    session.begin(current, recordPath);
    session.panelClosed();
    EXPECT_EQ(session.state(), State::Abandoned);

    session.begin(current, recordPath);
    session.replacePressed();
    session.panelClosed();
    ASSERT_EQ(session.state(), State::ChoosingFile);
    EXPECT_EQ(session.chooser().title, "Replace Artwork");
    EXPECT_EQ(session.chooser().startFolder, dir.path());
    session.filesChosen({dir.copyFixture("plain.mp3")});
    EXPECT_EQ(session.state(), State::Abandoned);
    EXPECT_TRUE(session.noPictureFound());

    session.begin(current, recordPath);
    session.savePressed();
    session.panelClosed();
    ASSERT_EQ(session.state(), State::ChoosingFolder);
    EXPECT_EQ(session.chooser().message, "Select the folder where this artwork should be saved.");
    session.folderChosen(dir.path());
    EXPECT_EQ(session.state(), State::Idle);
    EXPECT_EQ(session.exportFolder(), dir.path());

    // No picture: straight to the chooser; cancelling abandons quietly.
    session.begin(QImage(), "/no/such/folder/song.mp3");
    ASSERT_EQ(session.state(), State::ChoosingFile);
    EXPECT_EQ(session.chooser().title, "Add Artwork");
    EXPECT_EQ(session.chooser().startFolder, "");
    session.filesChosen({});
    EXPECT_EQ(session.state(), State::Abandoned);
    EXPECT_FALSE(session.noPictureFound());
    session.begin(QImage(), recordPath);
    session.filesChosen({image("new.png", 30)});
    EXPECT_EQ(session.state(), State::Committed);
    EXPECT_EQ(session.picture().image.width(), 30);
}

TEST_F(Artwork, ANewPictureGoesIntoEverySelectedWritableCellOfTheColumn)
{
    const RecordList records = addRecords({"a", "b", "c", "d"});
    QFile::resize(records[1]->path(), 0);
    records[1]->loadFromPath(records[1]->path(), 0);
    records[1]->releaseTagResources();
    select(0, 2, "image", "image");

    QImage picture(600, 400, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    controller.applyArtwork(0, column("image"), {picture, {}, false});
    EXPECT_EQ(records[0]->image().size(), QSize(600, 400));
    EXPECT_FALSE(records[1]->hasImage());   // its tags could not be read
    EXPECT_EQ(records[2]->image().size(), QSize(600, 400));
    EXPECT_FALSE(records[3]->hasImage());   // not selected
    ASSERT_GE(messages.size(), 2);
    // The column's edit (priority 4) outranks the artwork's report in the bar.
    EXPECT_EQ(messages[messages.size() - 2].message, "2 selected cells were updated.");
    EXPECT_EQ(messages.last().message, "Artwork was updated with image of size 600x400.");

    // A file without a picture of its own is simply back as it was.
    controller.selection().selectCellAtRow(0, column("image"), false);
    controller.applyArtwork(0, column("image"), {});
    EXPECT_FALSE(records[0]->hasImage());
    EXPECT_FALSE(records[0]->isDirtyForKey("image"));
    EXPECT_EQ(messages.last().message, "Artwork was deleted.");
}

TEST_F(Artwork, SavingTwiceIntoAFolderKeepsBothFiles)
{
    addRecords({"pictured"}, "tagged_v24.mp3");
    QDir(dir.path()).mkdir("out");
    const QString folder = dir.filePath("out");
    controller.exportArtwork(0, folder);
    controller.exportArtwork(0, folder);
    EXPECT_TRUE(QFile::exists(folder + "/artwork.jpg"));
    EXPECT_TRUE(QFile::exists(folder + "/artwork (copy 2).jpg"));
    EXPECT_EQ(messages.last().message, "Artwork was saved to folder 'out'");
    EXPECT_EQ(messages.last().shortMessage, "saved to folder 'out'");

    // Deleting the file's own picture is a change to save.
    controller.applyArtwork(0, column("image"), {});
    EXPECT_TRUE(collection.recordAtRow(0)->isDirtyForKey("image"));
    EXPECT_EQ(messages.last().shortMessage, "deleted");

    // Nothing to save: no file and no word.
    messages.clear();
    addRecords({"plain"});
    controller.exportArtwork(1, folder);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
}

TEST_F(Artwork, ASourceWithoutAPictureIsReportedInAnAlert)
{
    controller.reportNoArtwork();
    EXPECT_EQ(alerts, QStringList{"Could not load artwork."});
    EXPECT_EQ(messages.last().title, "Artwork");
    EXPECT_EQ(messages.last().message, "Selected file does not contain artwork.");
}

} // namespace
