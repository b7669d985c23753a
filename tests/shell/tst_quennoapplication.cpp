// Ending the program while other work lets events run (a scan, a message box) ends the
// process at once; from the top level the event loop ends the program normally.

#include "shell/QuennoApplication.h"
#include "shell/ScreenManager.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

using quenno::shell::QuennoApplication;
using quenno::shell::ScreenManager;

namespace {

QuennoApplication* application() { return static_cast<QuennoApplication*>(QCoreApplication::instance()); }

// Runs `work` as an event handler, the way a click handler runs.
void runAsHandler(const std::function<void()>& work)
{
    QMetaObject::invokeMethod(application(), work, Qt::QueuedConnection);
    QCoreApplication::processEvents();
}

}  // namespace

class TestQuennoApplication : public QObject {
    Q_OBJECT
private slots:
    void exitProgram_data();
    void exitProgram();
};

void TestQuennoApplication::exitProgram_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("processEnded");
    // First: once the program was told to exit, a new modal loop returns at once.
    QTest::newRow("a handler inside a message box") << "dialog" << true;
    QTest::newRow("a click handler") << "handler" << false;
    QTest::newRow("a handler inside a scan letting events run") << "scan" << true;
}

void TestQuennoApplication::exitProgram()
{
    QFETCH(QString, from);
    QFETCH(bool, processEnded);
    int terminated = 0;
    application()->setTerminate([&terminated] {
        ++terminated;
    });
    ScreenManager screens([] {
        application()->endProcessIfInsideOtherWork();
    });
    auto exitNow = [&screens] {
        screens.exitProgram();
    };

    if (from == QLatin1String("handler")) {
        runAsHandler(exitNow);
    } else if (from == QLatin1String("scan")) {
        runAsHandler([&] {
            // The scan lets pending events run once per file; the Exit click is one of them.
            QMetaObject::invokeMethod(application(), exitNow, Qt::QueuedConnection);
            for (int file = 0; file < 3; ++file)
                QCoreApplication::processEvents();
        });
    } else {
        runAsHandler([&] {
            QEventLoop modal;
            QTimer::singleShot(0, application(), [&] {
                exitNow();
                modal.quit();
            });
            modal.exec();
        });
    }

    QVERIFY(screens.exiting());
    QCOMPARE(terminated, processEnded ? 1 : 0);
}

int main(int argc, char** argv)
{
    QuennoApplication app(argc, argv);
    TestQuennoApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_quennoapplication.moc"
