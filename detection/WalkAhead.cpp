#include "WalkAhead.h"

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

namespace quenno::detection {
namespace {

// How often the examining thread lets events run while it waits for the walk.
constexpr auto kWaitStep = std::chrono::milliseconds(5);

}  // namespace

class WalkAhead::Sink final : public WalkSink {
public:
    explicit Sink(WalkAhead& owner) : m_owner(owner) { }

    bool stopped() const override { return m_owner.m_stopped.load(std::memory_order_relaxed); }

    // A folder's files are handed over a few at a time, under one lock each time: handed
    // over one by one, the walk and the examining thread would meet at the lock for every
    // file. They wait only while the walk does work that takes no system call.
    void file(const std::shared_ptr<const platform::OpenFolder>& folder, const std::string& folderPath,
              const platform::DirEntry& entry, const FileIdentity& folderIdentity) override
    {
        if (!m_steps.empty() && m_steps.back().folder != folder)
            handOver();
        WalkStep& step = m_steps.emplace_back();
        step.kind = WalkStep::Kind::File;
        step.folder = folder;
        step.path = folderPath;
        step.entry = entry;
        step.folderIdentity = folderIdentity;
        if (m_steps.size() >= std::max<std::size_t>(1, m_owner.m_limits.steps / 8))
            handOver();
    }

    void unreadable(const std::string& path, bool isFolder) override
    {
        handOver();
        WalkStep step;
        step.kind = WalkStep::Kind::Unreadable;
        step.path = path;
        step.isFolder = isFolder;
        std::unique_lock lock(m_owner.m_mutex);
        if (!m_owner.waitForRoom(lock, nullptr, 1))
            return;
        m_owner.queue(std::move(step));
    }

    void beforeFolder() override { handOver(); }

    // The files held back, all of one folder: queued here and for reading under one lock,
    // so the two orders are one.
    void handOver()
    {
        if (m_steps.empty())
            return;
        const platform::OpenFolder* folder = m_steps.front().folder.get();
        std::unique_lock lock(m_owner.m_mutex);
        if (m_owner.waitForRoom(lock, folder, m_steps.size())) {
            m_files.clear();
            for (const WalkStep& step : m_steps)
                m_files.push_back({step.folder, step.entry.name});
            m_owner.m_ahead.pushAll(m_files);
            if (m_owner.m_files == 0 || folder != m_owner.m_lastFolder)
                ++m_owner.m_folders;
            m_owner.m_files += m_steps.size();
            m_owner.m_lastFolder = folder;
            for (WalkStep& step : m_steps)
                m_owner.queue(std::move(step));
        }
        m_steps.clear();
    }

private:
    WalkAhead& m_owner;
    std::vector<WalkStep> m_steps;  // held back, of one folder
    std::vector<ReadAheadFile> m_files;  // the same, for reading
};

WalkAhead::WalkAhead(std::function<void(WalkSink&)> traverse, ReadAhead& ahead, Limits limits)
    : m_ahead(ahead), m_limits(limits)
{
    try {
        m_thread = std::thread([this, walk = std::move(traverse)] {
            run(walk);
        });
    } catch (...) {
        // No thread: started() says so and the caller walks as it would without one.
    }
}

WalkAhead::~WalkAhead()
{
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

void WalkAhead::run(const std::function<void(WalkSink&)>& traverse)
{
    Sink sink(*this);
    try {
        traverse(sink);
        sink.handOver();
    } catch (...) {
        // Out of memory somewhere in the walk: it ends there, as a folder that fails does.
    }
    {
        const std::lock_guard lock(m_mutex);
        m_over = true;
    }
    m_steps.notify_one();
}

void WalkAhead::queue(WalkStep step)
{
    m_queue.push_back(std::move(step));
    if (m_callerWaiting)
        m_steps.notify_one();
}

bool WalkAhead::roomAfterWait() const
{
    return m_queue.size() <= m_limits.steps / 2 && (!m_walkNeedsFolder || m_folders <= m_limits.folders / 2);
}

bool WalkAhead::waitForRoom(std::unique_lock<std::mutex>& lock, const platform::OpenFolder* folder, std::size_t count)
{
    const auto newFolder = [&] {
        return folder != nullptr && (m_files == 0 || folder != m_lastFolder);
    };
    const auto room = [&] {
        return m_queue.size() + count <= m_limits.steps && (!newFolder() || m_folders < m_limits.folders);
    };
    if (m_stopped || room())
        return !m_stopped;
    // Once full, the walk waits until the queue is half empty: woken for every step taken,
    // it would trade places with the examining thread at each file.
    m_walkWaiting = true;
    m_room.wait(lock, [&] {
        m_walkNeedsFolder = newFolder();
        return m_stopped || (room() && roomAfterWait());
    });
    m_walkWaiting = false;
    return !m_stopped;
}

std::optional<WalkStep> WalkAhead::next(const std::function<void()>& whileWaiting)
{
    std::unique_lock lock(m_mutex);
    while (m_queue.empty()) {
        if (m_over || m_stopped)
            return std::nullopt;
        m_callerWaiting = true;
        const bool ready = m_steps.wait_for(lock, kWaitStep, [this] {
            return !m_queue.empty() || m_over;
        });
        m_callerWaiting = false;
        if (ready)
            continue;
        lock.unlock();
        if (whileWaiting)
            whileWaiting();
        lock.lock();
    }
    WalkStep step = std::move(m_queue.front());
    m_queue.pop_front();
    if (step.kind == WalkStep::Kind::File) {
        --m_files;
        // A folder's files come one after another; its run ends where another folder's begins.
        const platform::OpenFolder* following = nullptr;
        for (const auto& later : m_queue) {
            if (later.kind == WalkStep::Kind::File) {
                following = later.folder.get();
                break;
            }
        }
        if (following != step.folder.get())
            --m_folders;
    }
    const bool wake = m_walkWaiting && roomAfterWait();
    lock.unlock();
    if (wake)
        m_room.notify_one();
    return step;
}

void WalkAhead::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_queue.clear();
        m_files = 0;
        m_folders = 0;
    }
    m_ahead.dropAll();
    m_room.notify_all();
    m_steps.notify_all();
}

}  // namespace quenno::detection
