#include "naming/NameCleaning.h"

namespace tagmint::naming {

QString replaceInvalidFileNameCharacters(const QString& text)
{
    static const QString invalid = QStringLiteral("\\/;:*|@");
    QString result = text;
    for (QChar& c : result) {
        if (invalid.contains(c))
            c = QLatin1Char(' ');
    }
    return result;
}

} // namespace tagmint::naming
