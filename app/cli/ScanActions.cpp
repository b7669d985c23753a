#include "ScanActions.h"

#include "quarantine/QuarantineStore.h"

#include <set>

namespace quenno::cli {

namespace {

using Result = ActionReport::Result;

ActionReport quarantined(platform::FileSystem& files, const platform::Clock& clock, const quarantine::DetectedFile& file)
{
    using Status = quarantine::QuarantineOutcome::Status;
    const quarantine::QuarantineOutcome outcome = quarantine::QuarantineFile(files, clock, file);
    ActionReport report{file.path, true, Result::NotDone, outcome.storedPath, {}};
    switch (outcome.status) {
    case Status::Moved:
        report.result = Result::Done;
        break;
    case Status::AlreadyGone:
        report.result = Result::AlreadyGone;
        break;
    case Status::Changed:
        report.reason = "changed since the scan";
        break;
    case Status::CopyFailed:
        report.reason = "no copy could be written into " + quarantine::QuarantineFolder(files);
        break;
    case Status::CopyDiffers:
        report.reason = "the copy did not match the file";
        break;
    case Status::RemoveFailed:
        report.reason = "could not be deleted after it was copied";
        break;
    }
    return report;
}

ActionReport deleted(platform::FileSystem& files, const quarantine::DetectedFile& file)
{
    ActionReport report{file.path, false, Result::NotDone, {}, {}};
    switch (quarantine::RemoveDetectedFile(files, file)) {
    case quarantine::RemoveOutcome::Removed:
        report.result = Result::Done;
        break;
    case quarantine::RemoveOutcome::AlreadyGone:
        report.result = Result::AlreadyGone;
        break;
    case quarantine::RemoveOutcome::Changed:
        report.reason = "changed since the scan";
        break;
    case quarantine::RemoveOutcome::Failed:
        report.reason = "could not be deleted";
        break;
    }
    return report;
}

} // namespace

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

} // namespace quenno::cli
