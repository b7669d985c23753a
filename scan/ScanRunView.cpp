#include "ScanRunView.h"

#include "mdlWinExit.h"

namespace quenno::scan {

ScanRunView::ScanRunView(ScanRunScreen& screen, shell::Liveness::Watch alive, platform::EventPump* events,
                         platform::ProcessTable* processes, int yieldIntervalMs)
    : m_screen(&screen), m_screenAlive(std::move(alive)), m_events(events), m_processes(processes),
      m_interval(yieldIntervalMs), m_lastYield(std::chrono::steady_clock::now())
{
}

bool ScanRunView::stopRequested() const
{
    const ScanRunScreen* form = screen();
    return form == nullptr || form->stopRequested();
}

void ScanRunView::setStatus(const std::string& fullPath)
{
    m_pendingStatus = fullPath;
    m_statusPending = true;
}

void ScanRunView::addDetection(const detection::Detection& detection)
{
    m_detected = quarantine::DetectedFile{detection.fullPath, detection.checksumText, detection.identity,
                                          detection.folderIdentity};
    ScanView::addDetection(detection);  // words the result line and hands it to addResult
    m_detected.reset();
}

void ScanRunView::addResult(const std::string& fullPath, const std::string& resultLine)
{
    ScanRunScreen* form = screen();
    if (form == nullptr)
        return;
    // A result without a detection carries only its path: no action can then check the file.
    form->addResult(m_detected ? *m_detected : quarantine::DetectedFile{fullPath, {}, {}, {}}, resultLine);
    m_resultsPending = true;
}

void ScanRunView::addUnreadable(const std::string& fullPath, bool isFolder)
{
    (void)fullPath;
    ++(isFolder ? m_unreadableFolders : m_unreadableFiles);
}

bool ScanRunView::killProcessOn() const
{
    const ScanRunScreen* form = screen();
    return form != nullptr && form->killProcessOn();
}

void ScanRunView::killProcessesNamed(const std::string& bareName)
{
    if (m_processes != nullptr && screen() != nullptr)
        KillProcessByName(*m_processes, bareName);
}

void ScanRunView::showNewResults()
{
    ScanRunScreen* form = screen();
    if (form == nullptr || !m_resultsPending)
        return;
    form->showNewResults();
    m_resultsPending = false;
}

void ScanRunView::letEventsRun()
{
    ScanRunScreen* form = screen();
    const auto now = std::chrono::steady_clock::now();
    if (form == nullptr || (m_interval.count() > 0 && now - m_lastYield < m_interval))
        return;
    if (m_statusPending) {
        form->showStatus(m_pendingStatus);
        m_statusPending = false;
    }
    showNewResults();
    if (m_events != nullptr)
        m_events->letEventsRun();  // may destroy the screen; screen() then answers null
    m_lastYield = std::chrono::steady_clock::now();
}

}  // namespace quenno::scan
