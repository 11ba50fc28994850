// Undo and redo over every kind of command of a table: the values, the
// modified marks, the artwork and removed rows come back, steps are named
// after their commands, a save is not forgotten, changes made by code that
// knows nothing of the history are caught, and the history stays bounded.

#include "record/RecordChangeLog.h"
#include "table/TableClipboard.h"
#include "table/TableControllerSupport.h"

#include <QImage>

using namespace tagmint;
using namespace tagmint::table;

namespace {

class History : public test::TableController {
protected:
    // Title, artist and whether each is modified, row by row.
    QStringList snapshot() const
    {
        QStringList state;
        for (const RecordPtr& record : collection.arrangedObjects()) {
            state << QStringLiteral("%1%2/%3%4/%5")
                         .arg(record->text(RecordField::Title))
                         .arg(record->isDirtyForKey("title") ? "*" : "")
                         .arg(record->text(RecordField::Artist))
                         .arg(record->isDirtyForKey("artist") ? "*" : "")
                         .arg(record->hasImage() ? QString::number(record->image().width()) : "-");
        }
        return state;
    }
    static QImage picture(int width) { QImage image(width, 8, QImage::Format_RGB32); image.fill(Qt::red); return image; }
};

TEST_F(History, EveryCommandIsOneStepThatUndoAndRedoWalkThrough)
{
    addRecords({"a", "b", "c", "d"});
    const int title = column("title");
    const int image = column("image");
    QList<QStringList> states{snapshot()};
    QStringList names;
    const auto step = [&](const QString& name, const std::function<void()>& command) {
        command();
        states.append(snapshot());
        names.append(name);
        EXPECT_EQ(controller.history().undoName(), name);
    };

    step("Edit", [&] { controller.commitEdit(0, title, "one", false); });
    step("Edit", [&] {
        select(1, 2, "title", "title");
        controller.commitEdit(1, title, "many", true);
    });
    step("Paste", [&] {
        controller.selection().selectCellAtRow(0, title, false);
        controller.paste(tableMimeData("p1\tartist 1\np2\tartist 2", QImage()).get());
    });
    step("Clear Cells", [&] {
        select(1, 1, "title", "artist");
        controller.clearSelectedContent();
    });
    step("Revert", [&] {
        select(0, 3, "title", "title");
        controller.revertSelectedContent();
    });
    step("Artwork", [&] {
        select(0, 1, "image", "image");
        controller.applyArtwork(0, image, {picture(40), {}, false});
    });
    step("Artwork", [&] { controller.applyArtwork(1, image, {}); });
    step("Remove Rows", [&] {
        select(1, 2, "title", "title");
        controller.removeRows(controller.selectedRecords());
    });
    ASSERT_EQ(controller.history().count(), names.size());
    EXPECT_EQ(collection.shownCount(), 2);

    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        controller.undo();
        EXPECT_EQ(snapshot(), states.at(i)) << "undo " << names.at(i).toStdString();
        EXPECT_EQ(messages.last().title, "Undo");
        EXPECT_EQ(messages.last().message, names.at(i) + " was undone.");
    }
    EXPECT_FALSE(controller.history().canUndo());
    EXPECT_FALSE(collection.isDirtyUnarranged());
    for (qsizetype i = 0; i < names.size(); ++i) {
        controller.redo();
        EXPECT_EQ(snapshot(), states.at(i + 1)) << "redo " << names.at(i).toStdString();
    }
}

TEST_F(History, UndoingPastASaveMarksTheCellModifiedAgain)
{
    const RecordList records = addRecords({"a"});
    controller.commitEdit(0, column("title"), "saved", false);
    ASSERT_TRUE(records[0]->saveIfDirty());
    EXPECT_FALSE(records[0]->isDirty());

    controller.undo();
    EXPECT_EQ(records[0]->text(RecordField::Title), "a");
    EXPECT_TRUE(records[0]->isDirtyForKey("title"));   // the file holds "saved"
    controller.redo();
    EXPECT_FALSE(records[0]->isDirty());
}

TEST_F(History, ChangesOfCodeThatKnowsNothingOfUndoAreCaught)
{
    const RecordList records = addRecords({"a", "b"});
    // Any command running its changes through performChange joins.
    controller.selection().performChange(
        [&] {
            for (const RecordPtr& record : records)
                record->setValueAndCheck(record->text(RecordField::Title).toUpper(), "title");
        },
        QZTagLibTableSelection::RefreshVisibleOnly, "Change Case");
    EXPECT_EQ(controller.history().undoName(), "Change Case");
    // A change that changed nothing, and one outside performChange, leave no step.
    controller.selection().performChange([] {}, 0, "Nothing");
    records[0]->setValue("outside", "artist");
    EXPECT_EQ(controller.history().count(), 1);

    controller.undo();
    EXPECT_EQ(records[0]->text(RecordField::Title), "a");
    EXPECT_EQ(records[1]->text(RecordField::Title), "b");
    EXPECT_EQ(records[0]->text(RecordField::Artist), "outside");
}

TEST_F(History, RowsReturnToTheirPlacesAndMovedRowsAreLeftAlone)
{
    const RecordList records = addRecords({"a", "b", "c", "d", "e"});
    settings.setShowConfirmationBeforeRemovingRows(false);
    controller.removeRows({records[1], records[3]});
    controller.commitEdit(0, column("title"), "x", false);
    ASSERT_EQ(columnTexts("title"), (QStringList{"x", "c", "e"}));
    controller.undo();
    controller.undo();
    EXPECT_EQ(columnTexts("title"), (QStringList{"a", "b", "c", "d", "e"}));

    // A record that left the window since is not changed by an undo.
    controller.redo();
    controller.redo();
    collection.removeObjects({records[0]});
    controller.undo();
    EXPECT_EQ(records[0]->text(RecordField::Title), "x");
}

TEST_F(History, TheHistoryIsBoundedInStepsAndMemory)
{
    addRecords({"a"});
    const int title = column("title");
    for (int i = 0; i < EditHistory::kMaxSteps + 19; ++i)
        controller.commitEdit(0, title, QString::number(i), false);
    EXPECT_EQ(controller.history().count(), EditHistory::kMaxSteps);
    // Dropping the oldest step does not tell the menus about every step
    // kept: that made each edit of a full history cost a hundred updates.
    int signalled = 0;
    QObject::connect(&controller.history().stack(), &QUndoStack::indexChanged, [&signalled] { ++signalled; });
    controller.commitEdit(0, title, QString::number(EditHistory::kMaxSteps + 19), false);
    EXPECT_LE(signalled, 2);
    EXPECT_EQ(controller.history().count(), EditHistory::kMaxSteps);
    // The newest steps stay, in order.
    controller.undo();
    EXPECT_EQ(collection.stringAtRow(0, "title"), QString::number(EditHistory::kMaxSteps + 18));

    // Big values push the old steps out by their size; the newest stays
    // whatever its size.
    EditHistory small(collection, 10, 2000);
    QZTagLibRecord& record = *collection.recordAtRow(0);
    for (int i = 0; i < 6; ++i) {
        small.beginStep("Edit");
        record.setValue(QString(200, QChar(u'a' + i)), "title");
        small.endStep();
    }
    EXPECT_LE(small.retainedBytes(), 2000);
    EXPECT_LT(small.count(), 6);
    small.beginStep("Edit");
    record.setValue(QString(5000, QChar(u'z')), "title");
    small.endStep();
    EXPECT_EQ(small.count(), 1);
    small.undo();
    EXPECT_EQ(record.text(RecordField::Title), QString(200, QChar(u'f')));
}

TEST_F(History, GoingAwayTellsNoListener)
{
    addRecords({"a"});
    auto history = std::make_unique<EditHistory>(collection);
    history->beginStep("Edit");
    collection.recordAtRow(0)->setValue(QStringLiteral("b"), "title");
    history->endStep();
    // A window that owns the history hears nothing while it is destroyed.
    int signalled = 0;
    QObject::connect(&history->stack(), &QUndoStack::indexChanged, [&signalled] { ++signalled; });
    history.reset();
    EXPECT_EQ(signalled, 0);
}

TEST(RecordChangeLog, KeepsTheFirstValueAndOnlyRealChanges)
{
    test::TempDir dir;
    auto record = std::make_shared<QZTagLibRecord>(dir.copyFixture("plain.mp3"), 0);
    QZTagLibRecord onStack(dir.copyFixture("plain.mp3", "other.mp3"), 0);
    RecordChangeLog log;
    record->setValue("first", "title");
    record->setValue("second", "title");
    record->setValue("", "artist");   // was empty already
    onStack.setValue("not shared", "title");   // not owned by a pointer: not noted
    const RecordChanges changes = log.finish();
    ASSERT_EQ(changes.texts.size(), 1);
    EXPECT_EQ(changes.texts[0].before, "");
    EXPECT_EQ(changes.texts[0].after, "second");
    EXPECT_TRUE(changes.artwork.isEmpty());
    EXPECT_GT(changes.estimatedBytes(), 0);
}

} // namespace
