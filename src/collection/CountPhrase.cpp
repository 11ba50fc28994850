#include "collection/CountPhrase.h"

namespace tagmint::collection {

QString pluralS(qint64 count)
{
    return count < 2 ? QString() : QStringLiteral("s");
}

QString wasWere(qint64 count)
{
    return count < 2 ? QStringLiteral("was") : QStringLiteral("were");
}

QString countPhrase(qint64 count, const QString& word)
{
    if (count == 0)
        return QStringLiteral("no %1s").arg(word);
    return QStringLiteral("%1 %2%3").arg(count).arg(word, count == 1 ? QString() : QStringLiteral("s"));
}

} // namespace tagmint::collection
