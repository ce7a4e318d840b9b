#pragma once
// A calculation over every structure of a library on two worker threads, its results handed back
// in library order.
//
// The calling thread reads the records through its StructureLibrary (which is never shared) in
// chunks, copies each structure into a chunk slot and leaves the chunk to the workers; it takes the
// results back with Take(1), Take(2), ... So whatever the caller does with them — statistics,
// file writes, progress, polling for abort — happens in the same order and on the same thread as in
// a plain loop, and the results are those of that loop: each structure is computed alone.
// At most kSlots chunks are read ahead, so memory is the same for any library size.
//
// The compute function runs on the workers (and on the caller when it would otherwise wait): it
// must touch nothing but the structure it is given and the result it fills; never Progress or
// UserDialog. An exception it throws is rethrown by Take for that structure, in order.
#include "io/structlib.h"
#include "model/ctab.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace velmora {

template <class Result>
class RecordPipeline {
public:
    using Compute = std::function<void(const TCTab&, Result&)>;

    // count: records 1..count are read; chunk: structures per chunk (about a millisecond of work).
    RecordPipeline(StructureLibrary& library, const std::string& libraryName, long count, int chunk, Compute compute)
        : m_library(library), m_libraryName(libraryName), m_count(std::max(count, 0L)), m_chunk(std::max(chunk, 1)),
          m_compute(std::move(compute))
    {
        for (Slot& slot : m_slots) {
            slot.tables.resize(static_cast<std::size_t>(m_chunk));
            slot.results.resize(static_cast<std::size_t>(m_chunk));
            slot.errors.resize(static_cast<std::size_t>(m_chunk));
        }
        const unsigned cores = std::thread::hardware_concurrency();
        const int workers = cores == 1 ? 1 : 2;
        try {
            for (int w = 0; w < workers; ++w)
                m_workers.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            // Without threads the caller computes every chunk itself.
        }
    }

    ~RecordPipeline() { Stop(); }
    RecordPipeline(const RecordPipeline&) = delete;
    RecordPipeline& operator=(const RecordPipeline&) = delete;

    // The result of record k; k runs 1, 2, ... count (the same k may be asked again).
    const Result& Take(long k)
    {
        assert(k >= 1 && k <= m_count);
        const long chunk = (k - 1) / m_chunk;
        if (!m_current || m_current->chunk != chunk) {
            if (m_current) {
                std::lock_guard lock(m_mutex);
                m_current->state = State::Free;
                m_current = nullptr;
            }
            Refill();
            m_current = Await(chunk);
        }
        const auto i = static_cast<std::size_t>((k - 1) % m_chunk);
        if (m_current->errors[i])
            std::rethrow_exception(m_current->errors[i]);
        return m_current->results[i];
    }

    // Stops and joins the workers. When records were read past the last one taken, the library
    // reader is put back on that one, so it holds what a plain loop would have left.
    void Finish(long lastTaken)
    {
        Stop();
        if (lastTaken < 1 || m_nextRead <= lastTaken + 1 || !m_current)
            return;
        m_library.ReadLibraryRecord(m_libraryName, lastTaken);
        // The structure as it was read in turn (an unreadable record may have left the one before).
        m_library.Structure() = m_current->tables[static_cast<std::size_t>((lastTaken - 1) % m_chunk)];
    }

private:
    static constexpr int kSlots = 6;
    enum class State { Free, Ready, Busy, Done };
    struct Slot {
        State state = State::Free;
        long chunk = -1;
        int size = 0;
        std::vector<TCTab> tables;
        std::vector<Result> results;
        std::vector<std::exception_ptr> errors;
    };

    // Reads further chunks into the free slots, in record order (caller's thread).
    void Refill()
    {
        for (;;) {
            if (m_nextRead > m_count)
                return;
            Slot* slot = nullptr;
            {
                std::lock_guard lock(m_mutex);
                for (Slot& s : m_slots)
                    if (s.state == State::Free) {
                        slot = &s;
                        break;
                    }
            }
            if (!slot)
                return;
            slot->chunk = (m_nextRead - 1) / m_chunk;
            slot->size = static_cast<int>(std::min<long>(m_chunk, m_count - m_nextRead + 1));
            for (int i = 0; i < slot->size; ++i, ++m_nextRead) {
                // As in a plain loop, a record that cannot be read leaves what the library reader
                // leaves in its structure (cleared, or the one before).
                m_library.ReadLibraryRecord(m_libraryName, m_nextRead);
                slot->tables[static_cast<std::size_t>(i)] = m_library.Structure();
            }
            {
                std::lock_guard lock(m_mutex);
                slot->state = State::Ready;
            }
            m_work.notify_one();
        }
    }

    // Waits for a chunk that Refill has read; computes it here when no worker has taken it yet.
    Slot* Await(long chunk)
    {
        std::unique_lock lock(m_mutex);
        Slot* slot = nullptr;
        for (Slot& s : m_slots)
            if (s.state != State::Free && s.chunk == chunk)
                slot = &s;
        if (!slot)
            return nullptr; // not reached: Take asks only for read records
        if (slot->state == State::Ready) {
            slot->state = State::Busy;
            lock.unlock();
            Run(*slot);
            lock.lock();
            slot->state = State::Done;
        }
        m_done.wait(lock, [slot] { return slot->state == State::Done; });
        return slot;
    }

    void Run(Slot& slot)
    {
        for (int i = 0; i < slot.size; ++i) {
            const auto u = static_cast<std::size_t>(i);
            slot.errors[u] = nullptr;
            try {
                m_compute(slot.tables[u], slot.results[u]);
            } catch (...) {
                slot.errors[u] = std::current_exception();
            }
        }
    }

    void Work()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            Slot* next = nullptr;
            m_work.wait(lock, [&] {
                next = nullptr;
                if (m_stop)
                    return true;
                for (Slot& s : m_slots)
                    if (s.state == State::Ready && (!next || s.chunk < next->chunk))
                        next = &s;
                return next != nullptr;
            });
            if (m_stop)
                return;
            next->state = State::Busy;
            lock.unlock();
            Run(*next);
            lock.lock();
            next->state = State::Done;
            m_done.notify_all();
        }
    }

    void Stop()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_work.notify_all();
        for (std::thread& worker : m_workers)
            worker.join();
        m_workers.clear();
    }

    StructureLibrary& m_library;
    const std::string m_libraryName;
    const long m_count;
    const int m_chunk;
    const Compute m_compute;
    long m_nextRead = 1;

    std::array<Slot, kSlots> m_slots;
    Slot* m_current = nullptr; // the chunk Take hands out from; not freed until the next one
    std::mutex m_mutex;
    std::condition_variable m_work; // a chunk became Ready, or stop
    std::condition_variable m_done; // a chunk became Done
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};

} // namespace velmora
