#include "ScanReport.h"

#include "TerminalText.h"

#include <cstdio>

namespace quenno::cli {

namespace {

std::string seconds3(double seconds)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", seconds < 0 ? 0.0 : seconds);
    return text;
}

}  // namespace

ScanReport::ScanReport(LineOutput& out, LineOutput& errors, bool json) : m_out(out), m_errors(errors), m_json(json) { }

void ScanReport::complain(const std::string& text) { m_errors.line("quennoscan: " + text); }

void ScanReport::addResult(const std::string& fullPath, const std::string& resultLine)
{
    // Only an engine without whole detections calls this; the line is still escaped.
    ++m_counts.detections;
    m_out.line(EscapedText(fullPath) + "\t" + EscapedText(resultLine));
}

void ScanReport::addDetection(const detection::Detection& detection)
{
    ++m_counts.detections;
    m_detections.push_back(detection);
    if (m_json) {
        m_out.line("{\"type\":\"detection\",\"path\":" + JsonString(detection.fullPath)
                   + ",\"name\":" + JsonString(detection.bareName) + ",\"record\":" + JsonString(detection.malwareName)
                   + ",\"checksum\":" + JsonString(detection.checksumText) + "}");
        return;
    }
    m_out.line(EscapedText(detection.fullPath) + "\tFile " + EscapedText(detection.bareName)
               + ", detected as: " + EscapedText(detection.malwareName));
}

void ScanReport::addUnreadable(const std::string& fullPath, bool isFolder)
{
    ++(isFolder ? m_counts.foldersUnreadable : m_counts.filesUnreadable);
    complain((isFolder ? "folder not readable, not scanned: " : "file not readable, not scanned: ")
             + EscapedText(fullPath));
}

void ScanReport::addExamined(const std::string&, std::uint64_t bytesRead)
{
    ++m_counts.filesExamined;
    m_counts.bytesRead += bytesRead;
}

void ScanReport::addNotFound(const std::string& operand, const std::string& why)
{
    ++m_counts.notFound;
    complain(why + ", not scanned: " + EscapedText(operand));
}

void ScanReport::addOverLimit(const std::string& fullPath, std::int64_t sizeLimit)
{
    ++m_counts.filesOverLimit;
    complain("larger than the size limit of " + std::to_string(sizeLimit)
             + " bytes, not scanned: " + EscapedText(fullPath));
}

void ScanReport::addAction(const ActionReport& action)
{
    using Result = ActionReport::Result;
    if (action.result == Result::NotDone)
        ++m_counts.actionsFailed;
    const char* verb = action.quarantine ? "quarantined" : "deleted";
    if (m_json) {
        const char* result = action.result == Result::Done ? "done"
            : action.result == Result::AlreadyGone         ? "gone"
                                                           : "failed";
        std::string object = std::string("{\"type\":\"action\",\"path\":") + JsonString(action.path) + ",\"action\":\""
            + (action.quarantine ? "quarantine" : "delete") + "\",\"result\":\"" + result + "\"";
        if (action.result == Result::Done && action.quarantine)
            object += ",\"stored\":" + JsonString(action.storedPath);
        if (action.result == Result::NotDone)
            object += ",\"reason\":" + JsonString(action.reason);
        m_out.line(object + "}");
    }
    switch (action.result) {
    case Result::Done:
        if (!m_json)
            m_out.line(action.quarantine
                           ? "Quarantined\t" + EscapedText(action.path) + "\t" + EscapedText(action.storedPath)
                           : "Deleted\t" + EscapedText(action.path));
        break;
    case Result::AlreadyGone:
        complain(std::string("not ") + verb + " (already gone): " + EscapedText(action.path));
        break;
    case Result::NotDone:
        complain(std::string("not ") + verb + " (" + action.reason + "): " + EscapedText(action.path));
        break;
    }
}

void ScanReport::finish(double seconds, bool summary)
{
    if (m_json)
        m_out.line(SummaryObject(m_counts, seconds));
    else
        m_out.line("Virus Found : " + std::to_string(m_counts.detections));
    if (summary) {
        for (const std::string& line : SummaryLines(m_counts, seconds))
            m_errors.line(line);
    }
}

int ScanReport::status() const
{
    if (m_counts.actionsFailed > 0)
        return kNotAllScanned;
    if (m_counts.detections > 0)
        return kFound;
    const bool complete = m_counts.filesUnreadable == 0 && m_counts.foldersUnreadable == 0
        && m_counts.filesOverLimit == 0 && m_counts.notFound == 0;
    return complete ? kNothingFound : kNotAllScanned;
}

std::vector<std::string> SummaryLines(const ScanCounts& counts, double seconds)
{
    std::vector<std::string> lines{
        "Files examined: " + std::to_string(counts.filesExamined),
        "Bytes read: " + std::to_string(counts.bytesRead),
        "Files not readable: " + std::to_string(counts.filesUnreadable),
        "Folders not readable: " + std::to_string(counts.foldersUnreadable),
    };
    if (counts.filesOverLimit > 0)
        lines.push_back("Named files over the size limit: " + std::to_string(counts.filesOverLimit));
    if (counts.notFound > 0)
        lines.push_back("Names not found: " + std::to_string(counts.notFound));
    if (counts.actionsFailed > 0)
        lines.push_back("Detected files left as they are: " + std::to_string(counts.actionsFailed));
    lines.push_back("Time: " + seconds3(seconds) + " s");
    return lines;
}

std::string SummaryObject(const ScanCounts& counts, double seconds)
{
    const auto field = [](const char* key, std::uint64_t value) {
        return std::string(",\"") + key + "\":" + std::to_string(value);
    };
    return std::string("{\"type\":\"summary\"") + field("detections", counts.detections)
        + field("files_examined", counts.filesExamined) + field("bytes_read", counts.bytesRead)
        + field("files_unreadable", counts.filesUnreadable) + field("folders_unreadable", counts.foldersUnreadable)
        + field("files_over_limit", counts.filesOverLimit) + field("not_found", counts.notFound)
        + ",\"seconds\":" + seconds3(seconds) + "}";
}

}  // namespace quenno::cli
