#pragma once
// A table's logic without a window: a host that carries nothing out (it
// only counts), and a fixture with a settings file, a collection of real
// records made from fixture copies, a column layout and the controller.

#include "collection/QZTagLibRecordDataArrayController.h"
#include "record/QZTagLibRecord.h"
#include "settings/QZTagLibTableSettings.h"
#include "settings/SettingsStore.h"
#include "support/TestFiles.h"
#include "table/QuietHost.h"
#include "table/ColumnLayout.h"
#include "table/TableViewController.h"

#include <gtest/gtest.h>

namespace tagmint::test {

// A popover the controller asked for at a cell.
struct ShownNote {
    int row = -1;
    int column = -1;
    tagmint::table::CellExplanation explanation;
};

class TableController : public ::testing::Test {
protected:
    TempDir dir;
    SettingsStore store{dir.filePath("tagmint.conf")};
    QZTagLibTableSettings settings{store};
    QZTagLibRecordDataArrayController collection;
    ColumnLayout layout{store};
    QuietHost host;
    TableViewController controller{collection, layout, host, settings};
    QList<StatusNotification> messages;
    QList<ShownNote> notes;
    QStringList alerts;

    void SetUp() override
    {
        settings.setIntroductoryPopoverAboutCellEditingShown();
        TableViewController::Callbacks callbacks;
        callbacks.notify = [this](const StatusNotification& n) {
            if (n.type == StatusNotification::Type::Message)
                messages.append(n);
        };
        callbacks.showAtCell = [this](int row, int column, const tagmint::table::CellExplanation& e) {
            notes.append({row, column, e});
        };
        callbacks.alert = [this](const QString& title, const QString&) { alerts.append(title); };
        controller.setCallbacks(callbacks);
    }

    // Records of plain.mp3 copies (or of the fixture given) with these titles.
    RecordList addRecords(const QStringList& titles, const QString& fixture = QStringLiteral("plain.mp3"))
    {
        RecordList records;
        for (const QString& title : titles) {
            const QString suffix = QFileInfo(fixture).suffix();
            auto record = std::make_shared<QZTagLibRecord>(
                dir.copyFixture(fixture, title + QLatin1Char('.') + suffix), 0);
            record->setValue(title, "title");
            record->snapshotOriginalValues();
            record->releaseTagResources();
            records.append(record);
        }
        collection.addObjects(records);
        controller.recordsArrived(records, false);
        return records;
    }

    int column(const QString& identifier) const { return layout.indexOfColumn(identifier); }

    void select(int firstRow, int lastRow, const QString& first, const QString& last)
    {
        controller.selection().setupSelectionSafeWithStartRow(firstRow, lastRow, column(first),
                                                              column(last), firstRow, column(first));
    }

    QStringList columnTexts(const QString& key) const
    {
        QStringList texts;
        for (qsizetype row = 0; row < collection.shownCount(); ++row)
            texts << collection.stringAtRow(row, key);
        return texts;
    }
};

} // namespace tagmint::test
