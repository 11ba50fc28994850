#pragma once
// A table window for the window benchmarks, under the QApplication that
// main made (offscreen): its own settings file with the editing
// introduction already seen, 1280 x 800, and a copy of a small MP3 fixture
// to make records from.

#include "app/TableMainWindow.h"
#include "app/TagmintApplication.h"
#include "record/QZTagLibRecord.h"
#include "settings/QZTagLibTableSettings.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <memory>

namespace tagmint::bench {

class WindowBench {
public:
    WindowBench()
    {
        if (!QFile::copy(QStringLiteral(TAGMINT_BENCH_DATA_DIR "/plain.mp3"), fixture())) {
            std::fprintf(stderr, "cannot copy the fixture\n");
            return;
        }
        QZTagLibTableSettings(m_store).setIntroductoryPopoverAboutCellEditingShown();
        m_application = std::make_unique<TagmintApplication>(m_store);
        m_application->setTerminateHandler([] {});
        m_window = m_application->newWindow();
        m_window->resize(1280, 800);
        QApplication::processEvents();
    }

    // Null when the fixture could not be copied.
    TableMainWindow* window() const { return m_window; }

    // Records of the fixture, tags only, each given its values in memory.
    RecordList makeRecords(int count, const std::function<void(QZTagLibRecord&, int index)>& fill) const
    {
        RecordList records;
        records.reserve(count);
        for (int i = 0; i < count; ++i) {
            auto record = std::make_shared<QZTagLibRecord>(fixture(), 0);
            record->releaseTagResources();
            fill(*record, i);
            records.append(record);
        }
        return records;
    }

private:
    QString fixture() const { return m_dir.filePath(QStringLiteral("song.mp3")); }

    QTemporaryDir m_dir;
    SettingsStore m_store{m_dir.filePath(QStringLiteral("tagmint.conf"))};
    std::unique_ptr<TagmintApplication> m_application;
    TableMainWindow* m_window = nullptr;
};

// A window benchmark's main: the offscreen application and the window,
// then measure; 1 when the window could not be made.
inline int runWindowBench(int argc, char** argv, int (*measure)(WindowBench& bench, TableMainWindow* window))
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    WindowBench bench;
    return bench.window() ? measure(bench, bench.window()) : 1;
}

} // namespace tagmint::bench
