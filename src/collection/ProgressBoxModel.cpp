#include "collection/ProgressBoxModel.h"

#include <algorithm>

ProgressBoxModel::ProgressBoxModel(TimeEstimator::Clock clock) : m_estimator(std::move(clock))
{
}

void ProgressBoxModel::updateProgress(double fraction)
{
    m_indeterminate = false;
    m_progress = std::clamp(fraction, 0.0, 1.0);
    m_estimator.update(fraction);
}

void ProgressBoxModel::showProgress(qint64 index, qint64 count,
                                    const std::function<QString(qint64)>& text)
{
    if (count <= 0)
        return;
    m_message = text(count - index);
    updateProgress(std::min(double(index) / double(count), 1.0));
}

void ProgressBoxModel::stopButton()
{
    m_stop.request();
    if (m_stopBlock)
        m_stopBlock();
}

void ProgressBoxModel::sheetDidEnd()
{
    if (!m_normalCompletion)
        stopButton();
    m_normalCompletion = true;
}
