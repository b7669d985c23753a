#pragma once
// What quennoscan tells of a scan: each detection as one line on stdout (text or JSON),
// each part that could not be scanned as one line on stderr, the counts at the end, and
// the exit status that all of it adds up to.

#include "LineOutput.h"
#include "detection/mdlFindFile.h"
#include "quarantine/ActionMessages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quenno::cli {

inline constexpr int kNothingFound = 0;
inline constexpr int kFound = 1;
inline constexpr int kNotAllScanned = 2;  // also every error

struct ScanCounts {
    std::uint64_t detections = 0;
    std::uint64_t filesExamined = 0;  // compared with the list
    std::uint64_t bytesRead = 0;
    std::uint64_t filesUnreadable = 0;
    std::uint64_t foldersUnreadable = 0;
    std::uint64_t filesOverLimit = 0;  // named on the command line, larger than the limit
    std::uint64_t notFound = 0;  // named on the command line, not there or not a file or folder
    std::uint64_t actionsFailed = 0;  // detected files --quarantine or --delete left as they are
};

// What --quarantine or --delete did to one detected file.
struct ActionReport {
    using Result = quarantine::ActionResult;
    std::string path;
    bool quarantine = false;  // else deleted
    Result result = Result::NotDone;
    std::string storedPath;  // Done by quarantine: the copy in the quarantine folder
    std::string reason;  // NotDone: why, e.g. "changed since the scan"
};

class ScanReport final : public detection::ScanView {
public:
    // out: the results (stdout); errors: the lines for people (stderr).
    ScanReport(LineOutput& out, LineOutput& errors, bool json);

    // The engine's side. A scan stops as soon as its results can no longer be written.
    bool stopRequested() const override { return m_out.failed(); }
    void setStatus(const std::string&) override { }
    void addResult(const std::string& fullPath, const std::string& resultLine) override;
    void addDetection(const detection::Detection& detection) override;
    void addUnreadable(const std::string& fullPath, bool isFolder) override;
    void addExamined(const std::string& fullPath, std::uint64_t bytesRead) override;
    bool killProcessOn() const override { return false; }
    void killProcessesNamed(const std::string&) override { }
    void letEventsRun() override { }

    // Named on the command line but not scanned.
    void addNotFound(const std::string& operand, const std::string& why);
    void addOverLimit(const std::string& fullPath, std::int64_t sizeLimit);
    // One line per file acted on: on stdout when it was done (or, in JSON, whatever came
    // of it), on stderr when it was not.
    void addAction(const ActionReport& action);

    // The closing line or object on stdout, and with summary the counts on stderr.
    void finish(double seconds, bool summary);

    const ScanCounts& counts() const { return m_counts; }
    const std::vector<detection::Detection>& detections() const { return m_detections; }
    // 2 when an action failed, else 1 when something was found, else 2 when something was
    // not scanned, else 0.
    int status() const;

private:
    void complain(const std::string& text);

    LineOutput& m_out;
    LineOutput& m_errors;
    const bool m_json;
    ScanCounts m_counts;
    std::vector<detection::Detection> m_detections;
};

// The lines of --summary.
std::vector<std::string> SummaryLines(const ScanCounts& counts, double seconds);
// The final JSON object.
std::string SummaryObject(const ScanCounts& counts, double seconds);

}  // namespace quenno::cli
