// Help and Update virus list open their files in the desktop's default programs, found and
// started by GIO. Each case builds a private desktop (data and configuration folders with
// its own entries and defaults, the system's MIME database linked in) and opens the file
// from a process of its own; the entries record the arguments they are started with.

#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

}  // namespace

class TestLinuxLauncher : public QObject {
    Q_OBJECT

private slots:
    void opensWithTheDefaultProgram_data()
    {
        QTest::addColumn<QString>("command");  // help or editor
        QTest::addColumn<QString>("file");  // opened from the application folder
        QTest::addColumn<QByteArray>("content");  // empty: the file is not there
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QByteArray>("defaults");  // the [Default Applications] lines
        QTest::addColumn<QStringList>("arguments");  // the recorder's; empty: nothing may start
        // {file} stands for the file's full path.
        const QStringList all{"editor", "viewer", "unstartable"};
        const QByteArray html("<!DOCTYPE html><html><body>Help</body></html>\n");
        QTest::newRow("signature list in the default text editor")
            << "editor"
            << "database.db" << QByteArray("0;*.exe;x\r\n") << all
            << QByteArray("text/plain=missing.desktop;quenno-test-editor.desktop;\n")
            << QStringList{"--edit", "{file}"};
        QTest::newRow("text editor whatever the file's name")
            << "editor"
            << "list.html" << html << all
            << QByteArray("text/plain=quenno-test-editor.desktop;\ntext/html=quenno-test-viewer.desktop;\n")
            << QStringList{"--edit", "{file}"};
        QTest::newRow("help in the default program for its type")
            << "help"
            << "Quenno Help.html" << html << all
            << QByteArray("text/plain=quenno-test-editor.desktop;\ntext/html=quenno-test-viewer.desktop;\n")
            << QStringList{"--view", "{file}"};
        QTest::newRow("help file not there: typed by its name")
            << "help"
            << "Quenno Help.html" << QByteArray() << all << QByteArray("text/html=quenno-test-viewer.desktop;\n")
            << QStringList{"--view", "{file}"};
        QTest::newRow("no program for plain text")
            << "editor"
            << "database.db" << QByteArray("0;*.exe;x\r\n") << QStringList{"viewer"} << QByteArray() << QStringList{};
        QTest::newRow("no program for the help file")
            << "help"
            << "Quenno Help.html" << html << QStringList{} << QByteArray() << QStringList{};
        QTest::newRow("default program cannot be started")
            << "help"
            << "Quenno Help.html" << html << QStringList{"unstartable"}
            << QByteArray("text/html=quenno-test-unstartable.desktop;\n") << QStringList{};
    }
    void opensWithTheDefaultProgram()
    {
        QFETCH(QString, command);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, installed);
        QFETCH(QByteArray, defaults);
        QFETCH(QStringList, arguments);

        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString share = root.filePath("share");
        const QString config = root.filePath("config");
        QVERIFY(QDir().mkpath(share + "/applications"));
        QVERIFY(QDir().mkpath(config));
        // Types come from the system's MIME database; programs and defaults only from here.
        QVERIFY(QFile::link("/usr/share/mime", share + "/mime"));

        const QString marker = root.filePath("started-with");
        const QString recorder = root.filePath("bin/record args.sh");
        QVERIFY(quenno::test::writeFile(recorder,
                                        "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + QFile::encodeName(marker)
                                            + ".part\"\nmv \"" + QFile::encodeName(marker) + ".part\" \""
                                            + QFile::encodeName(marker) + "\"\n"));
        QVERIFY(QFile::setPermissions(recorder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray exec = "Exec=\"" + QFile::encodeName(recorder) + "\" ";
        const QMap<QString, QByteArray> entries{
            {"editor", "Name=Editor\n" + exec + "--edit %F\nMimeType=text/plain;\n"},
            {"viewer", "Name=Viewer\n" + exec + "--view %u\nMimeType=text/html;\n"},
            // Starting it fails: its working folder does not exist.
            {"unstartable",
             "Name=Unstartable\n" + exec + "--view %u\nPath=" + QFile::encodeName(root.filePath("gone"))
                 + "\nMimeType=text/html;\n"},
        };
        for (const QString& name : installed)
            QVERIFY(quenno::test::writeFile(share + "/applications/quenno-test-" + name + ".desktop",
                                            "[Desktop Entry]\nType=Application\n" + entries.value(name)));
        QVERIFY(quenno::test::writeFile(config + "/mimeapps.list", "[Default Applications]\n" + defaults));

        const QString app = root.filePath("app");
        QVERIFY(QDir().mkpath(app));
        const QString path = app + "/" + file;
        if (!content.isEmpty())
            QVERIFY(quenno::test::writeFile(path, content));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", root.filePath("home"));
        env.insert("XDG_DATA_HOME", root.filePath("home/.local/share"));
        env.insert("XDG_DATA_DIRS", share);
        env.insert("XDG_CONFIG_HOME", config);
        env.insert("XDG_CONFIG_DIRS", root.filePath("none"));
        env.insert("XDG_CACHE_HOME", root.filePath("cache"));
        env.insert("GIO_USE_VFS", "local");
        env.remove("XDG_CURRENT_DESKTOP");
        QProcess opener;
        opener.setProcessEnvironment(env);
        opener.setProcessChannelMode(QProcess::ForwardedChannels);
        opener.start(QStringLiteral(QUENNO_GIO_OPEN), {command, path});
        QVERIFY(opener.waitForFinished(20000));
        QCOMPARE(opener.exitStatus(), QProcess::NormalExit);
        QCOMPARE(opener.exitCode(), arguments.isEmpty() ? 1 : 0);
        if (arguments.isEmpty()) {
            QVERIFY(!QFile::exists(marker));
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
        QFile recorded(marker);
        QVERIFY(recorded.open(QIODevice::ReadOnly));
        QStringList expected;
        for (const QString& argument : arguments)
            expected << QString(argument).replace("{file}", path);
        QCOMPARE(QString::fromUtf8(recorded.readAll()), expected.join('\n') + '\n');
    }
};

QTEST_GUILESS_MAIN(TestLinuxLauncher)
#include "tst_linuxlauncher.moc"
