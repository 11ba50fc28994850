#pragma once
// Decoding of byte strings that come from the file system or a library.

#include <QByteArray>
#include <QString>

namespace tagmint::text {

// UTF-8 first; bytes that are not valid UTF-8 are read as Latin-1, so
// nothing a library hands us is silently dropped.
QString fromExternalBytes(const QByteArray& bytes);

// The file-system form of a path (local 8-bit encoding, UTF-8 on Linux).
QByteArray toFileSystemPath(const QString& path);

// The system's text for an errno value, starting in lower case to follow a
// colon in a message ("no space left on device").
QString systemErrorText(int errorNumber);

} // namespace tagmint::text
