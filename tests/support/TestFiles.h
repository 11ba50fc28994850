#pragma once
// Test helpers: fixture copies in temporary folders, the audio stream's
// packet digest (through the ffmpeg command) and mutagen as an independent
// tag reader and writer.

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

namespace tagmint::test {

// Absolute path of a committed fixture under tests/data/.
QString fixturePath(const QString& name);

// A temporary folder that is removed with its contents.
class TempDir {
public:
    TempDir();
    QString path() const;
    // Absolute path of name inside the folder.
    QString filePath(const QString& name) const;
    // Copies a fixture into the folder (as newName when given), writable;
    // returns the copy's path.
    QString copyFixture(const QString& fixture, const QString& newName = QString()) const;
    // Writes bytes into a new file of the folder; returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
};

// MD5 of the audio stream's packets ("ffmpeg -i F -map 0:a -c copy -f md5 -"):
// equal before and after a tag edit when the audio data is untouched.
// Empty when ffmpeg fails.
QString audioPacketDigest(const QString& path);

// Runs tests/scripts/mutagen_tool.py through /usr/bin/python3.
// read: the tags as mutagen sees them, as a JSON object (see the script).
QJsonObject mutagenRead(const QString& path);
// write: applies a JSON object of edits (see the script); true on success.
bool mutagenWrite(const QString& path, const QJsonObject& edits);

// Runs tests/scripts/mutagen_tags.py: title, artist, album, albumArtist,
// year, trackNumber and the number of pictures of any supported container.
QJsonObject mutagenTags(const QString& path);

// A small JPEG/PNG image of the given size and colour, encoded.
QByteArray makeImageBytes(int width, int height, const char* format = "JPEG");

} // namespace tagmint::test
