#include "collection/RecordArrangement.h"

#include "record/QZTagLibRecord.h"
#include "record/RecordField.h"
#include "tags/NumberPair.h"

#include <QHash>
#include <QVariant>
#include <algorithm>
#include <variant>
#include <vector>

namespace tagmint::collection {

namespace {

// A record's value for one descriptor, read once before sorting.
using SortValue = std::variant<QString, qint64, double>;

// field: the descriptor's key resolved once for all rows.
SortValue sortValueOf(const QZTagLibRecord& record, const SortDescriptor& descriptor,
                      std::optional<RecordField> field)
{
    switch (descriptor.comparison) {
    case SortDescriptor::Comparison::CaseInsensitiveText:
        // Folded once per row, so each of the n log n comparisons is a plain one.
        if (field && record::isText(*field))
            return record.text(*field).toCaseFolded();
        return record.value(descriptor.key).toString().toCaseFolded();
    case SortDescriptor::Comparison::Integer32: {
        const QString text = field && record::isText(*field) ? record.text(*field)
                                                             : record.value(descriptor.key).toString();
        return qint64(tags::leadingInteger(text));
    }
    case SortDescriptor::Comparison::Plain: {
        const QVariant value = record.value(descriptor.key);
        if (value.typeId() == QMetaType::QString)
            return value.toString();
        if (value.typeId() == QMetaType::ULongLong)
            return double(value.toULongLong());   // sizes beyond 2^53 are no concern
        return value.toLongLong();
    }
    }
    return QString();
}

int compareValues(const SortValue& a, const SortValue& b)
{
    if (const auto* left = std::get_if<QString>(&a)) {
        const auto* right = std::get_if<QString>(&b);
        return right ? QString::compare(*left, *right, Qt::CaseSensitive) : 0;
    }
    if (const auto* left = std::get_if<qint64>(&a)) {
        const auto* right = std::get_if<qint64>(&b);
        return right ? (*left < *right ? -1 : *left > *right ? 1 : 0) : 0;
    }
    const double left = std::get<double>(a);
    const auto* right = std::get_if<double>(&b);
    return right ? (left < *right ? -1 : left > *right ? 1 : 0) : 0;
}

} // namespace

RecordList arrange(const RecordList& records, const RecordFilter& filter,
                   const SortDescriptors& descriptors)
{
    struct Row {
        const RecordPtr* record;
        std::vector<SortValue> values;
    };
    std::vector<std::optional<RecordField>> fields;
    for (const SortDescriptor& descriptor : descriptors)
        fields.push_back(record::fieldForKey(descriptor.key));
    std::vector<Row> rows;
    rows.reserve(size_t(records.size()));
    for (const RecordPtr& record : records) {
        if (filter && !filter(*record))
            continue;
        Row row{&record, {}};
        row.values.reserve(size_t(descriptors.size()));
        for (qsizetype i = 0; i < descriptors.size(); ++i)
            row.values.push_back(sortValueOf(*record, descriptors.at(i), fields[size_t(i)]));
        rows.push_back(std::move(row));
    }
    if (!descriptors.isEmpty()) {
        std::stable_sort(rows.begin(), rows.end(), [&descriptors](const Row& a, const Row& b) {
            for (qsizetype i = 0; i < descriptors.size(); ++i) {
                const int order = compareValues(a.values[size_t(i)], b.values[size_t(i)]);
                if (order != 0)
                    return descriptors.at(i).ascending ? order < 0 : order > 0;
            }
            return false;
        });
    }
    RecordList arranged;
    arranged.reserve(qsizetype(rows.size()));
    for (const Row& row : rows)
        arranged.append(*row.record);
    return arranged;
}

} // namespace tagmint::collection
