#pragma once
// What the actions on detected and quarantined files came to, in the words each place that
// reports them uses: the sentences of the scan screen and the quarantine manager, and the
// short reasons of the command line. No user interface and no Qt: paths go in as the
// bytes the file system gives, and a screen turns the whole sentence into text at once.

#include "QuarantineStore.h"

#include <string>

namespace quenno::quarantine {

enum class ActionResult {
    Done,  // deleted, or moved into the quarantine folder
    AlreadyGone,  // nothing was there to act on
    NotDone,  // the file is still where it was
};
ActionResult ResultOf(RemoveOutcome outcome);
ActionResult ResultOf(QuarantineOutcome::Status status);

// The scan screen's sentence for a Delete or Quarantine that left the file where it is;
// "" when the file is gone from its folder.
std::string DeleteProblem(RemoveOutcome outcome, const std::string& path);
std::string QuarantineProblem(QuarantineOutcome::Status status, const std::string& path, const std::string& folder);

// The command line's reason for an action not taken ("not deleted (<reason>): <path>");
// "" when the action was taken or the file was gone already.
std::string DeleteReason(RemoveOutcome outcome);
std::string QuarantineReason(QuarantineOutcome::Status status, const std::string& folder);

// The quarantine manager's sentence for the deletion of one of the folder's files; ""
// when it was deleted.
std::string QuarantinedDeleteProblem(RemoveOutcome outcome, const std::string& path);
// The quarantine manager's sentence for a folder it cannot list.
std::string UnreadableFolderProblem(bool folderExists, const std::string& folder);

}  // namespace quenno::quarantine
