#pragma once
// One cell of the table: its column identifier (a field key), its row and
// the display index its column had when the path was made. Equality and
// hashing ignore the column index, so a path survives column moves.

#include <QHash>
#include <QString>

struct QZTagLibTableCellPath {
    QString identifier;
    int row = -1;
    int column = -1;

    bool isAt(int otherRow, const QString& otherIdentifier) const
    {
        return row == otherRow && identifier == otherIdentifier;
    }
    friend bool operator==(const QZTagLibTableCellPath& a, const QZTagLibTableCellPath& b)
    {
        return a.isAt(b.row, b.identifier);
    }
};

inline size_t qHash(const QZTagLibTableCellPath& path, size_t seed = 0)
{
    return qHash(path.identifier, seed) + size_t(path.row);
}
