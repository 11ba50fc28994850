#include "cli/ProgressPrinter.h"

#include <QTextStream>
#include <unistd.h>

namespace tagmint::cli {

ProgressPrinter::ProgressPrinter(QTextStream& err, std::function<QString(qint64)> text)
    : m_err(err), m_text(std::move(text)), m_enabled(::isatty(STDERR_FILENO) == 1)
{
}

ProgressPrinter::~ProgressPrinter()
{
    if (m_printed)
        m_err << "\r\033[K" << Qt::flush;
}

collection::JobCallbacks ProgressPrinter::callbacks()
{
    collection::JobCallbacks callbacks;
    if (m_enabled) {
        callbacks.progress = [this](qint64 index, qint64 count) { show(index, count); };
        // A run's own lines ("Getting albums for artist '...'") above the progress line.
        callbacks.message = [this](const QString& text) {
            m_err << "\r\033[K" << text << "\n" << Qt::flush;
            m_printed = false;
        };
    }
    return callbacks;
}

void ProgressPrinter::show(qint64 index, qint64 count)
{
    if (count <= 0)
        return;
    m_estimator.update(double(index) / double(count));
    // One line, rewritten in place.
    m_err << "\r\033[K" << m_text(count - index) << " — " << m_estimator.label() << Qt::flush;
    m_printed = true;
}

} // namespace tagmint::cli
