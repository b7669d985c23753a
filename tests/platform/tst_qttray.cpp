// The Qt tray icon: how its activations and the button releases after them become mouse
// messages, and that it refuses to pretend where no notification area exists. On a desktop with one (QUENNO_TRAY_DESKTOP
// set, e.g. under Xvfb with trayer) the icon is really shown and removed.

#include "platform/qt/QtTray.h"

#include <QMouseEvent>
#include <QPixmap>
#include <QtTest>

using quenno::platform::QtTray;
using quenno::platform::Tray;
using quenno::platform::TrayClicks;

class TestQtTray : public QObject {
    Q_OBJECT

private slots:
    // A click acts when its button comes up over the icon: the activation that some
    // desktops report on the press waits for that release.
    void clicksActOnRelease_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("held");  // the activation's button is down at that moment
        QTest::addColumn<int>("released");  // button released afterwards (NoButton: none yet)
        QTest::addColumn<QPoint>("where");  // of the release
        QTest::addColumn<QList<int>>("messages");
        const QPoint over(110, 710);
        const QPoint off(300, 500);
        const int left = Qt::LeftButton;
        const int right = Qt::RightButton;
        const int none = Qt::NoButton;
        QTest::newRow("left released over the icon")
            << int(QSystemTrayIcon::Trigger) << true << left << over << QList<int>{Tray::LeftButtonUp};
        QTest::newRow("right released over the icon")
            << int(QSystemTrayIcon::Context) << true << right << over << QList<int>{Tray::RightButtonUp};
        QTest::newRow("right held down") << int(QSystemTrayIcon::Context) << true << none << over << QList<int>{};
        QTest::newRow("left held down") << int(QSystemTrayIcon::Trigger) << true << none << over << QList<int>{};
        QTest::newRow("right dragged off the icon")
            << int(QSystemTrayIcon::Context) << true << right << off << QList<int>{};
        QTest::newRow("another button released")
            << int(QSystemTrayIcon::Context) << true << left << over << QList<int>{};
        QTest::newRow("second press of a double click")
            << int(QSystemTrayIcon::DoubleClick) << true << left << over << QList<int>{Tray::LeftButtonUp};
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << true << int(Qt::MiddleButton) << over
                                      << QList<int>{};
        QTest::newRow("release without a press on the icon")
            << int(QSystemTrayIcon::Unknown) << false << right << over << QList<int>{};
        QTest::newRow("left click told once it is over")
            << int(QSystemTrayIcon::Trigger) << false << none << over << QList<int>{Tray::LeftButtonUp};
        QTest::newRow("right click told once it is over")
            << int(QSystemTrayIcon::Context) << false << none << over << QList<int>{Tray::RightButtonUp};
    }
    void clicksActOnRelease()
    {
        QFETCH(int, reason);
        QFETCH(bool, held);
        QFETCH(int, released);
        QFETCH(QPoint, where);
        QFETCH(QList<int>, messages);
        QList<int> delivered;
        TrayClicks clicks(
            [] {
                return QRect(100, 700, 24, 24);
            },
            [&delivered](int message) {
                delivered << message;
            });
        QObject iconWindow;
        iconWindow.installEventFilter(&clicks);
        const auto activation = static_cast<QSystemTrayIcon::ActivationReason>(reason);
        const Qt::MouseButtons down
            = held ? Qt::MouseButtons(Qt::LeftButton | Qt::RightButton | Qt::MiddleButton) : Qt::MouseButtons();
        clicks.activated(activation, down);
        if (released != Qt::NoButton) {
            const auto button = static_cast<Qt::MouseButton>(released);
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(where - QPoint(100, 700)), QPointF(where), button,
                                Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&iconWindow, &release);
            QCoreApplication::sendEvent(&iconWindow, &release);  // seen twice (window, then widget): one click
        }
        QCOMPARE(delivered, messages);
    }

    void iconComesAndGoes()
    {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::darkCyan);
        QtTray tray;
        int calls = 0;
        const bool added = tray.add(QIcon(pixmap), "QuennoAV Agent", [&calls](int) {
            ++calls;
        });
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
