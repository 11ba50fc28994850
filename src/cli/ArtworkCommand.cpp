#include "cli/ArtworkCommand.h"

#include "cli/RecordOpener.h"
#include "record/QZTagLibRecord.h"
#include "table/ArtworkExport.h"
#include "tags/QZTagLibTag.h"

#include <QFileInfo>
#include <QTextStream>

namespace tagmint::cli {

ArtworkCommand::ArtworkCommand(const CliOptions& options, QTextStream& out, QTextStream& err)
    : m_options(options), m_out(out), m_err(err)
{
}

int ArtworkCommand::run()
{
    const QString path = m_options.paths.value(0);
    const QString folder = m_options.paths.value(1);
    const QFileInfo file(path);
    if (!file.isFile()) {
        m_err << path << ": no such file" << Qt::endl;
        return kExitFailure;
    }
    if (!QZTagLibTag::canHandlePath(path)) {
        m_err << path << ": unsupported file type" << Qt::endl;
        return kExitFailure;
    }
    if (!QFileInfo(folder).isDir()) {
        m_err << folder << ": no such folder" << Qt::endl;
        return kExitFailure;
    }

    QZTagLibRecord record(file.absoluteFilePath(), 0);
    const QImage image = record.image();
    record.releaseTagResources();
    if (image.isNull()) {
        m_err << path << ": " << (record.hasInvalidTags() ? RecordOpener::unreadableTagsText(record.path())
                                           : QStringLiteral("no artwork"))
              << Qt::endl;
        return kExitFailure;
    }
    const std::optional<QString> written = table::exportArtwork(image, folder);
    if (!written) {
        m_err << folder << ": the artwork could not be written" << Qt::endl;
        return kExitFailure;
    }
    m_out << *written << '\n';
    return kExitOk;
}

} // namespace tagmint::cli
