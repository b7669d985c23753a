// quennoscan: the scan engine and the checksum component from a terminal or a script.
// The pieces live in app/cli; this only connects them to the process.

#include "cli/LineOutput.h"
#include "cli/ScanArguments.h"
#include "cli/ScanCommand.h"
#include "cli/ScanReport.h"

#include "platform/Clock.h"
#include "platform/NativeFileSystem.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#ifndef QUENNO_VERSION
#define QUENNO_VERSION "unknown"
#endif

int main(int argc, char** argv)
{
    using namespace quenno;
    // A reader that goes away must show as a failed write, not end the process unseen.
    std::signal(SIGPIPE, SIG_IGN);

    cli::LineOutput out(stdout);
    cli::LineOutput errors(stderr);
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    const cli::ParsedArguments parsed = cli::ParseScanArguments(args);
    if (!parsed.arguments) {
        errors.line("quennoscan: " + parsed.error + " (see quennoscan --help)");
        return cli::kNotAllScanned;
    }

    const cli::ScanArguments& arguments = *parsed.arguments;
    int status = cli::kNothingFound;
    switch (arguments.mode) {
    case cli::ScanArguments::Mode::Help: {
        std::string usage = cli::ScanUsage();
        usage.pop_back();  // line() ends it
        out.line(usage);
        break;
    }
    case cli::ScanArguments::Mode::Version:
        out.line("quennoscan " QUENNO_VERSION);
        break;
    case cli::ScanArguments::Mode::Checksums: {
        const auto files = platform::makeNativeFileSystem();
        status = cli::RunChecksums(arguments, *files, out, errors);
        break;
    }
    case cli::ScanArguments::Mode::Scan: {
        const auto files = platform::makeNativeFileSystem();
        const platform::SystemClock clock;
        status = cli::RunScan(arguments, *files, clock, out, errors);
        break;
    }
    }
    return cli::ClosingStatus(status, out, errors);
}
