#include "naming/PathTags.h"

#include "audio/FormatCatalogue.h"
#include "naming/NameCleaning.h"
#include "tags/NumberPair.h"

#include <QDir>

namespace tagmint::naming {

namespace {

constexpr int kMaximumComponentSteps = 16;
constexpr int kMaximumExtensionPasses = 16;

// Folders that hold discs, scans or texts rather than naming an album.
bool isFillerComponent(const QString& component)
{
    if (component.size() < 5 && tags::leadingInteger(component) != 0)
        return true;
    if (component.size() >= 8)
        return false;
    const QString lower = component.toLower();
    for (const QString& prefix : {QStringLiteral("cd"), QStringLiteral("disk"), QStringLiteral("disc"),
                                  QStringLiteral("cover"),
                                  QStringLiteral("album"), QStringLiteral("text"),
                                  QStringLiteral("альбом")}) {
        if (lower.startsWith(prefix))
            return true;
    }
    return false;
}

bool looksLikeExtension(const QString& extension)
{
    if (audio::isKnownFormatExtension(extension.toUtf8()))
        return true;
    if (extension.size() != 2 && extension.size() != 3)
        return false;
    bool hasLetter = false;
    for (const QChar c : extension) {
        if (c.unicode() > 0x7F || !c.isLetterOrNumber())
            return false;
        hasLetter = hasLetter || c.isLetter();
    }
    return hasLetter;
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isTokenSeparator(QChar c)
{
    return c.isSpace() || c.isPunct();
}

QStringList tokens(const QString& text)
{
    QStringList result;
    QString current;
    for (const QChar c : text) {
        if (isTokenSeparator(c)) {
            if (!current.isEmpty())
                result.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    if (!current.isEmpty())
        result.append(current);
    return result;
}

// The first token of the lists, in their order, that the test accepts.
template <typename Test>
QString firstNumber(std::initializer_list<const QStringList*> lists, Test accepts)
{
    for (const QStringList* list : lists) {
        for (const QString& token : *list) {
            if (accepts(token))
                return QString::number(tags::leadingInteger(token));
        }
    }
    return QString();
}

QString cleanedName(const QString& text)
{
    return text.isEmpty() ? QString() : tidyName(normalizeSpaces(text));
}

} // namespace

const QStringList& pathTagKeys()
{
    static const QStringList keys = {
        QStringLiteral("title"), QStringLiteral("artist"),      QStringLiteral("artist2"),
        QStringLiteral("artist3"), QStringLiteral("album"),    QStringLiteral("albumArtist"),
        QStringLiteral("year"),  QStringLiteral("trackNumber"),
    };
    return keys;
}

QString pathComponentAtLevel(const QString& path, int level)
{
    QString remaining = QDir::cleanPath(path);
    int counted = 0;
    for (int step = 0; step < kMaximumComponentSteps; ++step) {
        if (remaining.size() < 2)
            return QString();
        const qsizetype slash = remaining.lastIndexOf(QLatin1Char('/'));
        const QString component = remaining.mid(slash + 1);
        remaining = slash > 0 ? remaining.left(slash) : slash == 0 ? QStringLiteral("/") : QString();
        const bool dots = component == QLatin1String(".") || component == QLatin1String("..");
        // The file's own name always counts: a song may be called "Cover".
        if (component.isEmpty() || dots || (step > 0 && isFillerComponent(component)))
            continue;
        if (counted == level)
            return component;
        ++counted;
    }
    return QString();
}

QString stripKnownExtensions(const QString& name)
{
    QString result = name;
    for (int pass = 0; pass < kMaximumExtensionPasses; ++pass) {
        const qsizetype dot = result.lastIndexOf(QLatin1Char('.'));
        if (dot < 0 || !looksLikeExtension(result.mid(dot + 1)))
            break;
        result.truncate(dot);
    }
    return result;
}

bool isAllDigits(const QString& token)
{
    if (tags::leadingInteger(token) == 0)
        return false;
    return std::all_of(token.cbegin(), token.cend(), isAsciiDigit);
}

bool isLeadingNumberToken(const QString& token)
{
    if (tags::leadingInteger(token) == 0)
        return false;
    for (const QChar c : token) {
        if (isTokenSeparator(c))
            break;
        if (!isAsciiDigit(c))
            return false;
    }
    return true;
}

ArtistTitle splitArtistTitle(const QString& text, const QStringList& hints)
{
    const QStringList parts = text.split(QStringLiteral(" - "));
    QStringList kept;
    for (const QString& rawPart : parts) {
        const QString part = normalizeSpaces(rawPart);
        if (part.isEmpty())
            continue;
        if (isAllDigits(part)) {
            const int value = tags::leadingInteger(part);
            if ((value >= 1 && value <= 100) || (value >= 1900 && value <= 2099))
                continue;
        }
        if (parts.size() >= 3 && hints.contains(part, Qt::CaseInsensitive))
            continue;
        kept.append(part);
    }
    ArtistTitle result;
    result.first = normalizeSpaces(kept.isEmpty() ? text : kept.first());
    if (kept.size() >= 2)
        result.second = normalizeSpaces(kept.mid(1).join(QLatin1Char(' ')));
    return result;
}

TagValues parseTagsFromPath(const QString& path, quint32 options)
{
    TagValues values;
    for (const QString& key : pathTagKeys())
        values.insert(key, QString());
    if (options == 0 || path.isEmpty())
        return values;

    const QString fileName = capitalizeWords(pathComponentAtLevel(path, 0));
    const QString folder = capitalizeWords(pathComponentAtLevel(path, 1));
    const QString upperFolder = capitalizeWords(pathComponentAtLevel(path, 2));

    if (options & ParseNames) {
        const QString file = stripLeadingTrackNumber(stripKnownExtensions(fileName));

        QString folderArtist;
        QString album;
        const ArtistTitle folderParts = splitArtistTitle(stripTrailingNoise(stripLeadingTrackNumber(folder)));
        if (!folderParts.first.isEmpty() && !folderParts.second.isEmpty()) {
            folderArtist = folderParts.first;
            album = folderParts.second;
        } else {
            album = folderParts.first;
        }
        const QString upperArtist = splitArtistTitle(stripLeadingTrackNumber(upperFolder)).first;

        QString fileArtist;
        QString title;
        const QStringList hints = folderArtist.isEmpty() ? QStringList() : QStringList{folderArtist};
        const ArtistTitle fileParts = splitArtistTitle(stripTrailingNoise(file), hints);
        if (!fileParts.first.isEmpty() && !fileParts.second.isEmpty()) {
            fileArtist = fileParts.first;
            title = fileParts.second;
        } else {
            title = fileParts.first;
        }

        QStringList artists;
        for (const QString& candidate : {fileArtist, folderArtist, upperArtist}) {
            const QString artist = cleanedName(candidate);
            if (!artist.isEmpty() && !artists.contains(artist))
                artists.append(artist);
        }
        const QStringList artistKeys = {QStringLiteral("artist"), QStringLiteral("artist2"),
                                        QStringLiteral("artist3")};
        for (qsizetype i = 0; i < artists.size(); ++i)
            values[artistKeys.at(i)] = artists.at(i);
        values[QStringLiteral("albumArtist")] = values.value(QStringLiteral("artist"));
        values[QStringLiteral("album")] = cleanedName(album);
        values[QStringLiteral("title")] = cleanedName(title);
    }

    if (options & ParseNumbers) {
        const QStringList fileTokens = tokens(fileName);
        const QStringList folderTokens = tokens(folder);
        const QStringList upperTokens = tokens(upperFolder);
        values[QStringLiteral("year")] =
            firstNumber({&folderTokens, &fileTokens, &upperTokens}, [](const QString& token) {
                const int value = tags::leadingInteger(token);
                return value >= 1900 && value <= 2099;
            });
        values[QStringLiteral("trackNumber")] =
            firstNumber({&fileTokens, &folderTokens}, [](const QString& token) {
                const int value = tags::leadingInteger(token);
                return isLeadingNumberToken(token) && value >= 1 && value <= 249;
            });
    }
    return values;
}

} // namespace tagmint::naming
