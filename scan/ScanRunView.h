#pragma once
// What the scan engine talks to during one run of the scan screen. The run owns it on its
// stack; it reaches the screen only through ScanRunScreen, and only while the screen is
// alive: if the screen is destroyed while events run, the engine is told to stop and
// nothing touches the screen again. It is also the checksum component's event pump, so
// both yield through one throttle.

#include "detection/mdlFindFile.h"
#include "platform/EventPump.h"
#include "platform/ProcessTable.h"
#include "quarantine/QuarantineStore.h"
#include "shell/Liveness.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace quenno::scan {

// The scan screen as a run sees it: the options it reads and the controls it fills.
class ScanRunScreen {
public:
    // StopScan: set by the stop button and by closing the screen.
    virtual bool stopRequested() const = 0;
    // Whether the kill-process option is on; read at every match.
    virtual bool killProcessOn() const = 0;
    // Appends a result to both result lists, with what the scan saw of its file.
    virtual void addResult(const quarantine::DetectedFile& file, const std::string& resultLine) = 0;
    virtual void showStatus(const std::string& fullPath) = 0;
    // Lays out the result list and scrolls to the newest result.
    virtual void showNewResults() = 0;

protected:
    ~ScanRunScreen() = default;
};

class ScanRunView final : public detection::ScanView, public platform::EventPump {
public:
    // `alive` turns false when the screen is destroyed. `events` and `processes` may be
    // null (events then never run, nothing is killed). With `yieldIntervalMs` above 0,
    // events run at most once in that time.
    ScanRunView(ScanRunScreen& screen, shell::Liveness::Watch alive, platform::EventPump* events,
                platform::ProcessTable* processes, int yieldIntervalMs);

    bool stopRequested() const override;
    void setStatus(const std::string& fullPath) override;
    void addResult(const std::string& fullPath, const std::string& resultLine) override;
    void addDetection(const detection::Detection& detection) override;
    void addUnreadable(const std::string& fullPath, bool isFolder) override;
    bool killProcessOn() const override;
    void killProcessesNamed(const std::string& bareName) override;
    // Draws the newest status and results, then lets events run: the screen may be gone after.
    void letEventsRun() override;

    bool screenGone() const { return screen() == nullptr; }
    // Results added since events last ran are shown.
    void showNewResults();
    // What the run could not read, so nothing in it was scanned.
    int unreadableFiles() const { return m_unreadableFiles; }
    int unreadableFolders() const { return m_unreadableFolders; }

private:
    ScanRunScreen* screen() const { return m_screenAlive.alive() ? m_screen : nullptr; }

    ScanRunScreen* m_screen;
    shell::Liveness::Watch m_screenAlive;
    platform::EventPump* m_events;
    platform::ProcessTable* m_processes;
    std::chrono::milliseconds m_interval;
    std::chrono::steady_clock::time_point m_lastYield;
    // What the scan saw of the detection being added (addDetection words it through addResult).
    std::optional<quarantine::DetectedFile> m_detected;
    // The newest status, shown only when events next run (a label per examined file would
    // cost more than the scan itself on a tree of small files).
    std::string m_pendingStatus;
    bool m_statusPending = false;
    bool m_resultsPending = false;
    int m_unreadableFiles = 0;
    int m_unreadableFolders = 0;
};

}  // namespace quenno::scan
