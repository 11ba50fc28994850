#pragma once
// The small grammar shared by result messages: "3 files", "no files",
// "1 file was", "2 files were". Plurals start at a count of 2.

#include <QString>

namespace tagmint::collection {

// "" for counts below 2, else "s".
QString pluralS(qint64 count);
// "was" for counts below 2, else "were".
QString wasWere(qint64 count);
// "%i %@%s" for a count other than 0, "no %@s" for 0 ("3 files", "1 file",
// "no files").
QString countPhrase(qint64 count, const QString& word);

} // namespace tagmint::collection
