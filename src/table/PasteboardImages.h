#pragma once
// Pictures copied out of artwork cells. A copied artwork cell becomes a
// token in the copied text ("image" and two hexadecimal numbers) and the
// picture waits here under that token, shared by every window of the
// process, so it pastes into any of them. Main thread only.

#include "tags/ImageCodec.h"

#include <QHash>
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
    void replace(QHash<QString, tagmint::tags::TagPicture> pictures) { m_pictures = std::move(pictures); }
    // Image data pasted without text: kept under a token of its own, which
    // the paste then writes like copied text.
    QString addPastedPicture(const tagmint::tags::TagPicture& picture);
    // A cell value naming a picture of the table for that column; a null
    // image when it names none.
    tagmint::tags::TagPicture pictureForValue(const QString& key, const QString& value) const;

private:
    QHash<QString, tagmint::tags::TagPicture> m_pictures;
};
