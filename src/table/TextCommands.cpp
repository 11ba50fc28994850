#include "table/TextCommands.h"

#include "naming/NameCleaning.h"
#include "record/QZTagLibRecord.h"
#include "table/TableCommandTexts.h"
#include "table/TextTransformations.h"


namespace tagmint::table {

TextEditOutcome& TextEditOutcome::operator+=(const TextEditOutcome& other)
{
    changes += other.changes;
    refusals += other.refusals;
    return *this;
}

std::optional<QString> textValue(const QZTagLibRecord& record, const QString& key)
{
    const QVariant value = record.value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

QList<TextColumn> textColumns(const QStringList& keys)
{
    QList<TextColumn> columns;
    for (const QString& key : keys) {
        const std::optional<RecordField> field = record::fieldForKey(key);
        if (field && record::isText(*field))
            columns.append({key, *field});
    }
    return columns;
}

bool writeText(const RecordPtr& record, const QString& key, const QString& text,
               TextEditOutcome* outcome)
{
    QVariant value(text);
    TagmintError error;
    if (!record->validateValue(value, key, &error)) {
        if (outcome)
            outcome->refusals.append({record, key, error.message});
        return false;
    }
    return record->setValueAndCheck(value, key);
}

TextEditOutcome transformRecords(const RecordList& rows, const QStringList& columns, int firstRow,
                                 int lastRow, const TextTransformation& transformation)
{
    TextEditOutcome outcome;
    const QList<TextColumn> texts = textColumns(columns);
    const int end = std::min(lastRow, int(rows.size()) - 1);
    for (int row = std::max(firstRow, 0); row <= end; ++row) {
        const RecordPtr& record = rows.at(row);
        if (!record->isEditable())
            continue;
        for (const TextColumn& column : texts) {
            const QString old = record->text(column.field);
            const QString changed = transformation(old, column.key);
            if (changed != old && writeText(record, column.key, changed, &outcome))
                ++outcome.changes;
        }
    }
    return outcome;
}

QString TextTool::verb() const
{
    switch (kind) {
    case Kind::ChangeCase: return QStringLiteral("Change Case");
    case Kind::FixEncoding: return QStringLiteral("Fix Encoding");
    case Kind::RemoveExtraSpaces: return QStringLiteral("Remove Extra Spaces");
    case Kind::RemoveExtraCharacters: break;
    }
    return QStringLiteral("Remove Extra Characters");
}

TextTransformation TextTool::transformation() const
{
    switch (kind) {
    case Kind::ChangeCase:
        return [mode = caseMode](const QString& text, const QString&) { return changeCase(text, mode); };
    case Kind::FixEncoding:
        return [encoding = encoding](const QString& text, const QString&) {
            return fixEncoding(text, encoding);
        };
    case Kind::RemoveExtraSpaces:
        return [](const QString& text, const QString&) { return naming::normalizeSpaces(text); };
    case Kind::RemoveExtraCharacters: break;
    }
    return removeExtraCharacters;
}

QString replaceVerb() { return QStringLiteral("Replace"); }

QString replaceAllVerb() { return QStringLiteral("Replace All"); }

StatusNotification tagsChangedMessage(const QString& verb, const TextEditOutcome& outcome)
{
    StatusNotification message = tagsChangedMessage(verb, outcome.changes);
    for (const ValueRefusal& refusal : outcome.refusals)
        message.message += QLatin1Char('\n') + refusal.message;
    return message;
}

} // namespace tagmint::table
