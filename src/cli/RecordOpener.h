#pragma once
// Opens the paths given on the command line the way a window opens them:
// folders expanded, hidden and unsupported files skipped and counted,
// duplicates ignored, records in path order. Files are read as they are on
// disk: no preprocessing, no unlocking.

#include "collection/QZTagLibRecordDataArrayController.h"

#include <QHash>
#include <QStringList>

class QTextStream;

namespace tagmint::cli {

class RecordOpener {
public:
    explicit RecordOpener(QTextStream& err);

    // Loads the records; paths that cannot be opened are reported on stderr
    // with the reason, and the open's result message follows them.
    // loadFlags: QZTagLibRecord::LoadAudioProperties or 0.
    void open(const QStringList& paths, quint32 loadFlags = 0);

    const RecordList& records() const { return m_collection.arrangedObjects(); }
    QZTagLibRecordDataArrayController& collection() { return m_collection; }
    // Every given path was usable (it exists, a file given directly is of a
    // supported kind) and something was found to open.
    bool succeeded() const { return m_succeeded; }

    // A record's path as the user would write it: in the spelling the file
    // or one of its folders was given in, stray bytes as characters.
    QString displayPath(const QString& recordPath) const;
    // The new path of a renamed file, spelled like its old shown path.
    static QString displayPathAfterRename(const QString& shownOldPath, const QString& newPath);
    // What the commands print for a record with invalid tags: "the tags
    // cannot be read", followed by what our structure check found wrong
    // with the file when it found something.
    static QString unreadableTagsText(const QString& recordPath);

private:
    QString givenSpelling(const QString& recordPath) const;

    QTextStream& m_err;
    QZTagLibRecordDataArrayController m_collection;
    QHash<QString, QString> m_givenSpelling;   // absolute path -> as given
    bool m_succeeded = true;
};

} // namespace tagmint::cli
