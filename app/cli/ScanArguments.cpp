#include "ScanArguments.h"

namespace quenno::cli {

namespace {

ParsedArguments refuse(std::string error) { return ParsedArguments{std::nullopt, std::move(error)}; }

}  // namespace

const char* ScanUsage()
{
    return "Usage: quennoscan [OPTION]... FILE_OR_FOLDER...\n"
           "       quennoscan --crc FILE...\n"
           "\n"
           "Scans each named file, and each named folder with every folder below it, for\n"
           "files whose CRC-32 checksum is in the signature list. Each detection is one line:\n"
           "the full path, a TAB and \"File NAME, detected as: RECORD\"; the last line is\n"
           "\"Virus Found : \" and the number of detections.\n"
           "\n"
           "The pattern and size limit of the list's settings line choose the files of a\n"
           "folder; a file named on the command line is examined whatever its name, within\n"
           "the same size limit. Symbolic links named on the command line are followed;\n"
           "links inside a folder never are.\n"
           "\n"
           "  --db FILE   signature list to use (default: database.db in the program's\n"
           "              folder); it is only read, never changed\n"
           "  --full      every file up to 100000 bytes (pattern *.*) instead of the\n"
           "              pattern and size limit of the settings line\n"
           "  --summary   at the end, on stderr: files examined, bytes read, files and\n"
           "              folders not readable, time\n"
           "  --json      one JSON object per line instead of the text lines: one per\n"
           "              detection, then one summary object\n"
           "  --quarantine\n"
           "              after the scan, move each detected file into the Quarantine\n"
           "              folder of the program's data folder (the one the windowed program\n"
           "              uses) under a name \"qnosecure...mal\"; the copy is checked\n"
           "              against the detected checksum before the file is deleted\n"
           "  --delete    after the scan, delete each detected file\n"
           "  --crc       print the checksum text of each FILE, a TAB and its path\n"
           "  --version   print the version\n"
           "  --help      show this text\n"
           "\n"
           "Names in the output: a backslash is written \\\\, TAB \\t, LF \\n, CR \\r; every other\n"
           "control byte (below 0x20, 0x7F, the C1 controls U+0080 to U+009F) and every byte\n"
           "that is not valid UTF-8 is written \\xHH. In JSON, names are JSON strings; a byte\n"
           "that is not valid UTF-8 is written \\udcHH (U+DC80 to U+DCFF stand for bytes\n"
           "80 to FF).\n"
           "\n"
           "--quarantine and --delete act on a file only while it is still the file the scan\n"
           "examined (same file, reached without following links, unchanged since), and\n"
           "once however many records it matched. Each file acted on is one line after the\n"
           "detections: \"Quarantined\", TAB, the path, TAB, the stored copy; or \"Deleted\",\n"
           "TAB, the path (with --json an object of type \"action\"). A file left as it is\n"
           "is named on stderr with the reason.\n"
           "\n"
           "Exit status: 0 nothing found and everything scanned; 1 something found; 2 nothing\n"
           "found but something could not be scanned (named on stderr), or an error: bad\n"
           "arguments, an unusable signature list, output that could not be written, or a\n"
           "detected file that --quarantine or --delete could not act on.\n";
}

ParsedArguments ParseScanArguments(std::span<const std::string> args)
{
    ScanArguments parsed;
    bool checksums = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.operands.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.mode = ScanArguments::Mode::Help;
            return ParsedArguments{parsed, {}};
        } else if (arg == "--version") {
            parsed.mode = ScanArguments::Mode::Version;
            return ParsedArguments{parsed, {}};
        } else if (arg == "--db") {
            if (i + 1 >= args.size())
                return refuse("--db needs a file name");
            parsed.database = args[++i];
        } else if (arg.rfind("--db=", 0) == 0) {
            parsed.database = arg.substr(5);
        } else if (arg == "--full") {
            parsed.full = true;
        } else if (arg == "--summary") {
            parsed.summary = true;
        } else if (arg == "--json") {
            parsed.json = true;
        } else if (arg == "--quarantine" || arg == "--delete") {
            const auto action = arg == "--delete" ? ScanArguments::Action::Delete : ScanArguments::Action::Quarantine;
            if (parsed.action != ScanArguments::Action::None && parsed.action != action)
                return refuse("--quarantine and --delete cannot be used together");
            parsed.action = action;
        } else if (arg == "--crc") {
            checksums = true;
        } else {
            return refuse("unknown option " + arg);
        }
    }
    if (parsed.database && parsed.database->empty())
        return refuse("--db needs a file name");
    if (checksums) {
        if (parsed.database || parsed.full || parsed.summary || parsed.json
            || parsed.action != ScanArguments::Action::None)
            return refuse("--crc takes no --db, --full, --summary, --json, --quarantine or --delete");
        if (parsed.operands.empty())
            return refuse("--crc needs at least one file");
        parsed.mode = ScanArguments::Mode::Checksums;
    } else if (parsed.operands.empty()) {
        return refuse("no file or folder to scan");
    }
    return ParsedArguments{parsed, {}};
}

}  // namespace quenno::cli
