#pragma once
// The load-tags run over the selected rows, on a job's worker: one record
// after the other, in row order, until done or stopped.

#include "collection/BulkJob.h"
#include "collection/RecordList.h"
#include "network/RecordTagLoader.h"

namespace tagmint::network {

// Fills the requested fields of every record (request as for one record;
// its paths and changed-key list are ignored). Returns the number of fields
// changed, also when stopped.
qint64 runLoadTags(const RecordList& records, const TagLoadRequest& request,
                   const collection::JobContext& context);

} // namespace tagmint::network
