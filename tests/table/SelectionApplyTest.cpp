// Running a command over the selection, with the question whether a single
// selected cell should become the whole table.

#include "SelectionTestSupport.h"

#include "settings/QZTagLibTableSettings.h"
#include "table/SelectionOperationRunner.h"

#include <QTemporaryDir>
#include <optional>

using namespace tagmint::table;

namespace {

class SelectionApplyTest : public SelectionTest {
protected:
    QTemporaryDir folder;
    SettingsStore store{folder.filePath(QStringLiteral("tagmint.conf"))};
    QZTagLibTableSettings settings{store};
    std::optional<std::pair<ExtendAnswer, bool>> answer;   // none: the reply comes later
    ApplyToSelectionCallbacks::Reply laterReply;
    std::optional<OperationRange> ran;
    int asked = 0, operationChanges = 0, refreshes = 0;
    std::vector<int> results;

    void apply(unsigned flags = 0)
    {
        ApplyToSelectionCallbacks callbacks;
        callbacks.ask = [this](const ApplyToSelectionCallbacks::Reply& reply) {
            ++asked;
            answer ? reply(answer->first, answer->second) : void(laterReply = reply);
        };
        callbacks.refreshAfterChanges = [this] { ++refreshes; };
        callbacks.showResult = [this](int n) { results.push_back(n); };
        const auto operation = [this](const OperationRange& range, const std::function<void(int)>& done) {
            ran = range;
            done(operationChanges);
        };
        applyToSelection(selection, settings, flags, operation, callbacks);
    }
};

} // namespace

TEST_F(SelectionApplyTest, SeveralCellsRunAtOnceOnTheirWritableColumns)
{
    select({2, 3, 3, 5}, {2, 3});
    operationChanges = 4;
    apply();
    EXPECT_EQ(asked, 0);
    ASSERT_TRUE(ran);
    EXPECT_EQ(std::make_tuple(ran->columns, ran->firstRow, ran->lastRow),
              std::make_tuple(QStringList{"album", "year"}, 2, 3));
    operationChanges = 0;
    apply();
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(results, (std::vector<int>{4, 0}));
}

TEST_F(SelectionApplyTest, YesExtendsNoKeepsCancelStops)
{
    selection.selectCellAtRow(4, 2, false);
    answer = {ExtendAnswer::Cancel, false};
    apply();
    EXPECT_FALSE(ran);
    EXPECT_TRUE(results.empty());

    answer = {ExtendAnswer::No, false};
    apply();
    ASSERT_TRUE(ran);
    EXPECT_EQ(std::make_tuple(ran->columns, ran->firstRow), std::make_tuple(QStringList{"artist"}, 4));

    answer = {ExtendAnswer::Yes, false};
    apply();
    EXPECT_TRUE(selection.isAllSelected());
    EXPECT_EQ(std::make_tuple(ran->columns, ran->firstRow, ran->lastRow),
              std::make_tuple(QStringList{"title", "artist", "album", "year"}, 0, 9));
    EXPECT_EQ(asked, 3);
}

TEST_F(SelectionApplyTest, DoNotAskAgainIsRememberedEvenOnCancel)
{
    selection.selectCellAtRow(4, 2, false);
    answer = {ExtendAnswer::Cancel, true};
    apply();
    EXPECT_FALSE(QZTagLibTableSettings(store).showConfirmationAboutExtendingSelection());
    apply();
    EXPECT_EQ(asked, 1);
    ASSERT_TRUE(ran);
    EXPECT_EQ(ran->columns, QStringList{"artist"});
}

TEST_F(SelectionApplyTest, ALaterReplyCountsOnce)
{
    selection.selectCellAtRow(4, 2, false);
    apply();
    EXPECT_FALSE(ran);
    laterReply(ExtendAnswer::No, false);
    laterReply(ExtendAnswer::Yes, false);
    EXPECT_EQ(ran->columns, QStringList{"artist"});
    EXPECT_EQ(results.size(), 1u);
}

TEST_F(SelectionApplyTest, NoWritableColumnReportsZeroUnlessQuiet)
{
    selection.selectCellAtRow(4, 5, false);
    answer = {ExtendAnswer::No, false};
    apply();
    apply(ApplyQuietWithoutColumns | ApplyAllEditableColumns);
    EXPECT_FALSE(ran);
    EXPECT_EQ(results, std::vector<int>{0});
}
