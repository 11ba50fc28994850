#pragma once
// What the preprocessing of newly opened or reloaded records changed, one
// set of counters per job, and the process-wide ring the jobs take them from.

#include <QMutex>
#include <QSet>
#include <QString>
#include <QtGlobal>
#include <array>
#include <memory>

struct PreprocessingStatistics {
    quint64 tagsLoaded = 0;      // tags loaded or updated
    quint64 artworkLoaded = 0;   // missing artwork loaded
    // Kept for the network lookup's own bookkeeping.
    quint64 reserved1 = 0;
    quint64 reserved2 = 0;
    // Field keys preprocessing filled, so hidden columns holding them can be
    // shown.
    QSet<QString> filledKeys;

    quint64 changes() const { return tagsLoaded + artworkLoaded; }
    bool hasChanges() const { return changes() != 0; }
};

// A ring of 65 slots: taking one advances the index, clears the slot and
// hands it out. A slot holds its own object, and a new take replaces the
// object instead of clearing it in place, so a job that outlives 65 later
// jobs still owns intact counters.
class PreprocessingStatisticsRing {
public:
    static constexpr int kSlotCount = 65;

    struct Lease {
        std::shared_ptr<PreprocessingStatistics> statistics;
        int slot = 0;
    };

    Lease take();

    static PreprocessingStatisticsRing& shared();

private:
    QMutex m_mutex;
    int m_index = -1;
    std::array<std::shared_ptr<PreprocessingStatistics>, kSlotCount> m_slots;
};
