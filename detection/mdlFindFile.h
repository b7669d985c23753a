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

// What names one file on its device, taken when the file was examined, so that an action
// taken later can tell whether the same file is still there.
using FileIdentity = platform::FileIdentity;

// One matching record of one examined file.
struct Detection {
    std::string fullPath;
    std::string bareName;  // the file's name without its folder
    std::string malwareName;  // the record's name
    std::string checksumText;  // the file's checksum text, as compared
    FileIdentity identity;  // the file as it was read
    FileIdentity folderIdentity;  // the folder that held it (device and inode)
};

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
    // Every detection, in walk order. By default it goes to addResult as the result line
    // "File x.exe, detected as: Worm.X".
    virtual void addDetection(const Detection& detection)
    {
        addResult(detection.fullPath, "File " + detection.bareName + ", detected as: " + detection.malwareName);
    }
    // A folder that could not be opened or listed (its path ends with the separator) or a
    // file that could not be read: nothing in it was scanned. In walk order.
    virtual void addUnreadable(const std::string& fullPath, bool isFolder)
    {
        (void)fullPath;
        (void)isFolder;
    }
    // A file whose checksum was compared with the list, and the bytes read for it.
    virtual void addExamined(const std::string& fullPath, std::uint64_t bytesRead)
    {
        (void)fullPath;
        (void)bytesRead;
    }
    // IscanKillProcessb is visible; read at every match.
    virtual bool killProcessOn() const = 0;
    // KillProcessByName with the bare file name.
    virtual void killProcessesNamed(const std::string& bareName) = 0;
    // Lets pending user-interface events run (once per listed file).
    virtual void letEventsRun() = 0;
};

// Scans folder and every folder below it that is not marked System, however deep; reports
// each match to view. Each folder is opened through its parent's handle and only walked
// when it is still the folder the parent's listing saw; symbolic links, FIFOs and devices
// are never entered or opened. What cannot be opened, listed or read goes to
// view.addUnreadable. Returns at once once view asks to stop.
// Reading ahead (readAhead true) keeps a slow device busy: the walk, and the reading of
// the next few files, run ahead of the file being examined, while everything the view sees
// stays in walk order. Without it each step waits for the one before, as a test that
// changes the tree between two files needs.
void FindAndMatch(const platform::FileSystem& files, std::string folder, const std::string& pattern,
                  const SignatureIndex& signatures, std::int64_t sizeLimit, CRC& crc, ScanView& view,
                  bool readAhead = true);

}  // namespace quenno::detection
