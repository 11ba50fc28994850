#include "cli/ArtworkCommand.h"

#include "cli/RecordOpener.h"
#include "record/QZTagLibRecord.h"
#include "table/ArtworkExport.h"
#include "tags/QZTagLibTag.h"
#include "util/FileSystem.h"
#include "util/TextConversion.h"

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
    const QString shownPath = text::readable(path);
    if (fs::kindOf(path) != fs::PathKind::File) {
        m_err << shownPath << ": no such file" << Qt::endl;
        return kExitFailure;
    }
    if (!QZTagLibTag::canHandlePath(path)) {
        m_err << shownPath << ": unsupported file type" << Qt::endl;
        return kExitFailure;
    }
    if (fs::kindOf(folder) != fs::PathKind::Folder) {
        m_err << text::readable(folder) << ": no such folder" << Qt::endl;
        return kExitFailure;
    }

    QZTagLibRecord record(fs::absolutePath(path), 0);
    const QImage image = record.image();
    record.releaseTagResources();
    if (image.isNull()) {
        m_err << shownPath << ": " << (record.hasInvalidTags() ? RecordOpener::unreadableTagsText(record.path())
                                           : QStringLiteral("no artwork"))
              << Qt::endl;
        return kExitFailure;
    }
    const std::optional<QString> written = table::exportArtwork(image, folder);
    if (!written) {
        m_err << text::readable(folder) << ": the artwork could not be written" << Qt::endl;
        return kExitFailure;
    }
    m_out << text::readable(*written) << '\n';
    return kExitOk;
}

} // namespace tagmint::cli
