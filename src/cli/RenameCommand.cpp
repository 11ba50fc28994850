#include "cli/RenameCommand.h"

#include "cli/RecordOpener.h"
#include "cli/RecordSaver.h"
#include "naming/FileNameComposer.h"
#include "record/QZTagLibRecord.h"
#include "table/TableCommandTexts.h"

#include <QFileInfo>
#include <QTextStream>

namespace tagmint::cli {

RenameCommand::RenameCommand(const CliOptions& options, QTextStream& out, QTextStream& err)
    : m_options(options), m_out(out), m_err(err)
{
}

int RenameCommand::run()
{
    RecordOpener opener(m_err);
    opener.open(m_options.paths);
    bool allGood = opener.succeeded();

    if (m_options.dryRun) {
        for (const RecordPtr& record : opener.records()) {
            const QString shown = opener.displayPath(record->path());
            const QString name = naming::composeFileName(record.get(), m_options.composeFlags);
            const QString suffix = QFileInfo(record->path()).suffix();
            const QString newName = name.isEmpty() || !record->isEditable()
                ? QFileInfo(shown).fileName()
                : suffix.isEmpty() ? name : name + QLatin1Char('.') + suffix.toLower();
            m_out << shown << " -> " << RecordOpener::displayPathAfterRename(shown, newName) << '\n';
        }
        return allGood ? kExitOk : kExitFailure;
    }

    RecordSaver saver(opener, m_out, m_err);
    RecordList writable;
    QList<QZTagLibRecord*> targets;
    for (const RecordPtr& record : opener.records()) {
        if (!saver.checkWritable(*record)) {
            allGood = false;
            continue;
        }
        writable.append(record);
        targets.append(record.get());
    }
    m_out << table::tagsChangedText(naming::composeFileNames(targets, m_options.composeFlags)) << '\n';
    return saver.saveAndReport(writable) && allGood ? kExitOk : kExitFailure;
}

} // namespace tagmint::cli
