// The settings file: defaults, stored forms, damaged values, observers.

#include "settings/QZTagLibTableSettings.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tagmint;

namespace {

class Settings : public ::testing::Test {
protected:
    test::TempDir dir;
    QString fileName = dir.filePath(QStringLiteral("tagmint.conf"));

    QString storedText()
    {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

} // namespace

TEST_F(Settings, AFreshInstallationHasTheDefaultsAndWritesNothing)
{
    SettingsStore store(fileName);
    QZTagLibTableSettings settings(store);
    EXPECT_TRUE(settings.showConfirmationBeforeClosingTheWindow());
    EXPECT_TRUE(settings.unlockFilesAtOpening());
    EXPECT_EQ(settings.preprocessFlags(), 5);
    EXPECT_EQ(settings.composeFileNameFlags(), 4103);
    EXPECT_EQ(settings.loadTagsFlags(), 83);
    EXPECT_FALSE(settings.introductoryPopoverAboutCellEditingShown());
    EXPECT_EQ(settings.searchType(), 0);
    EXPECT_FALSE(QFile::exists(fileName));
}

TEST_F(Settings, ValuesAreShortTextsUnderTheirDomain)
{
    {
        SettingsStore store(fileName);
        QZTagLibTableSettings settings(store);
        settings.setStatusBarVisible(false);
        settings.setPreprocessFlags(13);
        settings.setComposeFileNamePopoverShown();
        settings.setSearchType(QZTagLibTableSettings::SearchEndsWith);
        store.writeString(QStringLiteral("Long"), QStringLiteral("Value"), QString(300, QLatin1Char('x')));
    }
    const QString text = storedText();
    EXPECT_TRUE(text.contains(QStringLiteral("[QZTagLibTableSetting]")));
    EXPECT_TRUE(text.contains(QStringLiteral("StatusBarVisible=0")));
    EXPECT_TRUE(text.contains(QStringLiteral("PreprocessFlags=13")));
    EXPECT_TRUE(text.contains(QStringLiteral("ComposeFileNamePopoverShown=1")));
    EXPECT_TRUE(text.contains(QStringLiteral("[QZTagLibRecordTextFinder]")));

    // A new store on the same file sees everything.
    SettingsStore store(fileName);
    QZTagLibTableSettings settings(store);
    EXPECT_FALSE(settings.statusBarVisible());
    EXPECT_EQ(settings.preprocessFlags(), 13);
    EXPECT_TRUE(settings.composeFileNamePopoverShown());
    EXPECT_EQ(settings.searchType(), 2);
    EXPECT_EQ(store.readString(QStringLiteral("Long"), QStringLiteral("Value"))->size(), 259);
    EXPECT_EQ(SettingsStore::composedKey(QStringLiteral("Domain/"), QStringLiteral("Key")),
              QStringLiteral("Domain/Key"));
}

TEST_F(Settings, DamagedValuesReadAsDefaults)
{
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[QZTagLibTableSetting]\n"
               "PreprocessFlags=lots\n"
               "LoadTagsFlags=1, 2, 3\n"
               "StatusBarVisible=\n"
               "ShowFindInterfaceInNewWindow=0 but garbled\n"
               "garbage line without equals\n"
               "[QZTagLibRecordTextFinder]\n"
               "CaseSensitiveSearch=0\n");
    file.close();

    SettingsStore store(fileName);
    QZTagLibTableSettings settings(store);
    EXPECT_EQ(settings.preprocessFlags(), 5);
    EXPECT_EQ(settings.loadTagsFlags(), 83);
    EXPECT_TRUE(settings.statusBarVisible());
    EXPECT_FALSE(settings.showFindInterfaceInNewWindow());
    EXPECT_FALSE(settings.caseSensitiveSearch());
}

TEST_F(Settings, ObserversHearConfirmationChangesOnly)
{
    SettingsStore store(fileName);
    QZTagLibTableSettings settings(store);
    int calls = 0;
    const int index = QZTagLibTableSettings::addObserver([&calls] { ++calls; });

    settings.setShowConfirmationAboutExtendingSelection(false);
    EXPECT_EQ(calls, 1);
    settings.setShowConfirmationAboutExtendingSelection(false);   // no change
    EXPECT_EQ(calls, 1);
    settings.setShowConfirmationBeforeClosingTheWindow(false);
    EXPECT_EQ(calls, 2);
    settings.setStatusBarVisible(false);                           // not a confirmation
    EXPECT_EQ(calls, 2);

    QZTagLibTableSettings::removeObserver(index);
    settings.setShowConfirmationBeforeClosingTheWindow(true);
    EXPECT_EQ(calls, 2);
}
