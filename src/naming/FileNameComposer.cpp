#include "naming/FileNameComposer.h"

#include "naming/NameCleaning.h"
#include "record/QZTagLibRecord.h"
#include "tags/NumberPair.h"

namespace tagmint::naming {

namespace {

QString field(const QZTagLibRecord& record, const char* key)
{
    return record.value(QLatin1String(key)).toString().trimmed();
}

// Cuts at the limit, one unit earlier when a surrogate pair would be split.
QString limited(const QString& name)
{
    if (name.size() <= kComposedNameLimit)
        return name;
    int length = kComposedNameLimit;
    if (name.at(length - 1).isHighSurrogate())
        --length;
    return name.left(length);
}

} // namespace

QString composeFileName(const QZTagLibRecord* record, quint32 flags)
{
    if (flags == 0 || !record)
        return QString();
    const QString separator =
        (flags & ComposeUseHyphen) ? QStringLiteral(" - ") : QStringLiteral(" ");

    QString name;
    if (flags & ComposeTrack) {
        const int track = tags::leadingInteger(record->value(QStringLiteral("trackNumber")).toString());
        if (track != 0)
            name = QStringLiteral("%1").arg(track, 2, 10, QLatin1Char('0'));
    }
    const std::pair<ComposeFlag, const char*> texts[] = {
        {ComposeAlbumArtist, "albumArtist"},
        {ComposeArtist, "artist"},
        {ComposeAlbum, "album"},
        {ComposeTitle, "title"},
    };
    for (const auto& [flag, key] : texts) {
        if (!(flags & flag))
            continue;
        const QString text = field(*record, key);
        if (!text.isEmpty())
            name = name.isEmpty() ? text : name + separator + text;
    }
    if (flags & ComposeYear) {
        const QString year = field(*record, "year");
        if (!year.isEmpty() && name.isEmpty())
            name = year;
        else if (!year.isEmpty())
            name += (flags & ComposeUseUnderscores) ? QStringLiteral(" %1").arg(year)
                                                    : QStringLiteral(" (%1)").arg(year);
    }

    name = normalizeSpaces(replaceInvalidFileNameCharacters(name));
    if (flags & ComposeUseUnderscores)
        name.replace(QLatin1Char(' '), QLatin1Char('_'));
    if (flags & ComposeUseLowercase)
        name = name.toLower();
    return limited(name);
}

QString composeExample(const QZTagLibRecord* record, quint32 flags)
{
    if ((flags & kComposeTagMask) == 0)
        return QStringLiteral("Undefined options. Renaming will have no effect.");
    const QString name = composeFileName(record, flags);
    if (name.isEmpty())
        return QStringLiteral("Undefined tags. Renaming will have no effect.");
    return name;
}

int composeFileNames(const QList<QZTagLibRecord*>& records, quint32 flags)
{
    int changed = 0;
    for (QZTagLibRecord* record : records) {
        if (!record || !record->isEditable())
            continue;
        const QString name = composeFileName(record, flags);
        if (name.isEmpty())
            continue;
        if (name != record->filename())
            ++changed;
        record->setValue(name, QStringLiteral("filename"));
    }
    return changed;
}

} // namespace tagmint::naming
