#include "naming/PathTags.h"

#include "audio/FormatCatalogue.h"
#include "naming/NameCleaning.h"
#include "tags/NumberPair.h"
#include "util/TextConversion.h"

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

// The first count meaningful components from the end, in one walk (see
// pathComponentAtLevel).
QStringList meaningfulComponents(const QString& path, int count)
{
    QStringList components;
    QString remaining = QDir::cleanPath(path);
    for (int step = 0; step < kMaximumComponentSteps && components.size() < count; ++step) {
        if (remaining.size() < 2)
            break;
        const qsizetype slash = remaining.lastIndexOf(QLatin1Char('/'));
        const QString component = remaining.mid(slash + 1);
        remaining = slash > 0 ? remaining.left(slash) : slash == 0 ? QStringLiteral("/") : QString();
        const bool dots = component == QLatin1String(".") || component == QLatin1String("..");
        // The file's own name always counts: a song may be called "Cover".
        if (component.isEmpty() || dots || (step > 0 && isFillerComponent(component)))
            continue;
        components.append(component);
    }
    return components;
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

// The number a token starts with (tokens hold no blanks, signs or other
// punctuation), clamped far above any year.
int tokenValue(QStringView token)
{
    int value = 0;
    for (qsizetype i = 0; i < token.size() && isAsciiDigit(token.at(i)) && value < 100000; ++i)
        value = value * 10 + (token.at(i).unicode() - '0');
    return value;
}

// The value of the first token of the texts, in their order, that accepts
// takes; "" when none does.
template <typename Accepts>
QString firstNumber(std::initializer_list<const QString*> texts, Accepts accepts)
{
    for (const QString* text : texts) {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= text->size(); ++i) {
            if (i < text->size() && !isTokenSeparator(text->at(i)))
                continue;
            const QStringView token = QStringView(*text).mid(start, i - start);
            start = i + 1;
            if (!token.isEmpty() && accepts(token))
                return QString::number(tokenValue(token));
        }
    }
    return QString();
}

QString cleanedName(const QString& text)
{
    return text.isEmpty() ? QString() : tidyName(normalizeSpaces(text));
}

// What a file's two folders give; the same for every file of a folder.
struct FolderNames {
    QString folder;         // capitalised
    QString upperFolder;    // capitalised
    QString folderArtist;   // as split, the hint for the file name
    QString album;          // cleaned
    QString folderArtistName;
    QString upperArtistName;
};

FolderNames folderNames(const QString& folder, const QString& upperFolder)
{
    FolderNames names;
    names.folder = capitalizeWords(folder);
    names.upperFolder = capitalizeWords(upperFolder);
    const ArtistTitle parts = splitArtistTitle(stripTrailingNoise(stripLeadingTrackNumber(names.folder)));
    QString album = parts.first;
    if (!parts.first.isEmpty() && !parts.second.isEmpty()) {
        names.folderArtist = parts.first;
        album = parts.second;
    }
    names.album = cleanedName(album);
    names.folderArtistName = cleanedName(names.folderArtist);
    names.upperArtistName = cleanedName(splitArtistTitle(stripLeadingTrackNumber(names.upperFolder)).first);
    return names;
}

// Files come folder by folder: the last folder's names are kept per thread.
const FolderNames& cachedFolderNames(const QString& folder, const QString& upperFolder)
{
    thread_local QString lastFolder;
    thread_local QString lastUpperFolder;
    thread_local FolderNames last = folderNames(QString(), QString());
    if (folder != lastFolder || upperFolder != lastUpperFolder) {
        last = folderNames(folder, upperFolder);
        lastFolder = folder;
        lastUpperFolder = upperFolder;
    }
    return last;
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
    const QStringList components = meaningfulComponents(path, level + 1);
    return level < components.size() ? components.at(level) : QString();
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

    // Tags are text: a name's stray bytes count as the characters people read.
    const QStringList components = meaningfulComponents(text::readable(path), 3);
    const auto component = [&components](int level) {
        return level < components.size() ? components.at(level) : QString();
    };
    const QString fileName = capitalizeWords(component(0));
    const FolderNames& folders = cachedFolderNames(component(1), component(2));

    if (options & ParseNames) {
        const QString file = stripLeadingTrackNumber(stripKnownExtensions(fileName));
        QString fileArtist;
        QString title;
        const QStringList hints = folders.folderArtist.isEmpty() ? QStringList() : QStringList{folders.folderArtist};
        const ArtistTitle fileParts = splitArtistTitle(stripTrailingNoise(file), hints);
        if (!fileParts.first.isEmpty() && !fileParts.second.isEmpty()) {
            fileArtist = fileParts.first;
            title = fileParts.second;
        } else {
            title = fileParts.first;
        }

        QStringList artists;
        for (const QString& artist : {cleanedName(fileArtist), folders.folderArtistName, folders.upperArtistName}) {
            if (!artist.isEmpty() && !artists.contains(artist))
                artists.append(artist);
        }
        const QStringList artistKeys = {QStringLiteral("artist"), QStringLiteral("artist2"),
                                        QStringLiteral("artist3")};
        for (qsizetype i = 0; i < artists.size(); ++i)
            values[artistKeys.at(i)] = artists.at(i);
        values[QStringLiteral("albumArtist")] = values.value(QStringLiteral("artist"));
        values[QStringLiteral("album")] = folders.album;
        values[QStringLiteral("title")] = cleanedName(title);
    }

    if (options & ParseNumbers) {
        values[QStringLiteral("year")] =
            firstNumber({&folders.folder, &fileName, &folders.upperFolder}, [](QStringView token) {
                const int value = tokenValue(token);
                return value >= 1900 && value <= 2099;
            });
        values[QStringLiteral("trackNumber")] =
            firstNumber({&fileName, &folders.folder}, [](QStringView token) {
                const int value = tokenValue(token);
                return value >= 1 && value <= 249
                    && std::all_of(token.cbegin(), token.cend(), isAsciiDigit);
            });
    }
    return values;
}

} // namespace tagmint::naming
