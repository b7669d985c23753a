#include "ActionMessages.h"

namespace quenno::quarantine {

namespace {

using Status = QuarantineOutcome::Status;

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::string changedSentence(const std::string& path)
{
    return "The file " + quoted(path) + " has changed since the scan, so it was left as it is.";
}

std::string notDeletedSentence(const std::string& path)
{
    return "The file " + quoted(path) + " could not be deleted.";
}

const char* const kChangedReason = "changed since the scan";

}  // namespace

ActionResult ResultOf(RemoveOutcome outcome)
{
    switch (outcome) {
    case RemoveOutcome::Removed:
        return ActionResult::Done;
    case RemoveOutcome::AlreadyGone:
        return ActionResult::AlreadyGone;
    case RemoveOutcome::Changed:
    case RemoveOutcome::Failed:
        break;
    }
    return ActionResult::NotDone;
}

ActionResult ResultOf(Status status)
{
    switch (status) {
    case Status::Moved:
        return ActionResult::Done;
    case Status::AlreadyGone:
        return ActionResult::AlreadyGone;
    case Status::Changed:
    case Status::CopyFailed:
    case Status::CopyDiffers:
    case Status::RemoveFailed:
        break;
    }
    return ActionResult::NotDone;
}

std::string DeleteProblem(RemoveOutcome outcome, const std::string& path)
{
    switch (outcome) {
    case RemoveOutcome::Removed:
    case RemoveOutcome::AlreadyGone:
        return {};
    case RemoveOutcome::Changed:
        return changedSentence(path);
    case RemoveOutcome::Failed:
        break;
    }
    return notDeletedSentence(path);
}

std::string QuarantineProblem(Status status, const std::string& path, const std::string& folder)
{
    switch (status) {
    case Status::Moved:
    case Status::AlreadyGone:
        return {};
    case Status::Changed:
        return changedSentence(path);
    case Status::CopyFailed:
        return "The file " + quoted(path) + " could not be copied into the quarantine folder " + quoted(folder)
            + ", so it was left where it is.";
    case Status::CopyDiffers:
        return "The copy of " + quoted(path)
            + " in the quarantine folder did not match the file, so the file was left where it is.";
    case Status::RemoveFailed:
        break;
    }
    return "The file " + quoted(path) + " could not be deleted after it was copied, so it was left where it is.";
}

std::string DeleteReason(RemoveOutcome outcome)
{
    switch (outcome) {
    case RemoveOutcome::Removed:
    case RemoveOutcome::AlreadyGone:
        return {};
    case RemoveOutcome::Changed:
        return kChangedReason;
    case RemoveOutcome::Failed:
        break;
    }
    return "could not be deleted";
}

std::string QuarantineReason(Status status, const std::string& folder)
{
    switch (status) {
    case Status::Moved:
    case Status::AlreadyGone:
        return {};
    case Status::Changed:
        return kChangedReason;
    case Status::CopyFailed:
        return "no copy could be written into " + folder;
    case Status::CopyDiffers:
        return "the copy did not match the file";
    case Status::RemoveFailed:
        break;
    }
    return "could not be deleted after it was copied";
}

std::string QuarantinedDeleteProblem(RemoveOutcome outcome, const std::string& path)
{
    switch (outcome) {
    case RemoveOutcome::Removed:
        return {};
    case RemoveOutcome::AlreadyGone:
        return "The file " + quoted(path) + " is no longer in the quarantine folder.";
    case RemoveOutcome::Changed:
    case RemoveOutcome::Failed:
        break;
    }
    return notDeletedSentence(path);
}

std::string UnreadableFolderProblem(bool folderExists, const std::string& folder)
{
    return "The quarantine folder " + quoted(folder) + (folderExists ? " cannot be read." : " does not exist.");
}

}  // namespace quenno::quarantine
