#pragma once
// quennoscan's command line.

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quenno::cli {

struct ScanArguments {
    enum class Mode { Scan, Checksums, Help, Version };
    // What is done to each detected file once the scan is over.
    enum class Action { None, Quarantine, Delete };
    Mode mode = Mode::Scan;
    Action action = Action::None;  // --quarantine, --delete
    std::optional<std::string> database;  // --db
    bool full = false;  // --full
    bool summary = false;  // --summary
    bool json = false;  // --json
    std::vector<std::string> operands;  // files and folders, or the files of --crc
};

// Either the arguments or the reason they cannot be used (for one line on stderr).
struct ParsedArguments {
    std::optional<ScanArguments> arguments;
    std::string error;
};

// args: everything after the program's name. "--help" and "--version" win where they
// stand; "--" ends the options.
ParsedArguments ParseScanArguments(std::span<const std::string> args);

// The text of --help.
const char* ScanUsage();

}  // namespace quenno::cli
