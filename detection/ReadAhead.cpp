#include "ReadAhead.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace quenno::detection {
namespace {

// How often the caller lets events run while it waits for a worker: well inside what a
// user notices, and seldom enough to cost nothing.
constexpr auto kWaitStep = std::chrono::milliseconds(5);
// Workers at the start; one fewer after this many files found read on arrival in a row.
constexpr unsigned kFirstWorkers = 2;
constexpr unsigned kReadyBeforeFewer = 256;

// A worker's reads end as soon as its work has been dropped, so that a stop never waits
// for the rest of a long file nobody will look at. Each read first takes only what is in
// memory, which tells whether the file made anyone wait for the device.
class WorkerReader final : public platform::FileReader {
public:
    // stopAtWait: a read that would wait for the device fails instead (the caller's own
    // reads, which must never hold its thread on the device).
    WorkerReader(platform::FileReader& inner, const std::atomic<std::uint64_t>& generation, std::uint64_t ownGeneration,
                 const std::atomic<bool>& ending, bool stopAtWait)
        : m_inner(inner), m_generation(generation), m_ownGeneration(ownGeneration), m_ending(ending),
          m_stopAtWait(stopAtWait)
    {
    }
    std::int64_t read(std::span<std::uint8_t> buffer) override
    {
        if (m_generation.load(std::memory_order_relaxed) != m_ownGeneration || m_ending.load(std::memory_order_relaxed))
            return -1;
        if (!m_waited) {
            const std::int64_t n = m_inner.readIfInMemory(buffer);
            if (n != kWouldWait)
                return n;
            m_waited = true;
            if (m_stopAtWait)
                return -1;
        }
        return m_inner.read(buffer);
    }
    std::uint64_t length() const override { return m_inner.length(); }
    std::uint64_t position() const override { return m_inner.position(); }
    bool waited() const { return m_waited; }

private:
    platform::FileReader& m_inner;
    const std::atomic<std::uint64_t>& m_generation;
    const std::uint64_t m_ownGeneration;
    const std::atomic<bool>& m_ending;
    const bool m_stopAtWait;
    bool m_waited = false;
};

}  // namespace

ReadAhead::ReadAhead(const platform::FileSystem& files, std::uint64_t sizeLimit, Limits limits, Opener opener)
    : m_sizeLimit(sizeLimit), m_limits(limits), m_opener(std::move(opener)), m_files(files),
      m_callerCrc(files, m_noEvents)
{
    m_active = std::min(m_limits.workers, kFirstWorkers);
    for (unsigned i = 0; i < m_limits.workers; ++i) {
        try {
            m_threads.emplace_back([this, i] {
                work(i);
            });
        } catch (...) {
            break;  // fewer threads: the caller reads what no worker comes to
        }
    }
}

ReadAhead::~ReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
        ++m_generation;
    }
    m_work.notify_all();
    m_room.notify_all();
    m_parked.notify_all();
    for (auto& thread : m_threads)
        thread.join();
}

void ReadAhead::push(ReadAheadFile file)
{
    std::vector<ReadAheadFile> one;
    one.push_back(std::move(file));
    pushAll(one);
}

void ReadAhead::pushAll(std::vector<ReadAheadFile>& files)
{
    std::size_t wakes = 0;
    {
        const std::lock_guard lock(m_mutex);
        for (auto& file : files)
            m_slots.emplace_back().file = std::move(file);
        // A worker that is busy comes back for more by itself: others are woken only for
        // the files that wait beyond what the busy ones will soon take.
        const std::size_t busy
            = std::min<std::size_t>(m_active, m_threads.size()) - std::min<std::size_t>(m_idle, m_active);
        const std::size_t waiting = m_slots.size() - m_claimed;
        if (!m_callerReads && claimable() && waiting > busy)
            wakes = std::min(m_idle, waiting - busy);
    }
    for (std::size_t i = 0; i < wakes; ++i)
        m_work.notify_one();
}

std::size_t ReadAhead::queued() const
{
    const std::lock_guard lock(m_mutex);
    return m_slots.size();
}

bool ReadAhead::claimable() const
{
    // The oldest file is always claimable, so the caller never waits on a bound.
    return m_claimed < m_slots.size() && (m_claimed == 0 || m_openFiles < m_limits.openFiles);
}

void ReadAhead::work(unsigned index)
{
    platform::NoEventPump noEvents;
    CRC crc(m_files, noEvents);
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (index >= m_active) {
            m_parked.wait(lock, [&] {
                return m_ending || index < m_active;
            });
            if (m_ending)
                return;
            continue;
        }
        ++m_idle;
        m_work.wait(lock, [&] {
            return m_ending || index >= m_active || claimable();
        });
        --m_idle;
        if (m_ending)
            return;
        if (index >= m_active)
            continue;
        Slot& slot = m_slots[m_claimed];
        const std::uint64_t seq = m_headSeq + m_claimed;
        ++m_claimed;
        slot.state = Slot::State::Claimed;
        if (m_callerReads)
            m_active = 0;  // it fetches the one file the caller found not in memory, then parks
        ++m_openFiles;  // counted before the open, so the bound holds while it is under way
        const ReadAheadFile file = slot.file;
        const std::uint64_t generation = m_generation;
        lock.unlock();
        bool waited = false;
        ReadAheadResult result = process(file, generation, crc, seq, waited);
        const bool inMemory = result.outcome == ReadAheadResult::Outcome::Checksummed && !waited;
        lock.lock();
        const std::uint64_t bytes = result.outcome == ReadAheadResult::Outcome::Checksummed ? result.length : 0;
        publish(seq, std::move(result), bytes, inMemory);
    }
}

OpenedFile ReadAhead::open(const ReadAheadFile& file) const
{
    if (m_opener)
        return m_opener(file);
    OpenedFile opened{file.folder->openRead(file.name), {}};
    if (opened.reader)
        opened.identity = opened.reader->identity();
    return opened;
}

ReadAheadResult ReadAhead::process(const ReadAheadFile& file, std::uint64_t generation, CRC& crc,
                                   std::optional<std::uint64_t> workerSeq, bool& waited)
{
    ReadAheadResult result;
    OpenedFile opened = open(file);
    if (!opened.reader)
        return result;  // the caller's own attempt fails as it would have, and says so
    result.identity = opened.identity;
    result.length = opened.reader->length();
    if (result.length > m_sizeLimit) {
        result.outcome = ReadAheadResult::Outcome::TooLong;
        return result;
    }
    if (result.length >= m_limits.wholeFrom) {
        // Read in parts by the caller, which lets events run between its blocks.
        result.reader = std::move(opened.reader);
        return result;
    }

    if (workerSeq) {
        std::unique_lock lock(m_mutex);
        ++m_waitingForRoom;
        m_room.wait(lock, [&] {
            return m_ending || m_generation != generation || *workerSeq == m_headSeq
                || m_bytesAhead + result.length <= m_limits.bytesAhead;
        });
        --m_waitingForRoom;
        if (m_ending || m_generation != generation)
            return result;  // dropped: nobody takes it
        m_bytesAhead += result.length;
    }
    // The caller's own read never holds its thread on the device: it stops at a wait.
    WorkerReader reader(*opened.reader, m_generation, generation, m_ending, !workerSeq);
    result.checksumText = crc.FromReader(reader);
    result.readFailed = crc.lastReadFailed();
    result.outcome = ReadAheadResult::Outcome::Checksummed;
    waited = reader.waited();
    return result;
}

std::optional<ReadAheadResult> ReadAhead::readForCaller(std::unique_lock<std::mutex>& lock)
{
    // Claims go from the front, so with the oldest file queued nothing is claimed.
    Slot& front = m_slots.front();
    front.state = Slot::State::Claimed;
    m_claimed = 1;
    const ReadAheadFile file = front.file;
    const std::uint64_t generation = m_generation;
    lock.unlock();

    bool waited = false;
    ReadAheadResult result = process(file, generation, m_callerCrc, std::nullopt, waited);
    lock.lock();
    if (m_generation != generation || m_slots.empty())
        return ReadAheadResult{};  // dropped meanwhile
    if (waited) {
        // This file goes to a worker. A tree in memory has a file now and then that is not
        // (another program's memory pushed it out): one worker fetches it and the caller
        // goes on. A second such file soon after means the device is in the way again, and
        // the workers read from here on.
        m_slots.front().state = Slot::State::Queued;
        m_claimed = 0;
        const bool missedLately = m_missedAt && m_headSeq - *m_missedAt < m_limits.missesApart;
        m_missedAt = m_headSeq;
        if (missedLately) {
            setCallerReads(false);
        } else {
            m_active = 1;
            m_parked.notify_all();
        }
        return std::nullopt;
    }
    m_slots.pop_front();
    ++m_headSeq;
    m_claimed = 0;
    return result;
}

void ReadAhead::setCallerReads(bool callerReads)
{
    m_callerReads = callerReads;
    m_missedAt.reset();
    m_inMemoryInARow = 0;
    m_readyInARow = 0;
    if (callerReads) {
        m_active = 0;
        m_work.notify_all();  // idle workers park
    } else {
        m_active = std::min<unsigned>(kFirstWorkers, static_cast<unsigned>(m_threads.size()));
        m_parked.notify_all();
    }
}

void ReadAhead::publish(std::uint64_t seq, ReadAheadResult result, std::uint64_t bytes, bool inMemory)
{
    const bool holdsReader = result.reader != nullptr;
    if (!holdsReader)
        --m_openFiles;  // the worker has closed it
    const std::size_t index = static_cast<std::size_t>(seq - m_headSeq);
    if (seq < m_headSeq || index >= m_claimed) {
        // Dropped while it was read.
        m_bytesAhead -= bytes;
        if (holdsReader)
            --m_openFiles;
        return;
    }
    Slot& slot = m_slots[index];
    slot.result = std::move(result);
    slot.bytes = bytes;
    slot.inMemory = inMemory;
    slot.state = Slot::State::Done;
    if (index == 0 && m_callerWaiting)
        m_result.notify_one();
}

ReadAheadResult ReadAhead::take(const std::function<void()>& whileWaiting)
{
    std::unique_lock lock(m_mutex);
    if (m_slots.empty())
        return {};
    const std::uint64_t generation = m_generation;
    if (m_threads.empty()) {
        // No worker to come to it: the caller examines it as usual.
        m_slots.pop_front();
        ++m_headSeq;
        return {};
    }
    if (m_callerReads && m_slots.front().state == Slot::State::Queued) {
        if (auto result = readForCaller(lock))
            return std::move(*result);
    }
    const bool readOnArrival = m_slots.front().state == Slot::State::Done;
    if (!readOnArrival) {
        m_readyInARow = 0;
        if (!m_callerReads && m_active < m_threads.size()) {
            ++m_active;
            m_parked.notify_all();
        }
        if (m_slots.front().state == Slot::State::Queued && m_idle > 0)
            m_work.notify_one();
    } else if (++m_readyInARow >= kReadyBeforeFewer && m_active > 1) {
        m_readyInARow = 0;
        --m_active;
        m_work.notify_all();  // the one now inactive parks
    }
    while (m_slots.front().state != Slot::State::Done) {
        m_callerWaiting = true;
        const bool done = m_result.wait_for(lock, kWaitStep, [this] {
            return m_slots.front().state == Slot::State::Done;
        });
        m_callerWaiting = false;
        if (done)
            break;
        lock.unlock();
        if (whileWaiting)
            whileWaiting();
        lock.lock();
        if (m_generation != generation || m_slots.empty())
            return {};  // dropped meanwhile
    }

    Slot slot = std::move(m_slots.front());
    m_slots.pop_front();
    ++m_headSeq;
    --m_claimed;
    m_bytesAhead -= slot.bytes;
    if (!m_callerReads && slot.result.outcome == ReadAheadResult::Outcome::Checksummed) {
        m_inMemoryInARow = slot.inMemory ? m_inMemoryInARow + 1 : 0;
        if (m_inMemoryInARow >= m_limits.inMemoryBeforeCallerReads)
            setCallerReads(true);
    }
    if (slot.result.reader)
        --m_openFiles;  // the caller's now
    const bool wakeForRoom = m_waitingForRoom > 0;
    // A reader let go may be what kept the workers from opening more.
    const bool wakeToClaim = slot.result.reader && m_idle > 0 && m_claimed < m_slots.size();
    lock.unlock();
    if (wakeForRoom)
        m_room.notify_all();
    if (wakeToClaim)
        m_work.notify_one();
    return std::move(slot.result);
}

void ReadAhead::dropAll()
{
    {
        const std::lock_guard lock(m_mutex);
        ++m_generation;
        for (std::size_t i = 0; i < m_slots.size(); ++i) {
            Slot& slot = m_slots[i];
            if (slot.state != Slot::State::Done)
                continue;  // a worker's: it lets its own counts go when it finds the slot gone
            m_bytesAhead -= slot.bytes;
            if (slot.result.reader)
                --m_openFiles;
        }
        m_headSeq += m_slots.size();
        m_slots.clear();
        m_claimed = 0;
    }
    m_room.notify_all();
}

}  // namespace quenno::detection
