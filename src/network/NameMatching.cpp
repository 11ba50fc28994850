#include "network/NameMatching.h"

#include <QRegularExpression>
#include <optional>

namespace tagmint::network {

namespace {

QString lettersAndDigits(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (c.isLetter() || c.isDigit())
            kept.append(c);
    }
    return kept;
}

// nullopt: the rules say no match; otherwise whether they match.
std::optional<bool> compareReduced(const QString& a, const QString& b)
{
    if (a.isEmpty() != b.isEmpty())
        return false;
    if (QString::localeAwareCompare(a.toLower(), b.toLower()) == 0)
        return true;
    return std::nullopt;
}

QString withoutFillers(QString text)
{
    static const QRegularExpression fillers(QStringLiteral("the|and|radioedit"),
                                            QRegularExpression::CaseInsensitiveOption);
    return text.remove(fillers);
}

} // namespace

bool namesMatch(const QString& a, const QString& b, bool normalised)
{
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    if (!normalised)
        return false;
    const QString reducedA = lettersAndDigits(a);
    const QString reducedB = lettersAndDigits(b);
    if (const std::optional<bool> verdict = compareReduced(reducedA, reducedB))
        return *verdict;
    return compareReduced(withoutFillers(reducedA), withoutFillers(reducedB)).value_or(false);
}

} // namespace tagmint::network
