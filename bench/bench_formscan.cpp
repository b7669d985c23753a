// The scan run through the scan screen, offscreen: how long it takes beside quennoscan on
// the same tree and signature list, and the longest time the user-interface thread went
// without handling events (a 1 ms timer notes when events last ran).
//
//   bench_formscan APP_DIR TREE      (APP_DIR holds database.db; it is switched to full mode)
//
// Prints: CPU seconds and seconds of the run, the longest pause in ms and when it ended,
// the detections and the status line.
//
//   bench_formscan --lists APP_DIR   (APP_DIR holds database.db)
//
// Opens the scan screen on the list and switches full scanning on and off again. Prints the
// seconds of the opening and of each switch, the records held and the peak resident memory.

#include "platform/Platform.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/qt/QtEventPump.h"
#include "platform/Clock.h"
#include "scan/FormScan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include <QAbstractItemView>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <sys/resource.h>

using namespace quenno;

namespace {

struct SilentSound final : platform::Sound {
    void play(const QString&) override { }
};

struct QuietMessages final : platform::MessageBoxes {
    Answer show(const QString& text, Style) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return Answer::Ok;
    }
};

struct NoFolderDialog final : platform::FolderDialog {
    QString browse(const QString&) override { return {}; }
};

double secondsOf(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e9; }

int benchLists(const platform::Platform& p)
{
    QElapsedTimer timer;
    timer.start();
    scan::FormScan form(p);
    const double open = secondsOf(timer);
    form.show();
    QApplication::processEvents();
    timer.restart();
    form.IScanFull_Click();
    const double full = secondsOf(timer);
    timer.restart();
    form.IScanFullb_Click();
    const double normal = secondsOf(timer);
    const auto* names = form.findChild<QAbstractItemView*>(QStringLiteral("wName"));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("open seconds %.3f\nfull switch seconds %.3f\nnormal switch seconds %.3f\n", open, full, normal);
    std::printf("records %d\npeak rss kib %ld\n", names ? names->model()->rowCount() : -1, usage.ru_maxrss);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool lists = argc == 3 && std::strcmp(argv[1], "--lists") == 0;
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_formscan APP_DIR TREE | --lists APP_DIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    platform::LinuxFileSystem files{std::string(argv[lists ? 2 : 1])};
    platform::LinuxProcessTable processes;
    platform::SystemClock clock;
    platform::QtEventPump events;
    SilentSound sound;
    QuietMessages messages;
    NoFolderDialog folders;
    platform::Platform p;
    p.files = &files;
    p.processes = &processes;
    p.clock = &clock;
    p.events = &events;
    p.sound = &sound;
    p.messages = &messages;
    p.folders = &folders;
    if (lists)
        return benchLists(p);

    scan::FormScan form(p);
    form.show();
    form.IScanFull_Click();  // full scanning: every file up to 100000 bytes
    QApplication::processEvents();
    form.findChild<QLineEdit*>(QStringLiteral("txtPath"))->setText(QString::fromLocal8Bit(argv[2]));

    QElapsedTimer sinceEvents;
    qint64 longestPauseNs = 0;
    qint64 longestPauseEnd = 0;  // ns into the run
    QElapsedTimer run;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (sinceEvents.nsecsElapsed() > longestPauseNs) {
            longestPauseNs = sinceEvents.nsecsElapsed();
            longestPauseEnd = run.nsecsElapsed();
        }
        sinceEvents.restart();
    });
    tick.start();

    const std::clock_t cpuStart = std::clock();
    run.start();
    sinceEvents.start();
    form.IScanFolderb_Click();
    const double seconds = static_cast<double>(run.nsecsElapsed()) / 1e9;
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    if (sinceEvents.nsecsElapsed() > longestPauseNs) {
        longestPauseNs = sinceEvents.nsecsElapsed();
        longestPauseEnd = run.nsecsElapsed();
    }

    const auto* found = form.findChild<QListWidget*>(QStringLiteral("lstFound"));
    std::printf("cpu seconds %.3f\n", cpuSeconds);
    std::printf("seconds %.3f\nlongest pause ms %.1f\nlongest pause ended at s %.3f\ndetections %d\nstatus %s\n",
                seconds, static_cast<double>(longestPauseNs) / 1e6, static_cast<double>(longestPauseEnd) / 1e9,
                found ? found->count() : -1, qPrintable(form.findChild<QLabel*>(QStringLiteral("lblStatus"))->text()));
    return 0;
}
