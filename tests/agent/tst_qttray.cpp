// The Qt tray icon: how its activations become mouse messages, and that it refuses to
// pretend where no notification area exists. On a desktop with one (QUENNO_TRAY_DESKTOP
// set, e.g. under Xvfb with trayer) the icon is really shown and removed.

#include "platform/linux/QtTray.h"

#include <QPixmap>
#include <QtTest>

using quenno::platform::QtTray;

class TestQtTray : public QObject {
    Q_OBJECT

private slots:
    void activationMessages_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<int>("message");
        QTest::newRow("left click releases the left button") << int(QSystemTrayIcon::Trigger) << 514;
        QTest::newRow("context click releases the right button") << int(QSystemTrayIcon::Context) << 517;
        QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << 515;
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << 520;
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << 512;
    }
    void activationMessages()
    {
        QFETCH(int, reason);
        QFETCH(int, message);
        QCOMPARE(QtTray::messageFor(static_cast<QSystemTrayIcon::ActivationReason>(reason)), message);
    }

    void iconComesAndGoes()
    {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::darkCyan);
        QtTray tray;
        int calls = 0;
        const bool added = tray.add(QIcon(pixmap), "QuennoAV Agent", [&calls](int) { ++calls; });
        QCOMPARE(added, tray.available());
        QCOMPARE(tray.visible(), tray.available());
        if (!qEnvironmentVariableIsSet("QUENNO_TRAY_DESKTOP")) {
            QVERIFY(!tray.available());  // the offscreen platform has no notification area
            return;
        }
        QVERIFY(tray.visible());
        tray.remove();
        QVERIFY(!tray.visible());
        tray.remove();  // twice is harmless
        QCOMPARE(calls, 0);
    }
};

QTEST_MAIN(TestQtTray)
#include "tst_qttray.moc"
