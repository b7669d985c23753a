// The scan through the scan screen against quennoscan on the same tree, measured in one
// run, alternating, so both meet the same cache and load.
//
//   scan_screen_bench TREE DATABASE [--full] [--runs N] [--quennoscan PATH]
//
// The screen is built with the program's own facilities (Qt event pump, file system,
// process table) on a temporary application folder holding a copy of DATABASE, shown on
// the display (offscreen when there is none), and scanned through IScanFolderb_Click.
// Message boxes answer at once and sounds are silent, so nothing waits for a person.
// Prints each time and the ratio screen / quennoscan (median of the runs); goal <= 1.2.
// The screen puts the list back to normal mode when it opens, so the two scan the same
// files with --full, or when line 1 of DATABASE is the normal-mode line.

#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/QtEventPump.h"
#include "platform/linux/SystemClock.h"
#include "scan/FormScan.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace quenno;

struct QuietMessages final : platform::MessageBoxes {
    Answer show(const QString& text, Style) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return Answer::No;
    }
};

struct SilentSound final : platform::Sound {
    void play(const QString&) override {}
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int usage()
{
    std::fprintf(stderr, "usage: scan_screen_bench TREE DATABASE [--full] [--runs N] [--quennoscan PATH]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    bool full = false;
    int runs = 5;
    QString quennoscan = QStringLiteral(QUENNO_APP_DIR "/quennoscan");
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--full")
            full = true;
        else if (args[i] == "--runs" && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == "--quennoscan" && i + 1 < args.size())
            quennoscan = args[++i];
        else
            positional << args[i];
    }
    if (positional.size() != 2)
        return usage();
    const QString tree = QDir(positional[0]).absolutePath();
    const QString database = positional[1];

    QTemporaryDir appFolder;
    if (!QFile::copy(database, appFolder.filePath("database.db")))
        return usage();
    QDir().mkpath(appFolder.filePath("Quarantine"));
    QFile::copy(QStringLiteral(QUENNO_APP_DIR "/Bar.ocx"), appFolder.filePath("Bar.ocx"));

    platform::LinuxFileSystem files(QFile::encodeName(appFolder.path()).toStdString());
    platform::LinuxProcessTable processes;
    platform::SystemClock clock;
    platform::QtEventPump pump;
    SilentSound sound;
    QuietMessages messages;
    platform::Platform platform;
    platform.files = &files;
    platform.processes = &processes;
    platform.clock = &clock;
    platform.events = &pump;
    platform.sound = &sound;
    platform.messages = &messages;

    scan::FormScan screen(platform);
    screen.setAttribute(Qt::WA_DeleteOnClose, false);
    screen.show();
    if (full)
        screen.IScanFull_Click();
    screen.findChild<QLineEdit*>("txtPath")->setText(tree);
    screen.IscanClearLs_Click();  // each run starts with empty lists, as quennoscan does

    QStringList scanArgs = {"--db", database};
    if (full)
        scanArgs << "--full";
    scanArgs << tree;

    std::vector<double> screenTimes;
    std::vector<double> peerTimes;
    QString screenCount;
    int peerFound = -1;
    for (int run = 0; run <= runs; ++run) {  // run 0 warms the cache and is not counted
        QElapsedTimer timer;
        timer.start();
        screen.IScanFolderb_Click();
        const double screenSeconds = timer.nsecsElapsed() / 1e9;
        screenCount = screen.findChild<QLabel*>("lblStatus")->text();

        QProcess peer;
        peer.setStandardOutputFile(QProcess::nullDevice());
        timer.restart();
        peer.start(quennoscan, scanArgs);
        peer.waitForFinished(-1);
        const double peerSeconds = timer.nsecsElapsed() / 1e9;
        if (peer.exitStatus() != QProcess::NormalExit || peer.exitCode() > 1) {
            std::fprintf(stderr, "quennoscan failed: %s\n", qPrintable(quennoscan));
            return 1;
        }
        peerFound = peer.exitCode();
        if (run > 0) {
            screenTimes.push_back(screenSeconds);
            peerTimes.push_back(peerSeconds);
        }
        std::printf("run %d: screen %.3f s (%s), quennoscan %.3f s\n", run, screenSeconds, qPrintable(screenCount),
                    peerSeconds);
    }
    const double s = median(screenTimes);
    const double q = median(peerTimes);
    std::printf("\n| figure | measured | goal |\n|---|---:|---:|\n");
    std::printf("| scan through the screen, median s | %.3f | |\n", s);
    std::printf("| quennoscan on the same tree, median s | %.3f | |\n", q);
    std::printf("| time of the screen's scan / quennoscan | %.2fx | <= 1.2x |\n", s / q);
    std::printf("| screen's count | %s | quennoscan found something: %s |\n", qPrintable(screenCount),
                peerFound == 1 ? "yes" : "no");
    return 0;
}
