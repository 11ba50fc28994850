#pragma once
// Progress of a long run on stderr, with the time estimate, when stderr is
// a terminal; silent otherwise so scripts and logs stay clean.

#include "collection/BulkJob.h"
#include "collection/TimeEstimator.h"

#include <QString>
#include <functional>

class QTextStream;

namespace tagmint::cli {

class ProgressPrinter {
public:
    // text(remaining) names the work, e.g. "Loading 7 files".
    ProgressPrinter(QTextStream& err, std::function<QString(qint64 remaining)> text);
    ~ProgressPrinter();

    collection::JobCallbacks callbacks();

private:
    void show(qint64 index, qint64 count);

    QTextStream& m_err;
    std::function<QString(qint64)> m_text;
    TimeEstimator m_estimator;
    bool m_enabled;
    bool m_printed = false;
};

} // namespace tagmint::cli
