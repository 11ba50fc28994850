#include "collection/PreprocessingStatistics.h"

PreprocessingStatisticsRing::Lease PreprocessingStatisticsRing::take()
{
    QMutexLocker locker(&m_mutex);
    m_index = (m_index + 1) % kSlotCount;
    auto fresh = std::make_shared<PreprocessingStatistics>();
    m_slots[size_t(m_index)] = fresh;
    return {fresh, m_index};
}

PreprocessingStatisticsRing& PreprocessingStatisticsRing::shared()
{
    static PreprocessingStatisticsRing ring;
    return ring;
}
