#pragma once
// Reading ahead of a scan: while the walk examines one file, a few worker threads open,
// read and checksum the files it will examine next, so that a cold tree is read with many
// requests in flight instead of one at a time. The walk still examines every file itself,
// in its own order, on its own thread; it only finds the checksum already taken.

#include "CRC.h"
#include "mdlFindFile.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quenno::detection {

// One file the walk will examine: its bare name in a folder the walk holds open. The
// folder stays open while the file waits, so the file is opened relative to the very
// folder the walk listed, never by a path that could lead elsewhere by then.
struct ReadAheadFile {
    std::shared_ptr<const platform::OpenFolder> folder;
    std::string name;
};

// A file as a worker opened it.
struct OpenedFile {
    std::unique_ptr<platform::FileReader> reader;  // nullptr: it could not be opened
    FileIdentity identity;
};

struct ReadAheadResult {
    enum class Outcome {
        // Read and checksummed: checksumText is what CRC::FromReader gives ("0" after a
        // failed read), from the file whose identity is given.
        Checksummed,
        // Longer than the size limit when opened: closed unread.
        TooLong,
        // The caller examines it as it would without reading ahead: there are no workers,
        // it could not be opened (reader is nullptr; the caller's own attempt reports the
        // failure as usual), or it is long enough to be read in parts (reader is the file,
        // open and unread).
        ReadByCaller,
    };
    Outcome outcome = Outcome::ReadByCaller;
    std::uint64_t length = 0;  // at opening
    std::string checksumText;
    bool readFailed = false;  // Checksummed: a read failed part-way (checksumText is "0")
    FileIdentity identity;
    std::unique_ptr<platform::FileReader> reader;
};

class ReadAhead {
public:
    struct Limits {
        unsigned workers = 8;  // threads reading at once
        std::uint64_t bytesAhead = std::uint64_t{4} << 20;  // read but not yet taken
        std::size_t openFiles = 8;  // open by workers or waiting
        std::uint64_t wholeFrom = std::uint64_t{64} << 20;  // left to the caller's parts
        // Files in a row that workers found wholly in memory, after which the caller reads
        // the next ones itself until one has to wait for the device.
        std::size_t inMemoryBeforeCallerReads = 256;
        // Two files not in memory fewer files apart than this end the caller's reading.
        std::uint64_t missesApart = 64;
    };
    // How a worker opens a queued file; by default the folder's openRead.
    using Opener = std::function<OpenedFile(const ReadAheadFile&)>;

    // Files longer than sizeLimit are never read. Without threads to be had, every file
    // comes back ReadByCaller.
    ReadAhead(const platform::FileSystem& files, std::uint64_t sizeLimit, Limits limits, Opener opener = {});
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Queues the next file in walk order; an idle worker is woken for it.
    void push(ReadAheadFile file);
    // Queues the next files in walk order, under one lock.
    void pushAll(std::vector<ReadAheadFile>& files);
    // Files queued and not yet taken.
    std::size_t queued() const;

    // The result for the oldest file not yet taken (there must be one). While the device
    // keeps files waiting, it waits for a worker rather than read the file itself, so a slow
    // device never holds the caller's thread: meanwhile it calls whileWaiting every few
    // milliseconds, outside any lock (whileWaiting may call dropAll). While the files are in
    // memory, handing each to a worker and back costs more than reading it, and the caller
    // reads it here; a file that would have to wait is fetched by a worker, and two of them
    // close together make the workers read again.
    ReadAheadResult take(const std::function<void()>& whileWaiting);

    // Drops every queued file and every result not yet taken; reads under way are cut short
    // and their results never given. The walk calls it when it stops.
    void dropAll();

private:
    struct Slot {
        ReadAheadFile file;
        enum class State { Queued, Claimed, Done } state = State::Queued;
        ReadAheadResult result;
        std::uint64_t bytes = 0;  // admitted to a worker, released when taken
        bool inMemory = false;  // Done: read without waiting for the device
    };

    void work(unsigned index);
    // Opens and reads one claimed file without the lock: a worker's (workerSeq names its
    // slot, and the read waits for room among the bytes ahead) or the caller's (nullopt).
    // waited: a read would have waited for the device.
    ReadAheadResult process(const ReadAheadFile& file, std::uint64_t generation, CRC& crc,
                            std::optional<std::uint64_t> workerSeq, bool& waited);
    // The oldest file, read on the caller's thread; nullopt when it would have to wait for
    // the device, and workers read from it on.
    std::optional<ReadAheadResult> readForCaller(std::unique_lock<std::mutex>& lock);
    OpenedFile open(const ReadAheadFile& file) const;
    bool claimable() const;
    // Stores a worker's result in its slot, or lets it go when its slot was dropped.
    void publish(std::uint64_t seq, ReadAheadResult result, std::uint64_t bytes, bool inMemory);
    void setCallerReads(bool callerReads);

    const std::uint64_t m_sizeLimit;
    const Limits m_limits;
    const Opener m_opener;
    const platform::FileSystem& m_files;

    mutable std::mutex m_mutex;
    std::condition_variable m_work;  // active workers: a file to claim, or the end
    std::condition_variable m_room;  // workers holding a file: bytes are free, or the end
    std::condition_variable m_parked;  // workers not needed now: needed again, or the end
    std::condition_variable m_result;  // the caller: the oldest file is done
    std::deque<Slot> m_slots;  // front: the oldest file not yet taken
    std::uint64_t m_headSeq = 0;  // sequence number of m_slots.front()
    std::size_t m_claimed = 0;  // m_slots[0, m_claimed) are claimed or done
    std::size_t m_openFiles = 0;  // open by a worker, or held by a result not taken
    std::uint64_t m_bytesAhead = 0;  // admitted to workers and not yet taken
    std::atomic<std::uint64_t> m_generation{0};  // raised by dropAll: older work is thrown away
    std::size_t m_idle = 0;  // active workers waiting for a file to claim
    // Workers with a lower index claim files. It starts low, so that files in the page cache
    // are not handed between many threads for nothing, and grows each time the caller finds
    // the file it wants not yet read, that is while the device keeps it waiting.
    unsigned m_active = 0;
    unsigned m_readyInARow = 0;  // files the caller found read on arrival
    std::size_t m_waitingForRoom = 0;  // workers holding an open file until bytes are free
    bool m_callerReads = false;  // the caller reads queued files itself; workers are parked
    std::size_t m_inMemoryInARow = 0;  // files taken that workers read without waiting
    std::optional<std::uint64_t> m_missedAt;  // the last file the caller found not in memory
    bool m_callerWaiting = false;
    std::atomic<bool> m_ending{false};
    platform::NoEventPump m_noEvents;
    CRC m_callerCrc;  // for the caller's own reads
    std::vector<std::thread> m_threads;
};

}  // namespace quenno::detection
