// The program the reliability tests kill or watch. It does one kind of work, says "ready"
// on its standard output once it has started, and goes on until it is killed:
//
//   reliability_victim db APPFOLDER              switches database.db between its two
//                                                modes, again and again
//   reliability_victim registry USERFILE MACHINEFILE
//                                                writes a counter into the registry store,
//                                                again and again
//   reliability_victim quarantine APPFOLDER FOLDER
//                                                quarantines every file of FOLDER, then exits
//   reliability_victim scan FOLDER PATTERN LIMIT CHECKSUM
//                                                scans FOLDER for files with the checksum
//                                                text CHECKSUM, printing "examined <path>"
//                                                and "found <path>" lines (EscapedPath.h),
//                                                then "done"
//   reliability_victim serve MODE ARGS...        for each line "go" on its standard input,
//                                                forks a child that does MODE ARGS; the next
//                                                line "kill" kills it with SIGKILL ("wait"
//                                                lets it finish); then prints "ended <wait
//                                                status>". Hundreds of kills then cost a fork
//                                                each instead of a program start, and the
//                                                child is killed by the one process that
//                                                knows it has not been reaped yet.

#include "EscapedPath.h"
#include "detection/CRC.h"
#include "detection/SignatureFile.h"
#include "detection/mdlFindFile.h"
#include "platform/EventPump.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/Clock.h"
#include "quarantine/QuarantineStore.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace quenno;

namespace {

void ready()
{
    std::printf("ready %d\n", static_cast<int>(::getpid()));
    std::fflush(stdout);
}

// One round of the work is done (the tests time a few to choose their kill moments).
void cycle()
{
    std::fputs("cycle\n", stdout);
    std::fflush(stdout);
}

int rewriteDatabase(const std::string& appFolder)
{
    platform::LinuxFileSystem files(appFolder);
    detection::SignatureFile db(files, files.inApplicationFolder(detection::kDatabaseName));
    db.LoadSignatures();
    db.LoadRecords();
    ready();
    for (;;) {
        if (!db.AllFiles() || !db.ExeFiles())
            return 3;
        cycle();
    }
}

int writeRegistry(const char* userFile, const char* machineFile)
{
    platform::LinuxRegistry registry(userFile, machineFile);
    ready();
    for (std::uint32_t counter = 0;; ++counter) {
        if (!registry.writeDword("HKCU\\Software\\QuennoTest\\Counter", counter))
            return 3;
        cycle();
    }
}

int quarantineAll(const std::string& appFolder, const std::string& folder)
{
    platform::LinuxFileSystem files(appFolder);
    platform::SystemClock clock;
    const auto listing = files.listFolder(folder);
    if (!listing)
        return 3;
    ready();
    for (const platform::DirEntry& entry : *listing) {
        if (entry.kind != platform::EntryKind::File)
            continue;
        // What a scan would have seen of the file.
        quarantine::DetectedFile file{folder + "/" + entry.name, {}, {}, {}};
        if (const auto reader = files.openRead(file.path)) {
            platform::NoEventPump events;
            detection::CRC crc(files, events);
            file.identity = reader->identity();
            file.checksumText = crc.FromReader(*reader);
        }
        if (const auto opened = files.openFolder(folder))
            file.folderIdentity = opened->identity();
        const auto outcome = quarantine::QuarantineFile(files, clock, file);
        std::printf("%s %d\n", entry.name.c_str(), static_cast<int>(outcome.status));
        cycle();
    }
    return 0;
}

class PrintingView final : public detection::ScanView {
public:
    bool stopRequested() const override { return false; }
    void setStatus(const std::string& fullPath) override
    {
        std::printf("examined %s\n", test::escapedPath(fullPath).c_str());
    }
    void addResult(const std::string& fullPath, const std::string&) override
    {
        std::printf("found %s\n", test::escapedPath(fullPath).c_str());
    }
    bool killProcessOn() const override { return false; }
    void killProcessesNamed(const std::string&) override { }
    void letEventsRun() override { }
};

int scan(const std::string& folder, const std::string& pattern, const char* limit, const std::string& checksum)
{
    platform::LinuxFileSystem files;
    platform::NoEventPump events;
    detection::CRC crc(files, events);
    const detection::SignatureIndex signatures({"Test.Hostile"}, {checksum});
    PrintingView view;
    ready();
    detection::FindAndMatch(files, folder, pattern, signatures, std::atoll(limit), crc, view);
    std::puts("done");
    return 0;
}

int work(int argc, char** argv);

int serve(int argc, char** argv)
{
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strcmp(line, "go\n") != 0)
            continue;
        std::fflush(stdout);
        const pid_t child = ::fork();
        if (child < 0)
            return 3;
        if (child == 0) {
            const int status = work(argc, argv);
            std::fflush(stdout);
            ::_exit(status);
        }
        if (std::fgets(line, sizeof line, stdin) && std::strcmp(line, "kill\n") == 0)
            ::kill(child, SIGKILL);  // not reaped yet: the pid is still the child's
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
        std::printf("ended %d\n", status);
        std::fflush(stdout);
    }
    return 0;
}

int work(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "db" && argc == 3)
        return rewriteDatabase(argv[2]);
    if (mode == "registry" && argc == 4)
        return writeRegistry(argv[2], argv[3]);
    if (mode == "quarantine" && argc == 4)
        return quarantineAll(argv[2], argv[3]);
    if (mode == "scan" && argc == 6)
        return scan(argv[2], argv[3], argv[4], argv[5]);
    std::fputs("usage: reliability_victim [serve] db|registry|quarantine|scan ...\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "serve") == 0)
        return serve(argc - 1, argv + 1);
    return work(argc, argv);
}
