#include "ScanActions.h"

#include "quarantine/ActionMessages.h"
#include "quarantine/QuarantineStore.h"

#include <set>

namespace quenno::cli {

namespace {

ActionReport quarantined(platform::FileSystem& files, const platform::Clock& clock,
                         const quarantine::DetectedFile& file)
{
    const quarantine::QuarantineOutcome outcome = quarantine::QuarantineFile(files, clock, file);
    return {file.path, true, quarantine::ResultOf(outcome.status), outcome.storedPath,
            quarantine::QuarantineReason(outcome.status, quarantine::QuarantineFolder(files))};
}

ActionReport deleted(platform::FileSystem& files, const quarantine::DetectedFile& file)
{
    const quarantine::RemoveOutcome outcome = quarantine::RemoveDetectedFile(files, file);
    return {file.path, false, quarantine::ResultOf(outcome), {}, quarantine::DeleteReason(outcome)};
}

}  // namespace

void ActOnDetections(platform::FileSystem& files, const platform::Clock& clock, bool quarantine, ScanReport& report)
{
    std::set<std::string> done;
    for (const detection::Detection& detection : report.detections()) {
        if (report.stopRequested())
            return;
        if (!done.insert(detection.fullPath).second)
            continue;
        const quarantine::DetectedFile file{detection.fullPath, detection.checksumText, detection.identity,
                                            detection.folderIdentity};
        report.addAction(quarantine ? quarantined(files, clock, file) : deleted(files, file));
    }
}

}  // namespace quenno::cli
