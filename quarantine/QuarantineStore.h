#pragma once
// The quarantine folder and what is done to detected files: deleting them, or moving a
// byte-identical copy into the folder under a name made from the clock. An action acts on
// the file the scan detected or not at all: the file is reached through its folder, both
// checked to be what the scan saw, and every step goes through their handles. No user
// interface here (and no Qt): the scan screen, the quarantine manager and the command
// line report the outcomes.

#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <vector>

namespace quenno::quarantine {

inline constexpr const char* kQuarantineFolderName = "\\Quarantine";

// Whole seconds since local midnight, 0 to 86399.
int SecondsSinceLocalMidnight(std::chrono::system_clock::time_point time);
// Six digits "hhmmss" of (86400 - s) mod 86400: the clock's 24:00:00 less the time of day.
std::string QuarantineStamp(int secondsSinceMidnight);
// "qnosecure" + stamp + ".mal", or with "_<n>" before ".mal" for the n-th name of a stamp.
std::string QuarantineName(const std::string& stamp, int n = 1);

// Full path of the quarantine folder (letter case of an existing folder kept).
std::string QuarantineFolder(const platform::FileSystem& files);

// A detected file as the scan saw it.
struct DetectedFile {
    std::string path;
    std::string checksumText;  // its checksum text when it was examined
    platform::FileIdentity identity;  // the file when it was examined
    platform::FileIdentity folderIdentity;  // the folder that held it
};

enum class RemoveOutcome {
    Removed,
    AlreadyGone,  // its folder is the one the scan saw, and the name is gone from it
    Changed,  // something else is there now, or the file was changed: nothing touched
    Failed,
};
// Clears the file's attributes and deletes it.
RemoveOutcome RemoveDetectedFile(platform::FileSystem& files, const DetectedFile& file);

struct QuarantineOutcome {
    enum class Status {
        Moved,  // copy stored and verified, original deleted
        AlreadyGone,  // nothing to move
        Changed,  // not the detected file, or changed since it was examined: nothing touched
        CopyFailed,  // no complete copy could be written; original untouched
        CopyDiffers,  // the copy read back differently; copy removed, original untouched
        RemoveFailed,  // the original could not be deleted; copy removed, original stays
    };
    Status status = Status::CopyFailed;
    std::string storedPath;  // the copy in the quarantine folder (Moved only)
};
// Copies the file into the quarantine folder under a free name built from the clock (an
// earlier copy is never replaced), checks that the copy has the detected checksum and that
// the file was not changed meanwhile, takes the copy's execute permission away and only
// then deletes the original.
QuarantineOutcome QuarantineFile(platform::FileSystem& files, const platform::Clock& clock, const DetectedFile& file);

// Deletes one of the quarantine folder's files, by its full path. AlreadyGone when nothing
// of that name is there; never Changed.
RemoveOutcome RemoveQuarantined(platform::FileSystem& files, const std::string& path);

// Bare names of the folder's files, hidden and system ones left out, ordered by name
// without regard to case. nullopt when the folder cannot be read.
std::optional<std::vector<std::string>> ListQuarantined(const platform::FileSystem& files, const std::string& folder);

}  // namespace quenno::quarantine
