// The scan run's view of its screen, without a window: status and results reach the screen
// only when events run, and once the screen is gone (destroyed while events ran) nothing
// reaches it again and the engine is told to stop.

#include "scan/ScanRunView.h"

#include <QtTest>

#include <functional>

using namespace quenno;

namespace {

struct FakeScreen final : scan::ScanRunScreen {
    bool stop = false;
    bool kill = false;
    QStringList calls;

    bool stopRequested() const override { return stop; }
    bool killProcessOn() const override { return kill; }
    void addResult(const quarantine::DetectedFile& file, const std::string& resultLine) override
    {
        calls << QString::fromStdString("result " + file.path + " | " + resultLine + " | " + file.checksumText);
    }
    void showStatus(const std::string& fullPath) override { calls << QString::fromStdString("status " + fullPath); }
    void showNewResults() override { calls << "scroll"; }
};

struct Pump final : platform::EventPump {
    std::function<void()> during;
    int runs = 0;
    void letEventsRun() override
    {
        ++runs;
        if (during)
            during();
    }
};

detection::Detection found(const std::string& path)
{
    detection::Detection d;
    d.fullPath = path;
    d.bareName = path.substr(path.rfind('/') + 1);
    d.malwareName = "Worm.A";
    d.checksumText = "1A2B3C";
    return d;
}

}  // namespace

class TestScanRunView : public QObject {
    Q_OBJECT

private slots:
    // Only the newest status is drawn, and the list is scrolled once for the results
    // added since events last ran.
    void progressIsDrawnWhenEventsRun()
    {
        FakeScreen screen;
        Pump pump;
        const shell::Liveness owner;
        scan::ScanRunView view(screen, owner.watch(), &pump, nullptr, 0);
        view.setStatus("/t/a.exe");
        view.setStatus("/t/b.exe");
        view.addDetection(found("/t/b.exe"));
        QCOMPARE(screen.calls, QStringList{"result /t/b.exe | File b.exe, detected as: Worm.A | 1A2B3C"});
        view.letEventsRun();
        QCOMPARE(screen.calls.mid(1), (QStringList{"status /t/b.exe", "scroll"}));
        view.letEventsRun();
        QCOMPARE(screen.calls.size(), 3);
        QCOMPARE(pump.runs, 2);
    }

    // Within the interval nothing is drawn and no events run.
    void yieldsAreThrottled()
    {
        FakeScreen screen;
        Pump pump;
        const shell::Liveness owner;
        scan::ScanRunView view(screen, owner.watch(), &pump, nullptr, 60000);
        view.setStatus("/t/a.exe");
        view.letEventsRun();
        QCOMPARE(pump.runs, 0);
        QVERIFY(screen.calls.isEmpty());
    }

    void stopAndKillOptionAreReadEachTime()
    {
        FakeScreen screen;
        const shell::Liveness owner;
        scan::ScanRunView view(screen, owner.watch(), nullptr, nullptr, 0);
        QVERIFY(!view.stopRequested());
        QVERIFY(!view.killProcessOn());
        screen.stop = true;
        screen.kill = true;
        QVERIFY(view.stopRequested());
        QVERIFY(view.killProcessOn());
    }

    // The screen destroyed while events ran: the run stops and the screen is never reached.
    void screenGoneWhileEventsRan()
    {
        FakeScreen screen;
        Pump pump;
        auto owner = std::make_unique<shell::Liveness>();
        scan::ScanRunView view(screen, owner->watch(), &pump, nullptr, 0);
        screen.kill = true;
        pump.during = [&] {
            owner.reset();
        };
        view.letEventsRun();
        QVERIFY(view.screenGone());
        QVERIFY(view.stopRequested());
        QVERIFY(!view.killProcessOn());
        screen.calls.clear();
        view.setStatus("/t/c.exe");
        view.addDetection(found("/t/c.exe"));
        view.letEventsRun();
        view.showNewResults();
        QVERIFY(screen.calls.isEmpty());
        QCOMPARE(pump.runs, 1);
    }

    void unreadablePartsAreCounted()
    {
        FakeScreen screen;
        const shell::Liveness owner;
        scan::ScanRunView view(screen, owner.watch(), nullptr, nullptr, 0);
        view.addUnreadable("/t/locked/", true);
        view.addUnreadable("/t/a.exe", false);
        view.addUnreadable("/t/b.exe", false);
        QCOMPARE(view.unreadableFiles(), 2);
        QCOMPARE(view.unreadableFolders(), 1);
    }
};

QTEST_GUILESS_MAIN(TestScanRunView)
#include "tst_scanrunview.moc"
