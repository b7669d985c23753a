// The Qt facilities: event pump, sound, message boxes, folder dialog.

#include "platform/qt/QtEventPump.h"
#include "platform/qt/QtFolderDialog.h"
#include "platform/qt/QtMessageBoxes.h"
#include "platform/qt/QtSound.h"
#include "platform/linux/LinuxSoundServer.h"
#include "tests/support/TestFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace quenno::platform;

namespace {

QStringList g_messages;
void recordMessage(QtMsgType, const QMessageLogContext&, const QString& text) { g_messages << text; }

// Runs check on the modal dialog once it is up.
void whenModal(std::function<void(QWidget*)> check)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, check] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            check(modal);
        }
    });
    timer->start();
}

QByteArray waveBytes()
{
    const QByteArray data(200, '\0');
    const auto le32 = [](qsizetype v) {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return b;
    };
    QByteArray w("RIFF");
    w += le32(36 + data.size());
    w += QByteArray("WAVEfmt ") + le32(16) + QByteArray("\x01\x00\x01\x00", 4) + le32(8000) + le32(16000);
    w += QByteArray("\x02\x00\x10\x00", 4) + QByteArray("data") + le32(data.size()) + data;
    return w;
}

}  // namespace

class TestUiFacilities : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;

private slots:
    void eventPumpRunsPendingEvents()
    {
        int ran = 0;
        QtEventPump everyTime(std::chrono::microseconds(0));
        QTimer::singleShot(0, this, [&] {
            ++ran;
        });
        everyTime.letEventsRun();
        QCOMPARE(ran, 1);
        QTimer::singleShot(0, this, [&] {
            ++ran;
        });
        everyTime.letEventsRun();
        QCOMPARE(ran, 2);
    }

    void eventPumpSkipsWithinItsInterval()
    {
        int ran = 0;
        QtEventPump pump(std::chrono::seconds(60));
        QTimer::singleShot(0, this, [&] {
            ++ran;
        });
        pump.letEventsRun();  // the first request always runs
        QCOMPARE(ran, 1);
        QTimer::singleShot(0, this, [&] {
            ++ran;
        });
        pump.letEventsRun();
        QCOMPARE(ran, 1);
        QCoreApplication::processEvents();
    }

    void waveRecognised_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("wave");
        QTest::newRow("wave") << waveBytes() << true;
        QTest::newRow("text") << QByteArray("not a sound at all") << false;
        QTest::newRow("riff but not wave") << QByteArray("RIFF\0\0\0\0AVI LIST", 16) << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void waveRecognised()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, wave);
        const QString path = m_tmp.filePath("s.wav");
        QVERIFY(quenno::test::writeFile(path, content));
        QCOMPARE(QtSound::looksLikeWave(path), wave);
        QVERIFY(!QtSound::looksLikeWave(m_tmp.filePath("missing.wav")));
        QVERIFY(!QtSound::looksLikeWave(m_tmp.path()));
    }

    void soundIsQuietWhateverItIsGiven()
    {
        QVERIFY(quenno::test::writeFile(m_tmp.filePath("Help.wav"), waveBytes()));
        QVERIFY(quenno::test::writeFile(m_tmp.filePath("broken.wav"), "garbage"));
        QtSound sound(&soundServerReachable);
        g_messages.clear();
        const auto previous = qInstallMessageHandler(recordMessage);
        sound.play(m_tmp.filePath("missing.wav"));
        sound.play(m_tmp.filePath("broken.wav"));
        sound.play(m_tmp.filePath("Help.wav"));
        sound.play(m_tmp.filePath("Help.wav"));  // replaces the one playing
        sound.play(m_tmp.path());
        QTest::qWait(50);
        qInstallMessageHandler(previous);
        QVERIFY2(g_messages.isEmpty(), qPrintable(g_messages.join('\n')));
    }

    void messageBox_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("answer");
        using S = MessageBoxes::Style;
        using Ans = MessageBoxes::Answer;
        QTest::newRow("ok") << int(S::Ok) << int(QMessageBox::NoIcon) << int(QMessageBox::Ok) << int(QMessageBox::Ok)
                            << int(Ans::Ok);
        QTest::newRow("critical") << int(S::Critical) << int(QMessageBox::Critical) << int(QMessageBox::Ok)
                                  << int(QMessageBox::Ok) << int(Ans::Ok);
        QTest::newRow("information") << int(S::Information) << int(QMessageBox::Information) << int(QMessageBox::Ok)
                                     << int(QMessageBox::Ok) << int(Ans::Ok);
        QTest::newRow("question yes") << int(S::YesNoQuestion) << int(QMessageBox::Question)
                                      << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::Yes)
                                      << int(Ans::Yes);
        QTest::newRow("question no") << int(S::YesNoQuestion) << int(QMessageBox::Question)
                                     << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No) << int(Ans::No);
    }
    void messageBox()
    {
        QFETCH(int, style);
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, click);
        QFETCH(int, answer);
        bool checked = false;
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("QuennoAV"));
            QCOMPARE(box->text(), QStringLiteral("File <b>x</b>.exe"));
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QCOMPARE(int(box->icon()), icon);
            QCOMPARE(int(box->standardButtons()), buttons);
            checked = true;
            box->button(QMessageBox::StandardButton(click))->click();
        });
        QtMessageBoxes boxes;
        QCOMPARE(int(boxes.show("File <b>x</b>.exe", MessageBoxes::Style(style))), answer);
        QVERIFY(checked);
    }

    void folderDialog_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("cancel") << false;
        QTest::newRow("choose") << true;
    }
    void folderDialog()
    {
        QFETCH(bool, accept);
        const QString folder = m_tmp.filePath("Scan Here");
        QDir().mkpath(folder);
        bool checked = false;
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Select Folder To Scan"));
            QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
            QVERIFY(dialog->testOption(QFileDialog::ShowDirsOnly));
            checked = true;
            if (accept) {
                dialog->setDirectory(folder);
                QMetaObject::invokeMethod(dialog, "accept");
            } else {
                dialog->reject();
            }
        });
        QtFolderDialog dialogs;
        const QString chosen = dialogs.browse("Select Folder To Scan");
        QVERIFY(checked);
        QCOMPARE(chosen, accept ? folder : QString());
    }
};

QTEST_MAIN(TestUiFacilities)
#include "tst_uifacilities.moc"
