// When the file-name options panel may open: the gestures that ask for it
// and the 500 ms between two presentations, on a clock the test turns.

#include "naming/FileNameComposer.h"
#include "table/FileNameComposing.h"
#include "table/SelectionInput.h"

#include <gtest/gtest.h>

using namespace tagmint::table;

TEST(FileNameComposerPanel, OpensAtMostOnceInHalfASecondCountingRefusedRequests)
{
    qint64 now = 10'000;
    PanelPresentationGate gate([&now] { return now; });
    EXPECT_TRUE(gate.allowPresentation());
    now += 499;
    EXPECT_FALSE(gate.allowPresentation());
    now += 499;   // 998 ms after the first, but 499 after the refused one
    EXPECT_FALSE(gate.allowPresentation());
    now += 500;
    EXPECT_TRUE(gate.allowPresentation());
}

TEST(FileNameComposerPanel, ReturnWithAModifierAsksForThePanel)
{
    for (const Qt::KeyboardModifier modifier :
         {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier}) {
        EXPECT_TRUE(isComposeGesture({Qt::Key_Return, modifier, QString()}));
        EXPECT_TRUE(isComposeGesture({Qt::Key_Enter, modifier | Qt::KeypadModifier, QString()}));
    }
    EXPECT_FALSE(isComposeGesture({Qt::Key_Return, Qt::NoModifier, QString()}));
    EXPECT_FALSE(isComposeGesture({Qt::Key_Enter, Qt::KeypadModifier, QString()}));
    EXPECT_FALSE(isComposeGesture({Qt::Key_A, Qt::ShiftModifier, "A"}));
}

TEST(FileNameComposerPanel, EveryOptionHasABoxAndTheTagsComeFirst)
{
    quint32 all = 0;
    for (const ComposeOption& option : composeOptions())
        all |= option.flag;
    EXPECT_EQ(composeOptions().size(), 9);
    EXPECT_EQ(all, 0x703Fu);
    EXPECT_EQ(composeOptions().at(5).flag & tagmint::naming::kComposeTagMask, composeOptions().at(5).flag);
    EXPECT_EQ(composeOptions().at(6).flag & tagmint::naming::kComposeTagMask, 0u);
}
