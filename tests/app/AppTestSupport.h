#pragma once
// Windows of a real application object over fixture copies and a settings
// file in a temporary folder, and ways to wait for jobs and answer sheets.

#include "app/StatusBarWidget.h"
#include "app/TableGridView.h"
#include "app/TableMainWindow.h"
#include "app/TableModel.h"
#include "app/TagmintApplication.h"
#include "record/QZTagLibRecord.h"
#include "settings/QZTagLibTableSettings.h"
#include "settings/SettingsStore.h"
#include "support/TestFiles.h"

#include <QAbstractButton>
#include <QDir>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace tagmint::test {

class AppTest : public ::testing::Test {
protected:
    TempDir settingsDir;
    TempDir media;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<QZTagLibTableSettings> settings;
    std::unique_ptr<TagmintApplication> app;
    int terminated = 0;

    void SetUp() override
    {
        store = std::make_unique<SettingsStore>(settingsDir.filePath("tagmint.conf"));
        settings = std::make_unique<QZTagLibTableSettings>(*store);
        // The one-time introduction would stand between keys and editors.
        settings->setIntroductoryPopoverAboutCellEditingShown();
        // Files open as they are on disk unless a test asks for preprocessing.
        settings->setPreprocessFlags(0);
        app = std::make_unique<TagmintApplication>(*store);
        app->setTerminateHandler([this] { ++terminated; });
    }

    void TearDown() override
    {
        app.reset();
        QApplication::processEvents();
    }

    // An album folder two levels below the temporary folder with copies of
    // the given fixtures.
    QString album(const QStringList& fixtures, const QString& name = QStringLiteral("Album"))
    {
        QDir(media.path()).mkpath(QStringLiteral("Music/") + name);
        const QString folder = media.filePath(QStringLiteral("Music/") + name);
        for (const QString& fixture : fixtures)
            QFile::copy(fixturePath(fixture), folder + QLatin1Char('/') + fixture);
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files))
            QFile::setPermissions(file.filePath(), file.permissions() | QFileDevice::WriteOwner);
        return folder;
    }

    static bool waitUntil(const std::function<bool()>& condition, int timeout = 15000)
    {
        return QTest::qWaitFor(condition, timeout);
    }

    // Waits until the window's job and its sheet are gone.
    static bool waitIdle(TableMainWindow* window)
    {
        return waitUntil([window] {
            return !window->collection().isBusy() && !window->progressSheet();
        });
    }

    // Shown and active, so the keyboard focus is real and keys sent to no
    // widget in particular go where a user's would.
    static bool activate(QWidget* window)
    {
        window->show();
        QApplication::setActiveWindow(window);
        return QTest::qWaitForWindowActive(window);
    }

    TableMainWindow* launchWith(const QStringList& paths)
    {
        app->openFiles(paths);
        TableMainWindow* window = app->finishLaunching();
        EXPECT_TRUE(waitIdle(window));
        return window;
    }

    static QMessageBox* waitForSheet(TableMainWindow* window)
    {
        waitUntil([window] { return window->messageSheet() != nullptr; }, 3000);
        return window->messageSheet();
    }

    static void answer(QMessageBox* box, const QString& button)
    {
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* candidate : box->buttons()) {
            if (candidate->text() == button) {
                candidate->click();
                QApplication::processEvents();
                return;
            }
        }
        FAIL() << "no button " << button.toStdString();
    }

    static QStringList columnTexts(TableMainWindow* window, const QString& identifier)
    {
        QStringList texts;
        auto& collection = window->collection();
        for (qsizetype row = 0; row < collection.shownCount(); ++row)
            texts << collection.stringAtRow(row, identifier);
        return texts;
    }

    static int columnOf(TableMainWindow* window, const QString& identifier)
    {
        return window->columnLayout().indexOfColumn(identifier);
    }
};

} // namespace tagmint::test
