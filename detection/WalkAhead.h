#pragma once
// The walk on a thread of its own, running ahead of the thread that examines the files:
// folders are listed, and their files queued for reading, while the files before them are
// still being examined. The examining thread gets every step in walk order and is the only
// one that touches the scan's view.

#include "ReadAhead.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace quenno::detection {

struct WalkStep {
    enum class Kind { File, Unreadable };
    Kind kind = Kind::File;
    // File: the folder that holds it, held open until the file is examined.
    std::shared_ptr<const platform::OpenFolder> folder;
    std::string path;  // File: its folder's path, with the separator; Unreadable: the entry's path
    platform::DirEntry entry;  // File: as listed
    FileIdentity folderIdentity;  // File: its folder, as the walk saw it
    bool isFolder = false;  // Unreadable: a folder that could not be listed or entered
};

// What a walk running ahead reports to, on its own thread.
class WalkSink {
public:
    virtual ~WalkSink() = default;
    // The examining thread has stopped: the walk ends at once.
    virtual bool stopped() const = 0;
    virtual void file(const std::shared_ptr<const platform::OpenFolder>& folder, const std::string& folderPath,
                      const platform::DirEntry& entry, const FileIdentity& folderIdentity)
        = 0;
    virtual void unreadable(const std::string& path, bool isFolder) = 0;
    // The walk is about to open or list a folder, which may wait for the device: whatever
    // it holds back is handed over now.
    virtual void beforeFolder() { }
};

class WalkAhead {
public:
    struct Limits {
        std::size_t steps = 256;  // files and unreadable entries queued, not yet examined
        std::size_t folders = 16;  // folders held open for them
    };
    // Starts traverse on a thread of its own; its files go to ahead as well, in the same
    // order. When no thread can be had, started() is false and nothing runs.
    WalkAhead(std::function<void(WalkSink&)> traverse, ReadAhead& ahead, Limits limits);
    ~WalkAhead();
    WalkAhead(const WalkAhead&) = delete;
    WalkAhead& operator=(const WalkAhead&) = delete;

    bool started() const { return m_thread.joinable(); }
    // The next step in walk order; nullopt once the walk is over. While it waits, it calls
    // whileWaiting every few milliseconds, outside any lock.
    std::optional<WalkStep> next(const std::function<void()>& whileWaiting);
    // Ends the walk at its next step and drops everything queued, here and in ahead.
    void stop();

private:
    class Sink;
    void run(const std::function<void(WalkSink&)>& traverse);
    void queue(WalkStep step);
    // On the walk's thread: waits until count steps may be queued, the first of them in
    // folder; false once stopped.
    bool waitForRoom(std::unique_lock<std::mutex>& lock, const platform::OpenFolder* folder, std::size_t count);
    // The queue has drained far enough to wake a walk that found it full.
    bool roomAfterWait() const;

    ReadAhead& m_ahead;
    const Limits m_limits;
    std::mutex m_mutex;
    std::condition_variable m_room;  // the walk: steps were taken, or the end
    std::condition_variable m_steps;  // the examining thread: a step, or the walk is over
    std::deque<WalkStep> m_queue;
    std::size_t m_files = 0;  // File steps in m_queue
    std::size_t m_folders = 0;  // folders with files in m_queue
    const platform::OpenFolder* m_lastFolder = nullptr;  // folder of the last File queued
    bool m_over = false;
    bool m_callerWaiting = false;
    bool m_walkWaiting = false;  // the walk found the queue full and sleeps
    bool m_walkNeedsFolder = false;  // ...and the step it holds starts another folder
    std::atomic<bool> m_stopped{false};
    std::thread m_thread;
};

}  // namespace quenno::detection
