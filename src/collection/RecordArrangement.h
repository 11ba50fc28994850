#pragma once
// The order and the filter of the rows a table shows.

#include "collection/RecordList.h"

#include <QList>
#include <QString>
#include <functional>

class QZTagLibRecord;

// One sort criterion: a record key and how its values compare.
struct SortDescriptor {
    enum class Comparison {
        CaseInsensitiveText,   // text columns
        Integer32,             // numeric text columns: "9" before "10", "" as 0
        Plain,                 // numbers compared by value (size, sort companions)
    };

    QString key;
    bool ascending = true;
    Comparison comparison = Comparison::CaseInsensitiveText;

    bool operator==(const SortDescriptor&) const = default;
};

using SortDescriptors = QList<SortDescriptor>;
// True for a record the table should show.
using RecordFilter = std::function<bool(const QZTagLibRecord&)>;

namespace tagmint::collection {

// The records that pass the filter (all without one), stably sorted by the
// descriptors in turn.
RecordList arrange(const RecordList& records, const RecordFilter& filter,
                   const SortDescriptors& descriptors);

} // namespace tagmint::collection
