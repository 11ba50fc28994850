#pragma once
// File names that are not UTF-8, as collections copied from other systems
// carry them, in a temporary folder that can hold them.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

namespace tagmint::test {

// A folder name in Latin-1 with a lone UTF-8 lead byte: "Alb\xFCm \xC3".
QByteArray oddFolderName();

// File names ending in `extension` (".mp3") that are not UTF-8: between
// them every byte from 0x80 to 0xFF, a lone lead byte, overlong forms, an
// encoded surrogate, a cut sequence, Latin-1 words, and the UTF-8 form of a
// character from the range Tagmint uses for stray bytes.
QList<QByteArray> oddFileNames(const QByteArray& extension);

// A temporary folder that also removes names QTemporaryDir cannot (Qt skips
// names that are not UTF-8). Names and folders inside are bytes.
class OddNamesDir {
public:
    OddNamesDir();
    ~OddNamesDir();

    QByteArray fileSystemPath(const QByteArray& relative = QByteArray()) const;
    // The path text of a file or folder inside.
    QString path(const QByteArray& relative = QByteArray()) const;
    // Makes a folder (and those above it); returns its path text.
    QString makeFolder(const QByteArray& relative) const;
    // Copies a fixture to `relative`, writable; returns the copy's path text.
    QString copyFixture(const QString& fixture, const QByteArray& relative) const;
    QString writeFile(const QByteArray& relative, const QByteArray& bytes) const;
    // The names in a folder inside, as bytes, sorted.
    QList<QByteArray> entries(const QByteArray& relativeFolder = QByteArray()) const;

private:
    QTemporaryDir m_dir;
};

} // namespace tagmint::test
