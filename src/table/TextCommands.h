#pragma once
// Writing new texts into records cell by cell, as the text tools and
// replace all do it, and the tags-changed report that ends such a run.
// Only texts of records that can be written are touched; a value that does
// not change is not written; a value the field refuses is reported and
// leaves the cell as it was.

#include "collection/RecordList.h"
#include "record/RecordField.h"
#include "table/StatusNotification.h"
#include "util/LegacyEncodings.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QZTagLibRecord;

namespace tagmint::table {

// A new value the record's validation refused.
struct ValueRefusal {
    RecordPtr record;
    QString key;
    QString message;   // the validation's own words
};

struct TextEditOutcome {
    int changes = 0;
    QList<ValueRefusal> refusals;

    TextEditOutcome& operator+=(const TextEditOutcome& other);
};

// The record's value for key when it is a text (texts only are edited).
std::optional<QString> textValue(const QZTagLibRecord& record, const QString& key);

// A column that holds text. Loops over many rows read record.text(field),
// which skips value()'s key lookup and QVariant.
struct TextColumn {
    QString key;
    RecordField field;
};
// The keys that name text fields, in order; artwork, sort numbers and
// unknown keys are left out.
QList<TextColumn> textColumns(const QStringList& keys);

// Validates and sets a new text; answers whether the stored value changed.
// A refusal is added to outcome (when given) and changes nothing.
bool writeText(const RecordPtr& record, const QString& key, const QString& text,
               TextEditOutcome* outcome);

// The new text of one cell from its old text and its field key.
using TextTransformation = std::function<QString(const QString& text, const QString& key)>;

// Applies the transformation to the columns of rows first..last (inclusive,
// cut at the end of rows), skipping records that cannot be written; each
// written value counts as one change.
TextEditOutcome transformRecords(const RecordList& rows, const QStringList& columns, int firstRow,
                                 int lastRow, const TextTransformation& transformation);

// One of the four text tools with its setting.
struct TextTool {
    enum class Kind { ChangeCase, FixEncoding, RemoveExtraSpaces, RemoveExtraCharacters };

    Kind kind = Kind::RemoveExtraSpaces;
    int caseMode = 0;   // ChangeCase: a CaseMode
    text::LegacyEncoding encoding = text::LegacyEncoding::Windows1252;   // FixEncoding

    // "Change Case", "Fix Encoding", ...: the title of its report.
    QString verb() const;
    TextTransformation transformation() const;
};

// The names of replace's and replace all's undo steps and reports.
QString replaceVerb();
QString replaceAllVerb();

// The end of a run that changed tags: "3 tags changed." under the verb,
// followed by what validation refused.
StatusNotification tagsChangedMessage(const QString& verb, const TextEditOutcome& outcome);

} // namespace tagmint::table
