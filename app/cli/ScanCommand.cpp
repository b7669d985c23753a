#include "ScanCommand.h"

#include "ScanActions.h"
#include "ScanReport.h"
#include "TerminalText.h"

#include "detection/CRC.h"
#include "detection/SignatureFile.h"
#include "detection/mdlFindFile.h"
#include "platform/EventPump.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace quenno::cli {

namespace {

int fail(LineOutput& errors, const std::string& message)
{
    errors.line("quennoscan: " + message);
    return kNotAllScanned;
}

// The operand as the user named it, made absolute, without "." steps or a trailing
// separator, so that reported paths are full paths.
std::string fullPathOf(const std::string& operand)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(operand, error);
    if (error)
        return operand;
    std::filesystem::path cleaned;
    for (const auto& part : absolute) {
        if (part != "." && !part.empty())
            cleaned /= part;
    }
    std::string text = cleaned.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// What the user named is scanned even through a symbolic link; inside folders the walk
// never follows one.
std::string resolvedLink(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error))
        return path;
    const auto target = std::filesystem::canonical(path, error);
    return error ? path : target.string();
}

struct Scanner {
    const platform::FileSystem& files;
    const detection::SignatureIndex& signatures;
    const detection::ScanSettings& settings;
    detection::CRC& crc;
    ScanReport& report;

    void operand(const std::string& named);
    void namedFile(const std::string& path);
};

void Scanner::operand(const std::string& named)
{
    // An empty name would be made into the current folder.
    if (named.empty())
        return report.addNotFound(named, "no such file or folder");
    std::string path = fullPathOf(named);
    auto entry = files.entry(path);
    if (entry && entry->kind == platform::EntryKind::Other) {
        path = resolvedLink(path);
        entry = files.entry(path);
    }
    if (!entry)
        return report.addNotFound(named, "no such file or folder");
    if (entry->kind == platform::EntryKind::File)
        return namedFile(path);
    if (entry->kind != platform::EntryKind::Folder)
        return report.addNotFound(named, "not a regular file or folder");
    const auto opened = files.openFolder(path);
    // Named as the walk names the folders it cannot read: with the separator at the end.
    if (!opened || !opened->listForWalk())
        return report.addUnreadable(path.back() == '/' ? path : path + "/", true);
    detection::FindAndMatch(files, path, settings.pattern, signatures, settings.sizeLimit, crc, report);
}

// A named file is examined as the walk examines the files it selects, whatever its name:
// read through its folder's handle, so that an action on it can check that both are still
// what the scan saw. A folder that may be searched but not read still lets the file be
// scanned, by its path; it could not be acted on anyway.
void Scanner::namedFile(const std::string& path)
{
    const std::size_t slash = path.rfind(files.separator());
    const auto folder = slash == std::string::npos
        ? nullptr
        : files.openFolder(slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
    auto reader = folder ? folder->openRead(std::string_view(path).substr(slash + 1)) : files.openRead(path);
    if (!reader)
        return report.addUnreadable(path, false);
    if (settings.sizeLimit < 0 || reader->length() > static_cast<std::uint64_t>(settings.sizeLimit))
        return report.addOverLimit(path, settings.sizeLimit);
    if (signatures.empty())
        return;  // nothing could match: the file need not be read
    const std::uint64_t length = reader->length();
    const platform::FileIdentity identity = reader->identity();
    const std::string text = crc.FromReader(*reader);
    if (crc.lastReadFailed())
        report.addUnreadable(path, false);
    else
        report.addExamined(path, length);
    for (const std::size_t j : signatures.find(text)) {
        detection::Detection found;
        found.fullPath = path;
        found.bareName = std::filesystem::path(path).filename().string();
        found.malwareName = std::string(signatures.name(j));
        found.checksumText = text;
        found.identity = identity;
        if (folder)
            found.folderIdentity = folder->identity();
        report.addDetection(found);
    }
}

}  // namespace

int RunScan(const ScanArguments& arguments, platform::FileSystem& files, const platform::Clock& clock, LineOutput& out,
            LineOutput& errors)
{
    const std::string databasePath
        = arguments.database ? *arguments.database : files.inDataFolder(detection::kDatabaseName);
    if (!files.exists(databasePath))
        return fail(errors, "signature file not found: " + EscapedText(databasePath));
    // Read only: no mode switch, so the file stays exactly as it is. The index is built
    // straight from the file: a scan needs no other form of the list.
    std::string firstEntry;
    const auto index = detection::SignatureIndex::FromDatabaseFile(files, databasePath, &firstEntry);
    if (!index)
        return fail(errors, "cannot read the signature file: " + EscapedText(databasePath));
    auto settings = detection::SettingsOfText(firstEntry);
    if (!settings)
        return fail(errors,
                    "the signature file has no settings line (limit;pattern;label) as its first line: "
                        + EscapedText(databasePath));
    if (arguments.full)
        settings = detection::ScanSettings{100000, "*.*"};

    const auto started = std::chrono::steady_clock::now();
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    ScanReport report(out, errors, arguments.json);
    Scanner scanner{files, *index, *settings, crc, report};
    for (const std::string& operand : arguments.operands) {
        if (report.stopRequested())
            break;
        scanner.operand(operand);
    }
    // After the whole scan, so that a quarantine folder inside a scanned tree never has
    // its new copies scanned.
    if (arguments.action != ScanArguments::Action::None)
        ActOnDetections(files, clock, arguments.action == ScanArguments::Action::Quarantine, report);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    report.finish(took.count(), arguments.summary);
    return report.status();
}

int RunChecksums(const ScanArguments& arguments, const platform::FileSystem& files, LineOutput& out, LineOutput& errors)
{
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    int status = kNothingFound;
    for (const std::string& path : arguments.operands) {
        // The checksum text of an unreadable file is "0", like an empty file's: say so
        // instead of printing it. The reader that proves the file readable also gives
        // the checksum.
        const auto reader = files.openRead(path);
        if (!reader) {
            status
                = fail(errors, (files.exists(path) ? "not a readable file: " : "no such file: ") + EscapedText(path));
            continue;
        }
        if (!out.line(crc.FromReader(*reader) + "\t" + EscapedText(path)))
            break;
    }
    return status;
}

int ClosingStatus(int status, LineOutput& out, LineOutput& errors)
{
    if (out.close())
        return status;
    return fail(errors, "cannot write to standard output: " + out.reason());
}

}  // namespace quenno::cli
