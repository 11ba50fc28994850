#pragma once
// Decoding of byte strings that come from the file system or a library, and
// the path texts that stand for file names in any bytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace tagmint::text {

// UTF-8 first; bytes that are not valid UTF-8 are read as Latin-1, so
// nothing a library hands us is silently dropped.
QString fromExternalBytes(const QByteArray& bytes);

// A file name's bytes as a path text, one to one. Valid UTF-8 reads as
// UTF-8; every other byte from 0x80 up (a Latin-1 name, a cut sequence)
// becomes one character U+EF80-U+EFFF standing for that byte.
// toFileSystemPath gives the same bytes back, so every path the file system
// hands us can be opened, saved and renamed again. (A leading byte order
// mark stays too; QFile::decodeName drops it.)
QString fromFileSystemPath(QByteArrayView bytes);

// The file-system form of a path text (the inverse of fromFileSystemPath).
QByteArray toFileSystemPath(const QString& path);

// A path text as people read it: each stray byte as its Windows-1252
// character (U+FFFD for the five bytes that code leaves unassigned).
// For showing only; the path text itself names the file.
QString readable(const QString& path);

// The arguments after the program's name, as path texts (after the
// application object took its own options out of argv):
// QCoreApplication::arguments() loses the bytes of a non-UTF-8 name.
QStringList commandLineArguments(int argc, const char* const* argv);

// The path text of a "file:" URL, from the URL's bytes (QUrl::toLocalFile
// would lose the bytes of a non-UTF-8 name); empty for other URLs.
QString pathFromUrl(const QUrl& url);
QUrl urlFromPath(const QString& path);

// The system's text for an errno value, starting in lower case to follow a
// colon in a message ("no space left on device").
QString systemErrorText(int errorNumber);

} // namespace tagmint::text
