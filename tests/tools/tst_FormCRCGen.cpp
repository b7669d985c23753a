// The checksum checker: the checksum text of the picked file, with real files.

#include "ToolsFixture.h"
#include "tools/FormCRCGen.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QStandardPaths>
#include <QTest>

using namespace quenno;

class TestFormCRCGen : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_previousCurrent;

    static std::string checksumOf(const QByteArray& content)
    {
        const auto* data = reinterpret_cast<const std::uint8_t*>(content.constData());
        return detection::ChecksumText(
            detection::CRC::ComputeCrc(std::span(data, static_cast<std::size_t>(content.size()))));
    }

    // Selects the file by name, as a click on it does.
    static void pick(tools::FormCRCGen& form, const QString& name)
    {
        auto* list = form.findChild<tools::FileList*>("File1");
        const auto found = list->findItems(name, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(name));
        list->setCurrentItem(found.first());
    }
    static QString shown(tools::FormCRCGen& form) { return form.findChild<QLineEdit*>("txtCRC")->text(); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        m_previousCurrent = QDir::currentPath();
        QVERIFY(test::writeFile(m_dir.filePath("pick/check.txt"), "123456789"));
        QVERIFY(test::writeFile(m_dir.filePath("pick/empty.bin"), ""));
        QVERIFY(test::writeFile(m_dir.filePath("pick/ae.txt"), "ae"));
        QVERIFY(test::writeFile(m_dir.filePath("pick/sub/inner.txt"), "a"));
        QByteArray big(3 * 1024 * 1024 + 17, '\0');
        for (int i = 0; i < big.size(); ++i)
            big[i] = static_cast<char>(i * 7);
        QVERIFY(test::writeFile(m_dir.filePath("pick/big.bin"), big));
        QVERIFY(QDir::setCurrent(m_dir.filePath("pick")));
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousCurrent); }

    void checksumOfPickedFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("checksum");
        QTest::newRow("check value") << "check.txt"
                                     << "CBF43926";
        QTest::newRow("no leading zeros") << "ae.txt"
                                          << "E7DDCE";
        QTest::newRow("empty file") << "empty.bin"
                                    << "0";
    }
    void checksumOfPickedFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, checksum);
        test::ToolsPlatform fixture(m_dir.path());
        tools::FormCRCGen form(fixture.platform);
        pick(form, "ae.txt");
        pick(form, name);
        QCOMPARE(shown(form), checksum);
        QVERIFY(fixture.messages.texts.isEmpty());
    }

    void fileInASubfolderPickedThroughTheFolderList()
    {
        test::ToolsPlatform fixture(m_dir.path());
        tools::FormCRCGen form(fixture.platform);
        auto* dirs = form.findChild<tools::DirList*>("Dir1");
        const auto sub = dirs->findItems("sub", Qt::MatchEndsWith);
        QCOMPARE(sub.size(), 1);
        QVERIFY(dirs->open(dirs->row(sub.first())));
        QCOMPARE(form.findChild<tools::FileList*>("File1")->count(), 1);
        pick(form, "inner.txt");
        QCOMPARE(shown(form), QString("E8B7BE43"));
    }

    // A long checksum lets events run between blocks; a click handled then picks another
    // file, and the text in the end is that file's.
    void fileSelectedLastIsShown()
    {
        test::ToolsPlatform fixture(m_dir.path());
        tools::FormCRCGen form(fixture.platform);
        fixture.events.next = [&] {
            pick(form, "check.txt");
        };
        pick(form, "big.bin");
        QVERIFY(fixture.events.runs > 2);  // the big file let events run more than once
        QCOMPARE(shown(form), QString("CBF43926"));

        // And the other way round: the nested click picks the big file.
        fixture.events.next = [&] {
            pick(form, "big.bin");
        };
        pick(form, "ae.txt");
        QFile big(m_dir.filePath("pick/big.bin"));
        QVERIFY(big.open(QIODevice::ReadOnly));
        QCOMPARE(shown(form), QString::fromStdString(checksumOf(big.readAll())));
    }

    // Closing the screen while a checksum is computed unloads it afterwards, not under the
    // computation.
    void closedDuringComputation()
    {
        test::ToolsPlatform fixture(m_dir.path());
        QPointer<tools::FormCRCGen> form = new tools::FormCRCGen(fixture.platform);
        form->show();
        fixture.events.next = [&] {
            form->close();
        };
        pick(*form, "big.bin");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(form.isNull());
    }

    void closedThenShownAgainStaysLoaded()
    {
        test::ToolsPlatform fixture(m_dir.path());
        QPointer<tools::FormCRCGen> form = new tools::FormCRCGen(fixture.platform);
        form->show();
        fixture.events.next = [&] {
            form->close();
            form->show();
        };
        pick(*form, "check.txt");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!form.isNull());
        QVERIFY(form->isVisible());
        QCOMPARE(shown(*form), QString("CBF43926"));
        delete form;
    }

    // A drive that cannot be read: the drive list shows it, the other lists stay, silently.
    void driveThatCannotBeRead()
    {
        test::ToolsPlatform fixture(m_dir.path());
        tools::FormCRCGen form(fixture.platform);
        auto* drives = form.findChild<tools::DriveList*>("Drive1");
        auto* dirs = form.findChild<tools::DirList*>("Dir1");
        auto* files = form.findChild<tools::FileList*>("File1");
        const std::string gone = test::bytes(m_dir.filePath("unplugged")) + "/";
        const std::string other = test::bytes(m_dir.filePath("pick/sub")) + "/";
        drives->setDrives({{"/", "/"}, {gone, "unplugged"}, {other, "other"}});
        const std::string folder = dirs->path();
        const int listed = files->count();
        drives->setCurrentIndex(1);
        QCOMPARE(drives->currentText(), QString("unplugged"));
        QCOMPARE(dirs->path(), folder);
        QCOMPARE(files->count(), listed);
        QVERIFY(fixture.messages.texts.isEmpty());

        drives->setCurrentIndex(2);  // a readable drive shows its folders and files
        QCOMPARE(dirs->path() + "/", other);
        QCOMPARE(files->name(0), std::string("inner.txt"));
    }

    void window()
    {
        test::ToolsPlatform fixture(m_dir.path());
        tools::FormCRCGen form(fixture.platform);
        QCOMPARE(form.windowTitle(), QString("Check CRC"));
        QCOMPARE(form.size(), QSize(327, 431));
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
        QCOMPARE(form.findChild<QLineEdit*>("txtCRC")->geometry(), QRect(200, 264, 97, 19));
        QCOMPARE(form.findChild<QWidget*>("File1")->geometry(), QRect(56, 296, 241, 114));
        QCOMPARE(form.findChild<QWidget*>("Dir1")->geometry(), QRect(56, 104, 241, 146));
        QCOMPARE(form.findChild<QWidget*>("Drive1")->geometry(), QRect(56, 264, 137, 20));
    }
};

QTEST_MAIN(TestFormCRCGen)
#include "tst_FormCRCGen.moc"
