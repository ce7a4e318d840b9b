#pragma once
// A calculation over a sequence of chunks (runs of consecutive records) on worker threads, the
// chunks handed back to the calling thread in their order. Every threaded loop over a library or a
// source file (the search, the library parameters, the descriptor file, the import's reading, the
// live search) runs through it:
//
//   fill     the calling thread puts chunk c's input into the chunk (optional: a chunk may be just
//            its number), in chunk order, so that whatever it reads it reads as a plain loop would;
//   compute  a worker computes the chunk; it touches nothing but the chunk and its lane's own state
//            (never Progress or UserDialog). It returns false when no chunk after c is to come.
//   Next     the calling thread takes chunk 0, 1, 2, ... in turn, so everything it does with them
//            (files written, statistics, ranking, progress, polling for abort or suspend) happens
//            in the same order and on the same thread as in a plain loop.
//
// At most a fixed number of chunks are filled or computed ahead of the one taken, so memory is the
// same for any number of records. An exception that fill or compute throws is kept with its chunk
// and rethrown by Next when the caller reaches that chunk, never earlier; nothing after that chunk
// is handed out. The caller may stop taking at any point (abort): Stop, or destruction, lets each
// worker finish the chunk in hand and joins them. With one thread, or when no thread can be
// started, the calling thread computes every chunk itself as it takes it.
#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace velmora {

template <class Chunk>
class ChunkPipeline {
public:
    // Chunk count for a sequence whose end only compute finds (it returns false on the last one).
    static constexpr long kUnbounded = LONG_MAX;
    using Fill = std::function<void(long c, Chunk& chunk)>;
    // lane: 0 the calling thread (when no worker runs), 1..Lanes()-1 the workers; one lane computes
    // one chunk at a time.
    using Compute = std::function<bool(long c, Chunk& chunk, int lane)>;

    enum class Order {
        Any,             // chunks are computed on every lane at once
        OneAfterAnother, // one lane computes the chunks, each after the one before (a source read in turn)
    };
    struct Options {
        int threads = 1;          // ThreadCount() as a rule; 1: no worker, the calling thread computes
        Order order = Order::Any;
        int readAhead = 0;        // chunks held at once, the one taken included; 0: two per lane
    };

    ChunkPipeline(long chunks, Options options, Compute compute, Fill fill = {})
        : m_count(std::max(chunks, 0L)), m_order(options.order), m_compute(std::move(compute)), m_fill(std::move(fill))
    {
        m_plannedWorkers = options.threads <= 1 ? 0 : m_order == Order::OneAfterAnother ? 1 : options.threads;
        const int wanted = options.readAhead > 0 ? options.readAhead : 2 * Lanes();
        m_slotCount = static_cast<std::size_t>(std::max(wanted, 2));
        m_slots = std::make_unique<Slot[]>(m_slotCount);
    }
    ~ChunkPipeline() { Stop(); }
    ChunkPipeline(const ChunkPipeline&) = delete;
    ChunkPipeline& operator=(const ChunkPipeline&) = delete;

    // The lanes compute may be called with (per-lane state is indexed by them). Workers start on
    // the first Next, so the caller may size that state after construction.
    int Lanes() const { return m_plannedWorkers + 1; }

    // The next chunk in order, valid until the next call; nullptr after the last one (or after
    // Stop). Rethrows what fill or compute threw for it.
    Chunk* Next()
    {
        if (!m_started)
            Start();
        {
            std::lock_guard lock(m_mutex);
            if (m_held) {
                m_held->state = State::Free;
                m_held = nullptr;
            }
        }
        Refill();
        std::unique_lock lock(m_mutex);
        if (m_nextTake >= std::min(m_count, m_end) || m_stop)
            return nullptr;
        Slot* slot = nullptr;
        for (std::size_t s = 0; s < m_slotCount; ++s)
            if (m_slots[s].state != State::Free && m_slots[s].chunk == m_nextTake)
                slot = &m_slots[s];
        if (!slot)
            return nullptr; // not reached: Refill filled it
        // The calling thread computes only when there is no worker: it is the one that frees and
        // fills the slots, and while it computed a chunk of its own the workers would run dry.
        if (slot->state == State::Ready && m_workers.empty()) {
            slot->state = State::Busy;
            lock.unlock();
            Run(*slot, 0);
            lock.lock();
        }
        m_done.wait(lock, [slot] { return slot->state == State::Done; });
        ++m_nextTake;
        m_held = slot;
        if (slot->error)
            std::rethrow_exception(slot->error);
        return &slot->data;
    }

    // Hands out no further chunk; each worker finishes the chunk in hand, and all are joined.
    void Stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
            m_stopping.store(true, std::memory_order_relaxed);
        }
        m_work.notify_all();
        for (std::thread& worker : m_workers)
            worker.join();
        m_workers.clear();
    }

    // True once Stop was called: a long compute may cut its chunk short (it will not be taken).
    bool Stopping() const { return m_stopping.load(std::memory_order_relaxed); }

private:
    enum class State { Free, Ready, Busy, Done };
    struct Slot {
        State state = State::Free;
        long chunk = -1;
        Chunk data{};
        std::exception_ptr error;
    };

    void Start()
    {
        m_started = true;
        try {
            for (int w = 1; w <= m_plannedWorkers; ++w)
                m_workers.emplace_back([this, w] { Work(w); });
        } catch (const std::system_error&) {
            // Fewer workers (or none: the calling thread computes every chunk).
        }
    }

    // Gives the free slots the next chunks, in order, filling them on the calling thread.
    void Refill()
    {
        for (;;) {
            Slot* slot = nullptr;
            {
                std::lock_guard lock(m_mutex);
                if (m_nextFill >= std::min(m_count, m_end) || m_stop)
                    return;
                for (std::size_t s = 0; s < m_slotCount && !slot; ++s)
                    if (m_slots[s].state == State::Free)
                        slot = &m_slots[s];
                if (!slot)
                    return;
                slot->chunk = m_nextFill++;
                slot->error = nullptr;
            }
            std::exception_ptr error;
            if (m_fill) {
                try {
                    m_fill(slot->chunk, slot->data);
                } catch (...) {
                    error = std::current_exception();
                }
            }
            {
                std::lock_guard lock(m_mutex);
                if (error) {
                    slot->error = error;
                    slot->state = State::Done;
                    m_end = std::min(m_end, slot->chunk + 1);
                    return;
                }
                slot->state = State::Ready;
            }
            m_work.notify_one();
        }
    }

    // Computes a Busy slot on this lane and marks it Done.
    void Run(Slot& slot, int lane)
    {
        bool more = true;
        std::exception_ptr error;
        try {
            more = m_compute(slot.chunk, slot.data, lane);
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(m_mutex);
            slot.error = error;
            if (error || !more)
                m_end = std::min(m_end, slot.chunk + 1);
            slot.state = State::Done;
        }
        m_done.notify_all();
    }

    void Work(int lane)
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            Slot* next = nullptr;
            m_work.wait(lock, [&] {
                next = nullptr;
                if (m_stop)
                    return true;
                for (std::size_t s = 0; s < m_slotCount; ++s) {
                    Slot& candidate = m_slots[s];
                    if (candidate.state == State::Ready && candidate.chunk < m_end &&
                        (!next || candidate.chunk < next->chunk))
                        next = &candidate;
                }
                return next != nullptr;
            });
            if (m_stop)
                return;
            next->state = State::Busy;
            lock.unlock();
            Run(*next, lane);
            lock.lock();
        }
    }

    const long m_count;
    const Order m_order;
    const Compute m_compute;
    const Fill m_fill;
    int m_plannedWorkers = 0;
    std::size_t m_slotCount = 0;
    std::unique_ptr<Slot[]> m_slots;
    bool m_started = false;
    long m_nextFill = 0;      // the chunk the next free slot gets (calling thread)
    long m_nextTake = 0;      // the chunk Next hands out next (calling thread)
    Slot* m_held = nullptr;   // the slot Next handed out last; freed on the next call

    std::mutex m_mutex;
    std::condition_variable m_work; // a slot became Ready, or stop
    std::condition_variable m_done; // a slot became Done
    long m_end = kUnbounded;        // no chunk from here on is computed (a last chunk or an error came before)
    bool m_stop = false;
    std::atomic<bool> m_stopping{false};
    std::vector<std::thread> m_workers;
};

} // namespace velmora
