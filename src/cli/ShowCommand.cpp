#include "cli/ShowCommand.h"

#include "cli/RecordOpener.h"
#include "cli/TextCommandOptions.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"
#include "table/QZTagLibRecordTextFinder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSize>
#include <QTextStream>

#include <array>
#include <type_traits>

namespace tagmint::cli {

using table::FindOptions;

namespace {

// The fields "show" prints, in this order.
constexpr RecordField kShownFields[] = {
    RecordField::Title,       RecordField::Artist,      RecordField::Album,
    RecordField::AlbumArtist, RecordField::Genre,       RecordField::Comment,
    RecordField::Composer,    RecordField::Grouping,    RecordField::Copyright,
    RecordField::EncodedBy,   RecordField::InitialKey,  RecordField::Tempo,
    RecordField::Year,        RecordField::TrackNumber, RecordField::TracksTotal,
    RecordField::DiscNumber,  RecordField::DiscsTotal,  RecordField::Filename,
    RecordField::Folder,      RecordField::Path,        RecordField::PathExt,
    RecordField::SizeStr,     RecordField::Size,        RecordField::TagFormat,
};

// Added by --audio: probing them costs a read of the audio data.
constexpr RecordField kAudioFields[] = {
    RecordField::Frequency,          RecordField::Bitrate,          RecordField::Duration,
    RecordField::Channels,           RecordField::AudioFormat,      RecordField::AudioCodec,
    RecordField::FrequencySortValue, RecordField::BitrateSortValue, RecordField::DurationSortValue,
    RecordField::ChannelsSortValue,
};

// Keys made once: "show" prints some 45 values for every file.
template <size_t N>
std::array<QString, N> keysOf(const RecordField (&fields)[N])
{
    std::array<QString, N> keys;
    for (size_t i = 0; i < N; ++i)
        keys[i] = record::fieldKey(fields[i]);
    return keys;
}

qint64 numberOf(const QZTagLibRecord& record, RecordField field)
{
    switch (field) {
    case RecordField::Size:
        return qint64(record.size());
    case RecordField::FrequencySortValue:
        return record.frequencySortValue();
    case RecordField::BitrateSortValue:
        return record.bitrateSortValue();
    case RecordField::DurationSortValue:
        return record.durationSortValue();
    case RecordField::ChannelsSortValue:
        return record.channelsSortValue();
    default:
        return 0;
    }
}

// Calls value(key, v) for what "show" prints of a record, in output order:
// the fields (v a QString, or a qint64 for sizes and sort values), the audio
// facts when asked for, the flags (bool), then the image size (a QSize,
// invalid when there is none).
template <typename Visit>
void visitShownValues(const QZTagLibRecord& record, bool withAudio, Visit&& value)
{
    static const auto shownKeys = keysOf(kShownFields);
    static const auto audioKeys = keysOf(kAudioFields);
    static const QString flagKeys[] = {QStringLiteral("isReadOnly"), QStringLiteral("hasInvalidTags"),
                                       QStringLiteral("hasID3v1Tag"), QStringLiteral("hasID3v2Tag")};
    static const QString imageKey = record::fieldKey(RecordField::Image);

    const auto visitFields = [&](const auto& fields, const auto& keys) {
        for (size_t i = 0; i < std::size(fields); ++i) {
            if (record::isText(fields[i]))
                value(keys[i], record.text(fields[i]));
            else
                value(keys[i], numberOf(record, fields[i]));
        }
    };
    visitFields(kShownFields, shownKeys);
    if (withAudio)
        visitFields(kAudioFields, audioKeys);
    value(flagKeys[0], record.isReadOnly());
    value(flagKeys[1], record.hasInvalidTags());
    value(flagKeys[2], record.hasID3v1Tag());
    value(flagKeys[3], record.hasID3v2Tag());
    // The size the cover's header states: decoding every cover to learn its
    // size cost more than reading all the tags.
    value(imageKey, record.imageSize());
}

// Continuation lines are indented so a multi-line comment cannot be
// mistaken for further keys; "\r\n" and a lone "\r" end lines too.
void appendIndented(QString& out, const QString& text)
{
    const qsizetype length = text.size();
    const QChar* chars = text.constData();
    qsizetype copied = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = chars[i].unicode();
        if (c != u'\n' && c != u'\r')
            continue;
        out.append(chars + copied, i - copied);
        out.append(u"\n  ");
        if (c == u'\r' && i + 1 < length && chars[i + 1] == u'\n')
            ++i;
        copied = i + 1;
    }
    out.append(chars + copied, length - copied);
}

} // namespace

ShowCommand::ShowCommand(const CliOptions& options, QTextStream& out, QTextStream& err)
    : m_options(options), m_out(out), m_err(err)
{
}

int ShowCommand::run()
{
    RecordOpener opener(m_err);
    opener.open(m_options.paths, m_options.audio ? QZTagLibRecord::LoadAudioProperties : 0);
    if (m_options.find.given) {
        // The rows a window's filter would keep.
        FindOptions options = m_options.find.options;
        options.filterEnabled = true;
        QZTagLibRecordTextFinder finder(opener.collection(), options);
        finder.setQuery(m_options.find.text,
                        m_options.fields.isEmpty() ? defaultFindFields() : m_options.fields);
    }
    for (const std::shared_ptr<QZTagLibRecord>& record : opener.records()) {
        if (record->hasInvalidTags())
            m_err << opener.displayPath(record->path()) << ": "
                  << RecordOpener::unreadableTagsText(record->path()) << Qt::endl;
        if (m_options.json)
            printJson(*record);
        else
            printText(*record);
        record->releaseTagResources();
        ++m_printed;
    }
    return opener.succeeded() ? kExitOk : kExitFailure;
}

void ShowCommand::printJson(const QZTagLibRecord& record)
{
    QJsonObject object;
    visitShownValues(record, m_options.audio, [&object](const QString& key, const auto& value) {
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, qint64>)
            object.insert(key, double(value));
        else if constexpr (std::is_same_v<Value, QSize>)
            object.insert(key, value.isValid() ? QJsonValue(QJsonObject{{QStringLiteral("width"), value.width()},
                                                                        {QStringLiteral("height"), value.height()}})
                                               : QJsonValue(QJsonValue::Null));
        else
            object.insert(key, value);
    });
    m_out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
}

void ShowCommand::printText(const QZTagLibRecord& record)
{
    m_text.truncate(0);   // keeps the capacity, unlike clear()
    if (m_printed > 0)
        m_text += u'\n';
    visitShownValues(record, m_options.audio, [this](const QString& key, const auto& value) {
        using Value = std::decay_t<decltype(value)>;
        m_text += key;
        m_text += u": ";
        if constexpr (std::is_same_v<Value, QString>)
            appendIndented(m_text, value);
        else if constexpr (std::is_same_v<Value, qint64>)
            m_text += QString::number(value);
        else if constexpr (std::is_same_v<Value, bool>)
            m_text += value ? u"true" : u"false";
        else if (value.isValid())
            m_text += QString::number(value.width()) + u'x' + QString::number(value.height());
        else
            m_text += u"none";
        m_text += u'\n';
    });
    m_out << m_text;
}

} // namespace tagmint::cli
