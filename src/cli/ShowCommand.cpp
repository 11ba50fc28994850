#include "cli/ShowCommand.h"

#include "cli/RecordOpener.h"
#include "cli/TextCommandOptions.h"
#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"
#include "table/QZTagLibRecordTextFinder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

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

QJsonValue fieldValue(const QZTagLibRecord& record, RecordField field)
{
    const QVariant value = record.value(record::fieldKey(field));
    if (record::isText(field))
        return value.toString();
    return double(value.toLongLong());
}

// The size the cover's header states: decoding every cover to learn its
// size cost more than reading all the tags.
QJsonValue imageValue(const QZTagLibRecord& record)
{
    const QSize size = record.imageSize();
    if (!size.isValid())
        return QJsonValue::Null;
    return QJsonObject{{QStringLiteral("width"), size.width()},
                       {QStringLiteral("height"), size.height()}};
}

QString textForm(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String: {
        // Continuation lines are indented so a multi-line comment cannot be
        // mistaken for further keys.
        QString text = value.toString();
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        return text.replace(QLatin1Char('\n'), QLatin1String("\n  "));
    }
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double:
        return QString::number(qint64(value.toDouble()));
    case QJsonValue::Object: {
        const QJsonObject size = value.toObject();
        return QStringLiteral("%1x%2").arg(size.value(QLatin1String("width")).toInt())
            .arg(size.value(QLatin1String("height")).toInt());
    }
    default:
        return QStringLiteral("none");
    }
}

} // namespace

QList<ShownValue> shownValues(QZTagLibRecord& record, bool withAudio)
{
    QList<ShownValue> values;
    for (RecordField field : kShownFields)
        values.append({record::fieldKey(field), fieldValue(record, field)});
    if (withAudio) {
        for (RecordField field : kAudioFields)
            values.append({record::fieldKey(field), fieldValue(record, field)});
    }
    values.append({QStringLiteral("isReadOnly"), record.isReadOnly()});
    values.append({QStringLiteral("hasInvalidTags"), record.hasInvalidTags()});
    values.append({QStringLiteral("hasID3v1Tag"), record.hasID3v1Tag()});
    values.append({QStringLiteral("hasID3v2Tag"), record.hasID3v2Tag()});
    values.append({record::fieldKey(RecordField::Image), imageValue(record)});
    return values;
}

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
        const QList<ShownValue> values = shownValues(*record, m_options.audio);
        record->releaseTagResources();
        if (m_options.json)
            printJson(values);
        else
            printText(values);
        ++m_printed;
    }
    return opener.succeeded() ? kExitOk : kExitFailure;
}

void ShowCommand::printJson(const QList<ShownValue>& values)
{
    QJsonObject object;
    for (const ShownValue& shown : values)
        object.insert(shown.key, shown.value);
    m_out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
}

void ShowCommand::printText(const QList<ShownValue>& values)
{
    if (m_printed > 0)
        m_out << '\n';
    for (const ShownValue& shown : values)
        m_out << shown.key << ": " << textForm(shown.value) << '\n';
}

} // namespace tagmint::cli
