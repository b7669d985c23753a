// quennoscan: the scan engine and the checksum component from a terminal.
//
//   quennoscan [--db FILE] [--full] FOLDER   scan FOLDER with the signature list
//   quennoscan --crc FILE...                 checksum text of each file
//
// Exit status: 0 nothing found, 1 something found, 2 an error (one line on stderr).
// The signature list is only read, never rewritten.

#include "detection/CRC.h"
#include "detection/SignatureFile.h"
#include "detection/mdlFindFile.h"
#include "platform/EventPump.h"
#include "platform/linux/LinuxFileSystem.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

using namespace quenno;

constexpr int kNothingFound = 0;
constexpr int kFound = 1;
constexpr int kError = 2;

constexpr const char* kUsage =
    "Usage: quennoscan [--db FILE] [--full] FOLDER\n"
    "       quennoscan --crc FILE...\n"
    "\n"
    "Scans FOLDER and every folder below it for files whose CRC-32 checksum is in the\n"
    "signature list, and prints each detection as its full path, a TAB and the result\n"
    "line, then \"Virus Found : \" and the number of detections.\n"
    "\n"
    "  --db FILE  signature list to use (default: database.db in the program's folder);\n"
    "             it is only read, never changed\n"
    "  --full     scan every file up to 100000 bytes (pattern *.*) instead of the\n"
    "             pattern and size limit of the list's settings line\n"
    "  --crc      print the checksum text of each FILE, a TAB and its path\n"
    "  --help     show this text\n"
    "\n"
    "Exit status: 0 nothing found, 1 something found, 2 an error.\n";

int fail(const std::string& message)
{
    std::fprintf(stderr, "quennoscan: %s\n", message.c_str());
    return kError;
}

int badArguments(const std::string& message)
{
    std::fprintf(stderr, "quennoscan: %s (see quennoscan --help)\n", message.c_str());
    return kError;
}

// The folder as the user named it, made absolute, without "." steps or a trailing
// separator, so that reported paths are full paths.
std::string fullFolderPath(const std::string& folder)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    if (error)
        return folder;
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

class PrintingView final : public detection::ScanView {
public:
    bool stopRequested() const override { return false; }
    void setStatus(const std::string&) override {}
    void addResult(const std::string& fullPath, const std::string& resultLine) override
    {
        ++m_found;
        std::printf("%s\t%s\n", fullPath.c_str(), resultLine.c_str());
        std::fflush(stdout);
    }
    bool killProcessOn() const override { return false; }
    void killProcessesNamed(const std::string&) override {}
    void letEventsRun() override {}

    long found() const { return m_found; }

private:
    long m_found = 0;
};

int checksums(platform::LinuxFileSystem& files, const std::vector<std::string>& paths)
{
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    int status = kNothingFound;
    for (const std::string& path : paths) {
        // The checksum text of an unreadable file is "0", like an empty file's: say so
        // instead of printing it.
        // The file is opened once: the reader that proves it readable also gives the checksum.
        const auto reader = files.openRead(path);
        if (!reader) {
            status = fail(files.exists(path) ? "not a readable file: " + path : "no such file: " + path);
            continue;
        }
        std::printf("%s\t%s\n", crc.FromReader(*reader).c_str(), path.c_str());
    }
    return status;
}

int scan(platform::LinuxFileSystem& files, const std::optional<std::string>& database, bool full,
         const std::string& folderArgument)
{
    const std::string databasePath = database ? *database : files.inDataFolder(detection::kDatabaseName);
    if (!files.exists(databasePath))
        return fail("signature file not found: " + databasePath);
    // Read only: no mode switch, so the file stays exactly as it is. The index is built
    // straight from the file: a scan needs no other form of the list.
    std::string firstEntry;
    auto index = detection::SignatureIndex::FromDatabaseFile(files, databasePath, &firstEntry);
    if (!index)
        return fail("cannot read the signature file: " + databasePath);
    auto settings = detection::SettingsOfText(firstEntry);
    if (!settings)
        return fail("the signature file has no settings line (limit;pattern;label) as its first line: " +
                    databasePath);
    if (full)
        settings = detection::ScanSettings{100000, "*.*"};

    const std::string folder = fullFolderPath(folderArgument);
    const auto kind = files.entry(folder);
    if (!kind)
        return fail("folder not found: " + folderArgument);
    if (!files.listFolder(folder))
        return fail("not a folder that can be listed: " + folderArgument);

    platform::NoEventPump events;
    detection::CRC crc(files, events);
    PrintingView view;
    detection::FindAndMatch(files, folder, settings->pattern, *index, settings->sizeLimit, crc, view);
    std::printf("Virus Found : %ld\n", view.found());
    return view.found() > 0 ? kFound : kNothingFound;
}

} // namespace

int main(int argc, char** argv)
{
    std::optional<std::string> database;
    bool full = false;
    bool crcMode = false;
    bool optionsEnded = false;
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return kNothingFound;
        } else if (arg == "--db") {
            if (i + 1 >= argc)
                return badArguments("--db needs a file name");
            database = argv[++i];
        } else if (arg.rfind("--db=", 0) == 0) {
            database = arg.substr(5);
        } else if (arg == "--full") {
            full = true;
        } else if (arg == "--crc") {
            crcMode = true;
        } else {
            return badArguments("unknown option " + arg);
        }
    }

    platform::LinuxFileSystem files;
    if (crcMode) {
        if (database || full)
            return badArguments("--crc takes no --db or --full");
        if (operands.empty())
            return badArguments("--crc needs at least one file");
        return checksums(files, operands);
    }
    if (operands.size() != 1)
        return badArguments(operands.empty() ? "no folder to scan" : "only one folder can be scanned");
    if (database && database->empty())
        return badArguments("--db needs a file name");
    return scan(files, database, full, operands.front());
}
