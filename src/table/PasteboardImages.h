#pragma once
// Pictures copied out of artwork cells. A copied artwork cell becomes a
// token in the copied text ("image" and two hexadecimal numbers) and the
// picture waits here under that token, shared by every window of the
// process, so it pastes into any of them. Main thread only.

#include <QHash>
#include <QImage>
#include <QString>

class PasteboardImages {
public:
    // The table every window uses.
    static PasteboardImages& shared();

    // A token for the index-th picture of a new copy; the copy number runs
    // on through the life of the process.
    static quint32 nextCopyNumber();
    static QString token(const QString& key, quint32 copyNumber, int index);

    // A copy replaces the whole table (with nothing when it held no picture).
    void replace(QHash<QString, QImage> images) { m_images = std::move(images); }
    // Image data pasted without text: kept under a token of its own, which
    // the paste then writes like copied text.
    QString addPastedImage(const QImage& image);
    // A cell value naming a picture of the table for that column; null when
    // it names none.
    QImage imageForValue(const QString& key, const QString& value) const;
    bool isEmpty() const { return m_images.isEmpty(); }

private:
    QHash<QString, QImage> m_images;
};
