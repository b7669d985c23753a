#pragma once
// The scan engine: a depth-first, pre-order walk that compares every selected file's
// checksum text with the signature list.

#include "CRC.h"
#include "SignatureIndex.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <string>
#include <vector>

namespace quenno::detection {

// What the engine touches of the scan screen.
class ScanView {
public:
    virtual ~ScanView() = default;
    // StopScan: true asks the running scan to stop.
    virtual bool stopRequested() const = 0;
    // lblStatus: the full path of the file being examined.
    virtual void setStatus(const std::string& fullPath) = 0;
    // Appends to lstFound, then to lstVirusFound ("File x.exe, detected as: Worm.X").
    virtual void addResult(const std::string& fullPath, const std::string& resultLine) = 0;
    // IscanKillProcessb is visible; read at every match.
    virtual bool killProcessOn() const = 0;
    // KillProcessByName with the bare file name.
    virtual void killProcessesNamed(const std::string& bareName) = 0;
    // Lets pending user-interface events run (once per listed file).
    virtual void letEventsRun() = 0;
};

// Scans folder and every folder below it that is not marked System; reports each match
// to view. Symbolic links, FIFOs and devices are never entered or opened; a folder that
// cannot be listed contributes nothing. Returns at once once view asks to stop.
void FindAndMatch(const platform::FileSystem& files, std::string folder, const std::string& pattern,
                  const SignatureIndex& signatures, std::int64_t sizeLimit, CRC& crc, ScanView& view);

} // namespace quenno::detection
