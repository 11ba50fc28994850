#include "cli/RenameCommand.h"

#include "cli/RecordOpener.h"
#include "cli/RecordSaver.h"
#include "naming/FileNameComposer.h"
#include "record/QZTagLibRecord.h"
#include "table/TableCommandTexts.h"

#include <QFileInfo>
#include <QTextStream>

namespace tagmint::cli {

namespace {

// "OLD -> NEW" for each file; the name stays for a file that gets none.
void printNewNames(const RecordOpener& opener, quint32 composeFlags, QTextStream& out)
{
    for (const RecordPtr& record : opener.records()) {
        const QString shown = opener.displayPath(record->path());
        const QString name = record->isEditable() ? naming::composeFileName(record.get(), composeFlags) : QString();
        const QString suffix = QFileInfo(record->path()).suffix().toLower();
        const QString newName = name.isEmpty() ? QFileInfo(shown).fileName()
                              : suffix.isEmpty() ? name
                                                 : name + QLatin1Char('.') + suffix;
        out << shown << " -> " << RecordOpener::displayPathAfterRename(shown, newName) << '\n';
    }
}

} // namespace

int runRename(const CliOptions& options, QTextStream& out, QTextStream& err)
{
    RecordOpener opener(err);
    opener.open(options.paths);
    const bool opened = opener.succeeded();
    if (options.dryRun) {
        printNewNames(opener, options.composeFlags, out);
        return opened ? kExitOk : kExitFailure;
    }

    RecordSaver saver(opener, out, err);
    const RecordList writable = saver.writableRecords(opener.records());
    QList<QZTagLibRecord*> targets;
    for (const RecordPtr& record : writable)
        targets.append(record.get());
    err << table::tagsChangedText(naming::composeFileNames(targets, options.composeFlags)) << Qt::endl;
    return saver.saveAndReport(writable) && opened ? kExitOk : kExitFailure;
}

} // namespace tagmint::cli
