#include "WalkAhead.h"

#include <chrono>
#include <utility>

namespace quenno::detection {
namespace {

// How often the examining thread lets events run while it waits for the walk.
constexpr auto kWaitStep = std::chrono::milliseconds(5);

}  // namespace

class WalkAhead::Sink final : public WalkSink {
public:
    explicit Sink(WalkAhead& owner) : m_owner(owner) { }

    bool stopped() const override { return m_owner.m_stopped.load(std::memory_order_relaxed); }

    void file(const std::shared_ptr<const platform::OpenFolder>& folder, const std::string& folderPath,
              const platform::DirEntry& entry, const FileIdentity& folderIdentity) override
    {
        WalkStep step;
        step.kind = WalkStep::Kind::File;
        step.folder = folder;
        step.path = folderPath;
        step.entry = entry;
        step.folderIdentity = folderIdentity;
        std::unique_lock lock(m_owner.m_mutex);
        if (!m_owner.waitForRoom(lock, folder.get()))
            return;
        // Queued here and for reading under one lock, so the two orders are one.
        m_owner.m_ahead.push({folder, entry.name});
        if (m_owner.m_files == 0 || folder.get() != m_owner.m_lastFolder)
            ++m_owner.m_folders;
        ++m_owner.m_files;
        m_owner.m_lastFolder = folder.get();
        m_owner.queue(std::move(step));
    }

    void unreadable(const std::string& path, bool isFolder) override
    {
        WalkStep step;
        step.kind = WalkStep::Kind::Unreadable;
        step.path = path;
        step.isFolder = isFolder;
        std::unique_lock lock(m_owner.m_mutex);
        if (!m_owner.waitForRoom(lock, nullptr))
            return;
        m_owner.queue(std::move(step));
    }

private:
    WalkAhead& m_owner;
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

bool WalkAhead::waitForRoom(std::unique_lock<std::mutex>& lock, const platform::OpenFolder* folder)
{
    const auto newFolder = [&] {
        return folder != nullptr && (m_files == 0 || folder != m_lastFolder);
    };
    const auto room = [&] {
        return m_queue.size() < m_limits.steps && (!newFolder() || m_folders < m_limits.folders);
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
