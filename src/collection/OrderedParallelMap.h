#pragma once
// Makes the items of a list on the calling thread and on idle threads of the
// global pool at once, and hands them to the caller in list order. Opening
// a file is mostly waiting on system calls and parsing on one processor;
// the caller keeps the order-dependent work (progress, the stop question,
// preprocessing) to itself.

#include <QRunnable>
#include <QThreadPool>
#include <QtGlobal>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tagmint::collection {

template <typename Item>
class OrderedParallelMap {
public:
    // make(index) for every index in [0, count); it runs on several threads
    // at once. At most `ahead` items are made beyond the one the caller
    // takes next, which bounds the memory (and the open files) in flight.
    OrderedParallelMap(qint64 count, std::function<Item(qint64)> make, qint64 ahead = 16)
        : m_state(std::make_shared<State>(count, std::move(make), std::max<qint64>(ahead, 1)))
    {
        const int helpers = std::max(int(std::thread::hardware_concurrency()) - 1, 0);
        for (int i = 0; i < helpers; ++i) {
            // Only threads that are free now: helpers never queue behind
            // other jobs.
            if (!QThreadPool::globalInstance()->tryStart([state = m_state] { state->help(); }))
                break;
        }
    }

    // Helpers start nothing more; returns once none is making an item.
    ~OrderedParallelMap()
    {
        std::unique_lock lock(m_state->mutex);
        m_state->stopped = true;
        m_state->changed.notify_all();
        m_state->changed.wait(lock, [this] { return m_state->busy == 0; });
    }

    OrderedParallelMap(const OrderedParallelMap&) = delete;
    OrderedParallelMap& operator=(const OrderedParallelMap&) = delete;

    // The item at `index`; the caller takes 0, 1, 2, ... in turn. While a
    // helper still makes it, the caller makes later items meanwhile.
    Item take(qint64 index)
    {
        State& state = *m_state;
        std::unique_lock lock(state.mutex);
        state.taking = index;
        state.changed.notify_all();
        for (;;) {
            if (std::optional<Item>& made = state.items[size_t(index)]) {
                Item item = std::move(*made);
                made.reset();
                return item;
            }
            if (!state.claimNextAndMake(lock))
                state.changed.wait(lock);
        }
    }

private:
    struct State {
        State(qint64 count, std::function<Item(qint64)> make, qint64 ahead)
            : make(std::move(make)), count(count), ahead(ahead), items(size_t(count))
        {
        }

        // With the lock held: makes the next unclaimed item within reach,
        // unlocked meanwhile; false when there is none.
        bool claimNextAndMake(std::unique_lock<std::mutex>& lock)
        {
            if (stopped || next >= count || next > taking + ahead)
                return false;
            const qint64 index = next++;
            ++busy;
            lock.unlock();
            std::optional<Item> item(make(index));
            lock.lock();
            items[size_t(index)] = std::move(item);
            --busy;
            changed.notify_all();
            return true;
        }

        void help()
        {
            std::unique_lock lock(mutex);
            while (!stopped && next < count) {
                if (!claimNextAndMake(lock))
                    changed.wait(lock);
            }
        }

        std::mutex mutex;
        std::condition_variable changed;
        const std::function<Item(qint64)> make;
        const qint64 count;
        const qint64 ahead;
        std::vector<std::optional<Item>> items;
        qint64 next = 0;     // the first index nobody claimed
        qint64 taking = 0;   // the index the caller takes next
        int busy = 0;        // threads inside make()
        bool stopped = false;
    };

    std::shared_ptr<State> m_state;
};

} // namespace tagmint::collection
