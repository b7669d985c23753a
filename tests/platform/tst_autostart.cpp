// Log-on entries in the freedesktop autostart folder: their exact text, how a session's
// launcher reads their Exec line back, replacement and removal, and refused writes.

#include "platform/linux/LinuxAutostart.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using quenno::platform::LinuxAutostart;
using quenno::test::writeFile;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestAutostart : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_savedConfig;
    QString autostartFolder() const { return m_dir.path() + "/config/autostart"; }
    QString entry(const QString& name) const { return autostartFolder() + "/" + name + ".desktop"; }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path() + "/config"));
    }
    void cleanup()
    {
        qputenv("XDG_CONFIG_HOME", m_savedConfig);
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void entryText_data()
    {
        QTest::addColumn<QByteArray>("exePath");
        QTest::addColumn<QByteArray>("execValue");
        QTest::addColumn<QByteArray>("pathValue");
        QTest::newRow("plain") << QByteArray("/opt/QuennoAV/QuennoAV") << QByteArray("\"/opt/QuennoAV/QuennoAV\"")
                               << QByteArray("/opt/QuennoAV");
        QTest::newRow("spaces") << QByteArray("/home/ann/My Programs/Quenno AV/QuennoAV")
                                << QByteArray("\"/home/ann/My Programs/Quenno AV/QuennoAV\"")
                                << QByteArray("/home/ann/My Programs/Quenno AV");
        // Inside the quotes '"', '`', '$' and '\' take a backslash, and then every
        // backslash is doubled again by the key file's string escapes.
        QTest::newRow("shell characters")
            << QByteArray("/tmp/a \"b\" $HOME `id` c\\d;e&f|g'h/QuennoAV")
            << QByteArray("\"/tmp/a \\\\\"b\\\\\" \\\\$HOME \\\\`id\\\\` c\\\\\\\\d;e&f|g'h/QuennoAV\"")
            << QByteArray("/tmp/a \"b\" $HOME `id` c\\\\d;e&f|g'h");
        QTest::newRow("tab and newline") << QByteArray("/tmp/a\tb\nc/QuennoAV")
                                         << QByteArray("\"/tmp/a\\tb\\nc/QuennoAV\"") << QByteArray("/tmp/a\\tb\\nc");
        QTest::newRow("leading space folder")
            << QByteArray("/ x/QuennoAV") << QByteArray("\"/ x/QuennoAV\"") << QByteArray("/ x");
        QTest::newRow("non-ASCII") << QByteArray("/tmp/Ünï ✓/QuennoAV") << QByteArray("\"/tmp/Ünï ✓/QuennoAV\"")
                                   << QByteArray("/tmp/Ünï ✓");
        QTest::newRow("percent goes through the shell")
            << QByteArray("/tmp/100% sure/QuennoAV")
            << QByteArray("/bin/sh -c \"exec \\\\\"\\\\$0\\\\\"\" \"/tmp/100%% sure/QuennoAV\"")
            << QByteArray("/tmp/100% sure");
        QTest::newRow("program at the root")
            << QByteArray("/QuennoAV") << QByteArray("\"/QuennoAV\"") << QByteArray("/");
    }
    void entryText()
    {
        QFETCH(QByteArray, exePath);
        QFETCH(QByteArray, execValue);
        QFETCH(QByteArray, pathValue);
        LinuxAutostart autostart;
        QVERIFY(autostart.enable("QuennoAV", exePath.toStdString()));
        const QByteArray expected = "[Desktop Entry]\n"
                                    "Type=Application\n"
                                    "Name=QuennoAV\n"
                                    "Exec="
            + execValue
            + "\n"
              "Path="
            + pathValue
            + "\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n";
        QCOMPARE(readAll(entry("QuennoAV")), expected);
        QCOMPARE(QDir(autostartFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{"QuennoAV.desktop"});
    }

    // A session starts each entry with its desktop launcher; the program must start from
    // its own folder however odd the folder's name.
    void launcherStartsTheProgram_data()
    {
        QTest::addColumn<QString>("folderName");
        QTest::newRow("spaces") << "Quenno AV folder";
        QTest::newRow("shell characters") << "a \"b\" $HOME `id` c\\d;e&f|g'h";
        QTest::newRow("percent") << "100% sure %f %u";
        QTest::newRow("non-ASCII") << "Ünï ✓";
    }
    void launcherStartsTheProgram()
    {
        QFETCH(QString, folderName);
        const QString gio = QStandardPaths::findExecutable("gio");
        if (gio.isEmpty())
            QSKIP("the desktop launcher (gio) is not installed");
        const QString folder = m_dir.path() + "/" + folderName;
        QVERIFY(QDir().mkpath(folder));
        const QString program = folder + "/Quenno AV";
        QVERIFY(writeFile(program, "#!/bin/sh\nprintf '%s\\n%s\\n' \"$0\" \"$(pwd)\" > \"$QUENNO_LAUNCH_OUT\"\n"));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        LinuxAutostart autostart;
        QVERIFY(autostart.enable("Quenno AV", QFile::encodeName(program).toStdString()));

        const QString out = m_dir.path() + "/launched.txt";
        QProcess launcher;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUENNO_LAUNCH_OUT", out);
        launcher.setProcessEnvironment(env);
        launcher.start(gio, {"launch", entry("Quenno AV")});
        QVERIFY(launcher.waitForFinished(20000));
        QCOMPARE(launcher.readAllStandardError(), QByteArray());
        QCOMPARE(launcher.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(readAll(out).endsWith('\n') && readAll(out).count('\n') == 2, 10000);
        QCOMPARE(QString::fromUtf8(readAll(out)), program + "\n" + folder + "\n");
    }

    void rejectsWhatNoEntryCanHold_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("exePath");
        QTest::newRow("relative path") << QByteArray("QuennoAV") << QByteArray("bin/QuennoAV");
        QTest::newRow("empty path") << QByteArray("QuennoAV") << QByteArray();
        QTest::newRow("path not UTF-8") << QByteArray("QuennoAV") << QByteArray("/tmp/\xff\xfe/QuennoAV");
        QTest::newRow("name with slash") << QByteArray("../QuennoAV") << QByteArray("/opt/QuennoAV");
        QTest::newRow("empty name") << QByteArray() << QByteArray("/opt/QuennoAV");
    }
    void rejectsWhatNoEntryCanHold()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, exePath);
        LinuxAutostart autostart;
        QVERIFY(!autostart.enable(name.toStdString(), exePath.toStdString()));
        QVERIFY(QDir(autostartFolder()).isEmpty());
        QVERIFY(!QFile::exists(m_dir.path() + "/config/QuennoAV.desktop"));
    }

    void enableReplacesAndDisableRemoves()
    {
        LinuxAutostart autostart;
        QVERIFY(autostart.enable("QuennoAV", "/old place/QuennoAV"));
        QVERIFY(autostart.enable("QuennoAV", "/new place/QuennoAV"));
        QVERIFY(readAll(entry("QuennoAV")).contains("Exec=\"/new place/QuennoAV\"\n"));
        QVERIFY(autostart.enable("Other", "/x/Other"));

        QVERIFY(autostart.disable("QuennoAV"));
        QVERIFY(!QFile::exists(entry("QuennoAV")));
        QVERIFY(QFile::exists(entry("Other")));
        // Nothing left to remove is not a failure.
        QVERIFY(autostart.disable("QuennoAV"));
        QVERIFY(!autostart.disable("../Other"));
        QVERIFY(QFile::exists(entry("Other")));
    }

    void failuresAreReported()
    {
        // The configuration folder is a file: the autostart folder cannot be made.
        QVERIFY(writeFile(m_dir.path() + "/config", "not a folder"));
        LinuxAutostart autostart;
        QVERIFY(!autostart.enable("QuennoAV", "/opt/QuennoAV"));
        QVERIFY(QFile::remove(m_dir.path() + "/config"));

        if (geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        QVERIFY(autostart.enable("QuennoAV", "/opt/QuennoAV"));
        QVERIFY(QFile::setPermissions(autostartFolder(), QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(!autostart.enable("QuennoAV", "/elsewhere/QuennoAV"));
        QVERIFY(!autostart.disable("QuennoAV"));
        QVERIFY(readAll(entry("QuennoAV")).contains("Exec=\"/opt/QuennoAV\"\n"));
        QVERIFY(QFile::setPermissions(autostartFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void folderFollowsTheEnvironment_data()
    {
        QTest::addColumn<QByteArray>("configHome");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << QByteArray("/cfg") << "/cfg/autostart";
        QTest::newRow("unset") << QByteArray() << "/home/ann/.config/autostart";
        QTest::newRow("relative is ignored") << QByteArray("cfg") << "/home/ann/.config/autostart";
    }
    void folderFollowsTheEnvironment()
    {
        QFETCH(QByteArray, configHome);
        QFETCH(QString, expected);
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", "/home/ann");
        if (configHome.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", configHome);
        const QString folder = QString::fromStdString(LinuxAutostart::folder());
        qputenv("HOME", savedHome);
        QCOMPARE(folder, expected);
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"
