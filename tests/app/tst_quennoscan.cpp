// The command-line scanner, run as a separate process.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "JsonBytes.h"
#include "tests/support/TestFiles.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using quenno::test::bytesOfJson;
using quenno::test::readFile;
using quenno::test::writeFile;

namespace {

// big.exe (60000 bytes) is in the list, but only within the limit of full mode.
const QByteArray kDatabase
    = "50000;*.exe;Limits dan ekstensi\r\nTrojan.B;CBF43926\r\nVirus.C;E8B7BE43\r\nBig.X;D28F7DFD\r\n";

struct Finished {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// stdoutFd: where the scanner's stdout goes instead of a pipe to the test (-1: the pipe).
// environment: the scanner's, when not empty.
Finished quennoscan(const QStringList& args, const QString& workingDirectory, int stdoutFd = -1,
                    const QString& program = QUENNO_APP_DIR "/quennoscan", const QProcessEnvironment& environment = {})
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    if (stdoutFd >= 0)
        process.setChildProcessModifier([stdoutFd] {
            ::dup2(stdoutFd, STDOUT_FILENO);
        });
    process.start(program, args);
    Finished finished;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return finished;
    finished.exitCode = process.exitCode();
    finished.out = process.readAllStandardOutput();
    finished.err = process.readAllStandardError();
    return finished;
}

// Creates a file whose name is any bytes (QFile would take the name as text).
bool writeRawName(const std::string& path, const QByteArray& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

}  // namespace

class TestQuennoScan : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void run_data();
    void run();
    void hostileNames_data();
    void hostileNames();
    void jsonAndSummary();
    void writeFailures_data();
    void writeFailures();
    void unreadableParts_data();
    void unreadableParts();
    void actions_data();
    void actions();
    void jsonReportsTheAction();
    void completionOffersEveryOption();
    void needsNoQt();

private:
    QTemporaryDir m_dir;
    QString m_here;
    QString m_root;
};

void TestQuennoScan::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(QFile::exists(QUENNO_APP_DIR "/quennoscan"));
    // Canonical: a named link is reported by the path it leads to.
    m_here = QFileInfo(m_dir.path()).canonicalFilePath();
    m_root = m_here + "/tree";
    QVERIFY(writeFile(m_root + "/a.exe", "123456789"));
    QVERIFY(writeFile(m_root + "/note.txt", "a"));
    QVERIFY(writeFile(m_root + "/big.exe", QByteArray(60000, 'x')));
    QVERIFY(writeFile(m_root + "/Sub/b.exe", "a"));
    QVERIFY(QDir(m_root).mkpath("Empty"));
    QVERIFY(writeFile(m_here + "/odd/line\nend.exe", "123456789"));
    QVERIFY(QFile::link(m_root + "/Sub", m_here + "/link-to-Sub"));
    QVERIFY(::mkfifo(QFile::encodeName(m_here + "/fifo").constData(), 0600) == 0);
}

// QTemporaryDir would go through the link into the tree, and cannot name every file.
void TestQuennoScan::cleanupTestCase()
{
    QFile::remove(m_here + "/link-to-Sub");
    QFile::remove(m_here + "/fifo");
    const std::string hostile = QFile::encodeName(m_here).toStdString() + "/hostile";
    if (DIR* folder = ::opendir(hostile.c_str())) {
        while (const dirent* entry = ::readdir(folder))
            ::unlink((hostile + "/" + entry->d_name).c_str());
        ::closedir(folder);
    }
}

void TestQuennoScan::run_data()
{
    QTest::addColumn<QStringList>("args");  // {root}, {db} and {app} are filled in
    QTest::addColumn<QByteArray>("database");  // written to {db}; empty: no file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("output");  // stdout lines, exactly
    QTest::addColumn<QString>("error");  // the one stderr line contains this; "" for none

    const QString a = "{root}/a.exe\tFile a.exe, detected as: Trojan.B";
    const QString b = "{root}/Sub/b.exe\tFile b.exe, detected as: Virus.C";
    QTest::newRow("detections") << QStringList{"--db", "{db}", "{root}"} << kDatabase << 1
                                << QStringList{a, b, "Virus Found : 2"} << "";
    QTest::newRow("trailing separator and dot steps")
        << QStringList{"--db={db}", "{root}/./"} << kDatabase << 1 << QStringList{a, b, "Virus Found : 2"} << "";
    QTest::newRow("relative folder reported as full path")
        << QStringList{"--db", "{db}", "tree/Sub"} << kDatabase << 1 << QStringList{b, "Virus Found : 1"} << "";
    QTest::newRow("full mode: every name, larger limit")
        << QStringList{"--full", "--db", "{db}", "{root}"} << kDatabase << 1
        << QStringList{a, "{root}/big.exe\tFile big.exe, detected as: Big.X",
                       "{root}/note.txt\tFile note.txt, detected as: Virus.C", b, "Virus Found : 4"}
        << "";
    QTest::newRow("pattern and limit of the settings line")
        << QStringList{"--db", "{db}", "{root}"} << QByteArray("8;*.TXT;x\r\nVirus.C;E8B7BE43\r\n") << 1
        << QStringList{"{root}/note.txt\tFile note.txt, detected as: Virus.C", "Virus Found : 1"} << "";
    QTest::newRow("nothing found") << QStringList{"--db", "{db}", "{root}/Empty"} << kDatabase << 0
                                   << QStringList{"Virus Found : 0"} << "";
    QTest::newRow("default list and the shipped sample")
        << QStringList{"{app}/samples"} << QByteArray() << 1
        << QStringList{"{app}/samples/QuennoTest.exe\tFile QuennoTest.exe, detected as: Quenno.TestFile",
                       "Virus Found : 1"}
        << "";
    QTest::newRow("missing signature file")
        << QStringList{"--db", "{db}", "{root}"} << QByteArray() << 2 << QStringList() << "signature file not found";
    QTest::newRow("no settings line") << QStringList{"--db", "{db}", "{root}"} << QByteArray("Trojan.B;CBF43926\r\n")
                                      << 2 << QStringList() << "no settings line";
    QTest::newRow("empty signature file")
        << QStringList{"--db", "{db}", "{root}"} << QByteArray("\r\n") << 2 << QStringList() << "no settings line";
    QTest::newRow("missing operand") << QStringList{"--db", "{db}", "{root}/nowhere"} << kDatabase << 2
                                     << QStringList{"Virus Found : 0"}
                                     << "no such file or folder, not scanned: {root}/nowhere";
    QTest::newRow("missing operand beside a detection")
        << QStringList{"--db", "{db}", "{root}/nowhere", "{root}/Sub"} << kDatabase << 1
        << QStringList{b, "Virus Found : 1"} << "no such file or folder, not scanned: {root}/nowhere";
    QTest::newRow("a named file") << QStringList{"--db", "{db}", "{root}/a.exe"} << kDatabase << 1
                                  << QStringList{a, "Virus Found : 1"} << "";
    QTest::newRow("a named file is examined whatever its name")
        << QStringList{"--db", "{db}", "tree/note.txt"} << kDatabase << 1
        << QStringList{"{root}/note.txt\tFile note.txt, detected as: Virus.C", "Virus Found : 1"} << "";
    QTest::newRow("a named file over the size limit")
        << QStringList{"--db", "{db}", "{root}/big.exe"} << kDatabase << 2 << QStringList{"Virus Found : 0"}
        << "larger than the size limit of 50000 bytes, not scanned: {root}/big.exe";
    QTest::newRow("a named file within the limit of full mode")
        << QStringList{"--full", "--db", "{db}", "{root}/big.exe"} << kDatabase << 1
        << QStringList{"{root}/big.exe\tFile big.exe, detected as: Big.X", "Virus Found : 1"} << "";
    QTest::newRow("files and folders mixed, each with the same rules")
        << QStringList{"--db", "{db}", "{root}/Sub/b.exe", "{root}/Empty", "{root}"} << kDatabase << 1
        << QStringList{b, a, b, "Virus Found : 3"} << "";
    QTest::newRow("a link to a folder, named") << QStringList{"--db", "{db}", "{here}/link-to-Sub"} << kDatabase << 1
                                               << QStringList{b, "Virus Found : 1"} << "";
    QTest::newRow("a FIFO, named") << QStringList{"--db", "{db}", "{here}/fifo"} << kDatabase << 2
                                   << QStringList{"Virus Found : 0"}
                                   << "not a regular file or folder, not scanned: {here}/fifo";
    QTest::newRow("an empty operand is not the current folder")
        << QStringList{"--db", "{db}", ""} << kDatabase << 2 << QStringList{"Virus Found : 0"}
        << "no such file or folder, not scanned: ";
    QTest::newRow("no operand") << QStringList{"--db", "{db}"} << kDatabase << 2 << QStringList()
                                << "no file or folder to scan";
    QTest::newRow("version") << QStringList{"--version"} << QByteArray() << 0 << QStringList{"quennoscan {version}"}
                             << "";
    QTest::newRow("unknown option") << QStringList{"--fast", "{root}"} << kDatabase << 2 << QStringList()
                                    << "unknown option --fast";
    QTest::newRow("--db without a name") << QStringList{"{root}", "--db"} << kDatabase << 2 << QStringList()
                                         << "--db needs a file name";
    QTest::newRow("checksums") << QStringList{"--crc", "{root}/a.exe", "{root}/Sub/b.exe"} << QByteArray() << 0
                               << QStringList{"CBF43926\t{root}/a.exe", "E8B7BE43\t{root}/Sub/b.exe"} << "";
    QTest::newRow("checksum of a name with a line end")
        << QStringList{"--crc", "{here}/odd/line\nend.exe"} << QByteArray() << 0
        << QStringList{"CBF43926\t{here}/odd/line\\nend.exe"} << "";
    QTest::newRow("checksum of a missing file")
        << QStringList{"--crc", "{root}/gone.exe", "{root}/a.exe"} << QByteArray() << 2
        << QStringList{"CBF43926\t{root}/a.exe"} << "no such file: {root}/gone.exe";
    QTest::newRow("checksum of a folder")
        << QStringList{"--crc", "{root}/Sub"} << QByteArray() << 2 << QStringList() << "not a readable file";
    QTest::newRow("--crc without files") << QStringList{"--crc"} << QByteArray() << 2 << QStringList()
                                         << "at least one file";
}

void TestQuennoScan::run()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, database);
    QFETCH(int, exitCode);
    QFETCH(QStringList, output);
    QFETCH(QString, error);

    const QString db = m_dir.filePath("signatures.db");
    QFile::remove(db);
    if (!database.isEmpty())
        QVERIFY(writeFile(db, database));
    const QByteArray before = readFile(QUENNO_APP_DIR "/database.db");
    const auto fill = [&](QString text) {
        return text.replace("{root}", m_root)
            .replace("{db}", db)
            .replace("{app}", QUENNO_APP_DIR)
            .replace("{here}", m_here)
            .replace("{version}", QUENNO_VERSION);
    };
    for (QString& arg : args)
        arg = fill(arg);
    for (QString& line : output)
        line = fill(line);

    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start(QUENNO_APP_DIR "/quennoscan", args);
    QVERIFY(process.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(out.split('\n', Qt::SkipEmptyParts), output);
    if (error.isEmpty()) {
        QCOMPARE(err, QString());
    } else {
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains(fill(error)), qPrintable(err));
    }
    // The signature lists are only read.
    if (!database.isEmpty())
        QCOMPARE(readFile(db), database);
    QCOMPARE(readFile(QUENNO_APP_DIR "/database.db"), before);
}

// Names that try to forge result lines or drive the terminal: each detection stays one
// line, and no control byte reaches stdout.
void TestQuennoScan::hostileNames_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("text") << QStringList();
    QTest::newRow("json") << QStringList{"--json"};
    QTest::newRow("checksums") << QStringList{"--crc"};
}

void TestQuennoScan::hostileNames()
{
    QFETCH(QStringList, options);
    const QList<QByteArray> names{
        "a\tb\nVirus Found : 0\n.exe",
        "\x1b[2J\x1b[H.exe",
        "\x1b]0;owned\x07.exe",
        "cr\r.exe",
        "back\\slash\\x1b.exe",
        "c1\xc2\x9b"
        "31m.exe",
        "raw\x9b"
        "31m.exe",
        "latin1 caf\xe9.exe",
        "utf8 caf\xc3\xa9.exe",
    };
    const std::string folder = QFile::encodeName(m_here).toStdString() + "/hostile";
    QDir(m_here).mkpath("hostile");
    QStringList args = options;
    if (!options.contains("--crc"))
        args << "--db" << m_here + "/hostile.db" << QString::fromStdString(folder);
    // Record names are as hostile as file names.
    QVERIFY(writeFile(m_here + "/hostile.db", "50000;*.exe;x\r\nWorm\x1b[31m\tVirus Found : 0\x07;CBF43926\r\n"));
    for (const QByteArray& name : names)
        QVERIFY(writeRawName(folder + "/" + name.toStdString(), "123456789"));
    // Names that are not UTF-8 do not survive a QString: the shell hands them over.
    if (options.contains("--crc"))
        args = QStringList{"-c", "cd \"$1\" && exec \"$2\" --crc -- *", "sh", QString::fromStdString(folder),
                           QUENNO_APP_DIR "/quennoscan"};
    const Finished run = options.contains("--crc") ? quennoscan(args, m_here, -1, "/bin/sh") : quennoscan(args, m_here);
    QCOMPARE(run.exitCode, options.contains("--crc") ? 0 : 1);
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    for (const char c : run.out) {
        const auto byte = static_cast<unsigned char>(c);
        QVERIFY2(byte == '\n' || byte == '\t' || (byte >= 0x20 && byte != 0x7f && byte != 0x9b), run.out.constData());
    }
    QVERIFY(!run.out.contains("\xc2\x9b"));
    QList<QByteArray> lines = run.out.split('\n');
    QVERIFY(lines.takeLast().isEmpty());
    QCOMPARE(lines.size(), names.size() + (options.contains("--crc") ? 0 : 1));

    if (options.contains("--json")) {
        QList<QByteArray> found;
        for (const QByteArray& line : lines.mid(0, names.size())) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            QCOMPARE(object.value("type").toString(), "detection");
            QCOMPARE(bytesOfJson(object.value("record").toString()), QByteArray("Worm\x1b[31m\tVirus Found : 0\x07"));
            found << bytesOfJson(object.value("name").toString());
            QCOMPARE(bytesOfJson(object.value("path").toString()),
                     QByteArray::fromStdString(folder + "/") + found.last());
        }
        std::sort(found.begin(), found.end());
        QList<QByteArray> expected = names;
        std::sort(expected.begin(), expected.end());
        QCOMPARE(found, expected);
        QCOMPARE(QJsonDocument::fromJson(lines.last()).object().value("detections").toInt(), names.size());
    } else if (options.isEmpty()) {
        QVERIFY(lines.contains(QByteArray::fromStdString(folder)
                               + "/a\\tb\\nVirus Found : 0\\n.exe\tFile "
                                 "a\\tb\\nVirus Found : 0\\n.exe, detected as: Worm\\x1b[31m\\tVirus Found : 0\\x07"));
        QCOMPARE(lines.last(), QByteArray("Virus Found : ") + QByteArray::number(names.size()));
    } else {
        QVERIFY(lines.contains("CBF43926\tback\\\\slash\\\\x1b.exe"));
        QVERIFY(lines.contains("CBF43926\tlatin1 caf\\xe9.exe"));
    }
}

void TestQuennoScan::jsonAndSummary()
{
    const QString db = m_here + "/signatures.db";
    QVERIFY(writeFile(db, kDatabase));
    const Finished run = quennoscan(
        {"--json", "--summary", "--db", db, m_root + "/Sub", m_root + "/a.exe", m_root + "/Empty"}, m_here);
    QCOMPARE(run.exitCode, 1);
    QList<QByteArray> lines = run.out.split('\n');
    QVERIFY(lines.takeLast().isEmpty());
    QCOMPARE(lines.size(), 3);
    QJsonParseError error;
    const QJsonObject first = QJsonDocument::fromJson(lines[0], &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(first.value("path").toString(), m_root + "/Sub/b.exe");
    QCOMPARE(first.value("name").toString(), "b.exe");
    QCOMPARE(first.value("record").toString(), "Virus.C");
    QCOMPARE(first.value("checksum").toString(), "E8B7BE43");
    QCOMPARE(QJsonDocument::fromJson(lines[1]).object().value("path").toString(), m_root + "/a.exe");
    const QJsonObject summary = QJsonDocument::fromJson(lines[2], &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(summary.value("type").toString(), "summary");
    QCOMPARE(summary.value("detections").toInt(), 2);
    QCOMPARE(summary.value("files_examined").toInt(), 2);
    QCOMPARE(summary.value("bytes_read").toInt(), 10);  // "a" and "123456789"
    QCOMPARE(summary.value("files_unreadable").toInt(), 0);
    QCOMPARE(summary.value("folders_unreadable").toInt(), 0);
    QVERIFY(summary.value("seconds").toDouble() >= 0);
    // The summary for people, on stderr.
    const QStringList err = QString::fromLocal8Bit(run.err).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(err.size(), 5);
    QCOMPARE(err.mid(0, 4),
             (QStringList{"Files examined: 2", "Bytes read: 10", "Files not readable: 0", "Folders not readable: 0"}));
    QVERIFY(err[4].startsWith("Time: "));
}

// A result that cannot be written is never a success.
void TestQuennoScan::writeFailures_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("args");
    const QStringList scan{"--db", "{db}", "{root}"};
    QTest::newRow("scan into a full device") << "/dev/full" << scan;
    QTest::newRow("clean scan into a full device") << "/dev/full" << QStringList{"--db", "{db}", "{root}/Empty"};
    QTest::newRow("checksums into a full device") << "/dev/full" << QStringList{"--crc", "{root}/a.exe"};
    QTest::newRow("json into a full device") << "/dev/full" << QStringList{"--json", "--db", "{db}", "{root}"};
    QTest::newRow("help into a full device") << "/dev/full" << QStringList{"--help"};
    QTest::newRow("scan into a pipe nobody reads") << "pipe" << scan;
    QTest::newRow("checksums into a pipe nobody reads") << "pipe" << QStringList{"--crc", "{root}/a.exe"};
}

void TestQuennoScan::writeFailures()
{
    QFETCH(QString, target);
    QFETCH(QStringList, args);
    const QString db = m_here + "/signatures.db";
    QVERIFY(writeFile(db, kDatabase));
    for (QString& arg : args)
        arg.replace("{db}", db).replace("{root}", m_root);
    int fd = -1;
    if (target == "pipe") {
        int ends[2];
        QVERIFY(::pipe2(ends, O_CLOEXEC) == 0);
        ::close(ends[0]);  // the reader is gone before the first line
        fd = ends[1];
    } else {
        fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CLOEXEC);
    }
    QVERIFY(fd >= 0);
    const Finished run = quennoscan(args, m_here, fd);
    ::close(fd);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("quennoscan: cannot write to standard output: "), run.err.constData());
}

// What could not be read is named on stderr and never taken for clean.
void TestQuennoScan::unreadableParts_data()
{
    QTest::addColumn<QString>("layout");  // "named": the locked folder is an operand
    QTest::addColumn<bool>("withDetection");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("named locked folder") << "named" << false << 2;
    QTest::newRow("named locked folder beside a detection") << "named" << true << 1;
    QTest::newRow("named unreadable file") << "file" << false << 2;
    QTest::newRow("locked folder inside the tree") << "inside" << false << 2;
}

void TestQuennoScan::unreadableParts()
{
    QFETCH(QString, layout);
    QFETCH(bool, withDetection);
    QFETCH(int, exitCode);
    // Permissions do not keep root out: as root, the scanner runs as nobody.
    const bool asNobody = ::geteuid() == 0;
    QTemporaryDir dir;
    const QString top = QFileInfo(dir.path()).canonicalFilePath();
    QVERIFY(::chmod(QFile::encodeName(top).constData(), 0755) == 0);
    const QString db = top + "/signatures.db";
    QVERIFY(writeFile(db, kDatabase));
    QVERIFY(writeFile(top + "/tree/clean.exe", "clean"));
    QVERIFY(writeFile(top + "/tree/locked/hidden.exe", "123456789"));
    QVERIFY(writeFile(top + "/secret.exe", "123456789"));
    QVERIFY(writeFile(top + "/found.exe", "123456789"));
    const QString locked = top + "/tree/locked";
    const QString unreadable = layout == "file" ? top + "/secret.exe" : locked;
    QVERIFY(::chmod(QFile::encodeName(unreadable).constData(), 0) == 0);
    QStringList args{"--db", db};
    args << (layout == "inside" ? top + "/tree" : unreadable);
    if (withDetection)
        args << top + "/found.exe";

    QProcess process;
    process.setWorkingDirectory(top);
    if (asNobody) {
        process.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(99);
        });
    }
    process.start(QUENNO_APP_DIR "/quennoscan", args);
    QVERIFY(process.waitForFinished(60000));
    ::chmod(QFile::encodeName(unreadable).constData(), 0700);
    const QString expected = layout == "file" ? "quennoscan: file not readable, not scanned: " + unreadable
                                              : "quennoscan: folder not readable, not scanned: " + locked + "/";
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(err.split('\n', Qt::SkipEmptyParts), QStringList{expected});
    QCOMPARE(process.exitCode(), exitCode);
}

namespace {

// Two records with one checksum: the file they both match is acted on once.
const QByteArray kTwinRecords = "50000;*.exe;Limits\r\nTrojan.B;CBF43926\r\nTrojan.Twin;CBF43926\r\n";

// A copy of the scanner in a folder of its own: that folder is its data folder, so the
// quarantine it fills is the test's. HOME and XDG_DATA_HOME lead into the same folder.
struct ActionRig {
    QTemporaryDir dir;
    QString here;
    QString app;
    QString tree;

    bool prepare()
    {
        here = QFileInfo(dir.path()).canonicalFilePath();
        app = here + "/app";
        tree = here + "/tree";
        return QDir().mkpath(app) && QFile::copy(QUENNO_APP_DIR "/quennoscan", app + "/quennoscan")
            && QFile::setPermissions(app + "/quennoscan", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
            && writeFile(here + "/signatures.db", kTwinRecords) && writeFile(tree + "/evil.exe", "123456789")
            && writeFile(tree + "/clean.exe", "clean");
    }
    Finished run(const QStringList& args) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", here);
        environment.insert("XDG_DATA_HOME", here + "/data");
        return quennoscan(QStringList{"--db", here + "/signatures.db"} + args, here, -1, app + "/quennoscan",
                          environment);
    }
    QStringList quarantined() const
    {
        return QDir(app + "/Quarantine").entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
};

}  // namespace

void TestQuennoScan::actions_data()
{
    QTest::addColumn<QStringList>("args");  // {tree} and {app} are filled in
    QTest::addColumn<bool>("quarantineIsAFile");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("output");  // stdout lines; {stored}: the one quarantined file
    QTest::addColumn<QString>("error");  // the one stderr line contains this; "" for none
    QTest::addColumn<bool>("evilStays");

    const QString b = "{tree}/evil.exe\tFile evil.exe, detected as: Trojan.B";
    const QString twin = "{tree}/evil.exe\tFile evil.exe, detected as: Trojan.Twin";
    QTest::newRow("quarantine moves the file once")
        << QStringList{"--quarantine", "{tree}"} << false << 1
        << QStringList{b, twin, "Quarantined\t{tree}/evil.exe\t{stored}", "Virus Found : 2"} << "" << false;
    QTest::newRow("delete removes the file once")
        << QStringList{"--delete", "{tree}"} << false << 1
        << QStringList{b, twin, "Deleted\t{tree}/evil.exe", "Virus Found : 2"} << "" << false;
    // Named files are read through their folder, as the walk reads its files, or no action
    // could tell that they are still what was scanned.
    QTest::newRow("a named file is deleted")
        << QStringList{"{tree}/evil.exe", "--delete"} << false << 1
        << QStringList{b, twin, "Deleted\t{tree}/evil.exe", "Virus Found : 2"} << "" << false;
    QTest::newRow("a named file is quarantined")
        << QStringList{"--quarantine", "{tree}/evil.exe"} << false << 1
        << QStringList{b, twin, "Quarantined\t{tree}/evil.exe\t{stored}", "Virus Found : 2"} << "" << false;
    QTest::newRow("a clean file is untouched") << QStringList{"--quarantine", "{tree}/clean.exe"} << false << 0
                                               << QStringList{"Virus Found : 0"} << "" << true;
    QTest::newRow("a file named twice is acted on once")
        << QStringList{"--delete", "{tree}/evil.exe", "{tree}"} << false << 1
        << QStringList{b, twin, b, twin, "Deleted\t{tree}/evil.exe", "Virus Found : 4"} << "" << false;
    QTest::newRow("both options")
        << QStringList{"--quarantine", "--delete", "{tree}"} << false << 2 << QStringList{}
        << "quennoscan: --quarantine and --delete cannot be used together (see quennoscan --help)" << true;
    // No copy can be stored: the file stays, and the run is no success.
    QTest::newRow("quarantine folder cannot be made")
        << QStringList{"--quarantine", "{tree}"} << true << 2 << QStringList{b, twin, "Virus Found : 2"}
        << "quennoscan: not quarantined (no copy could be written into {app}/Quarantine): {tree}/evil.exe" << true;
}

void TestQuennoScan::actions()
{
    QFETCH(QStringList, args);
    QFETCH(bool, quarantineIsAFile);
    QFETCH(int, exitCode);
    QFETCH(QStringList, output);
    QFETCH(QString, error);
    QFETCH(bool, evilStays);

    ActionRig rig;
    QVERIFY(rig.prepare());
    if (quarantineIsAFile)
        QVERIFY(writeFile(rig.app + "/Quarantine", "not a folder"));
    const auto fill = [&](QString text) {
        return text.replace("{tree}", rig.tree).replace("{app}", rig.app);
    };
    for (QString& arg : args)
        arg = fill(arg);

    const Finished run = rig.run(args);
    QCOMPARE(run.exitCode, exitCode);
    const QStringList stored = quarantineIsAFile ? QStringList{} : rig.quarantined();
    QCOMPARE(stored.size(), output.join('\n').contains("{stored}") ? 1 : 0);
    for (QString& line : output)
        line = fill(line).replace("{stored}", stored.isEmpty() ? QString() : rig.app + "/Quarantine/" + stored[0]);
    QCOMPARE(QString::fromLocal8Bit(run.out).split('\n', Qt::SkipEmptyParts), output);
    const QString err = QString::fromLocal8Bit(run.err);
    if (error.isEmpty()) {
        QCOMPARE(err, QString());
    } else {
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.contains(fill(error)), qPrintable(err));
    }
    QCOMPARE(QFile::exists(rig.tree + "/evil.exe"), evilStays);
    if (evilStays)
        QCOMPARE(readFile(rig.tree + "/evil.exe"), QByteArray("123456789"));
    QCOMPARE(readFile(rig.tree + "/clean.exe"), QByteArray("clean"));
    if (!stored.isEmpty()) {
        QVERIFY2(QRegularExpression("^qnosecure[0-9]{6}\\.mal$").match(stored[0]).hasMatch(), qPrintable(stored[0]));
        QCOMPARE(readFile(rig.app + "/Quarantine/" + stored[0]), QByteArray("123456789"));
    }
    // The program's own folder is writable, so nothing went to the user's data folder.
    QVERIFY(!QFileInfo::exists(rig.here + "/data"));
}

void TestQuennoScan::jsonReportsTheAction()
{
    ActionRig rig;
    QVERIFY(rig.prepare());
    const Finished run = rig.run({"--json", "--quarantine", rig.tree});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QByteArray());
    QList<QByteArray> lines = run.out.split('\n');
    QVERIFY(lines.takeLast().isEmpty());
    QCOMPARE(lines.size(), 4);  // two detections, one action, the summary
    QJsonParseError error;
    const QJsonObject action = QJsonDocument::fromJson(lines[2], &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(action.value("type").toString(), "action");
    QCOMPARE(action.value("path").toString(), rig.tree + "/evil.exe");
    QCOMPARE(action.value("action").toString(), "quarantine");
    QCOMPARE(action.value("result").toString(), "done");
    const QStringList stored = rig.quarantined();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(action.value("stored").toString(), rig.app + "/Quarantine/" + stored[0]);
    QCOMPARE(QJsonDocument::fromJson(lines[3]).object().value("type").toString(), "summary");

    // A failed one carries its reason, and the status says the run did not succeed.
    QVERIFY(writeFile(rig.tree + "/evil.exe", "123456789"));
    QVERIFY(QFile::remove(rig.app + "/Quarantine/" + stored[0]) && QDir(rig.app).rmdir("Quarantine"));
    QVERIFY(writeFile(rig.app + "/Quarantine", "not a folder"));
    const Finished refused = rig.run({"--json", "--quarantine", rig.tree});
    QCOMPARE(refused.exitCode, 2);
    const QJsonObject notDone = QJsonDocument::fromJson(refused.out.split('\n').value(2)).object();
    QCOMPARE(notDone.value("result").toString(), "failed");
    QVERIFY(notDone.value("reason").toString().startsWith("no copy could be written"));
    QVERIFY(!notDone.contains("stored"));
    QVERIFY(QFile::exists(rig.tree + "/evil.exe"));
}

// The completion is kept by hand beside the parser: it must not fall behind --help.
void TestQuennoScan::completionOffersEveryOption()
{
    const Finished help = quennoscan({"--help"}, m_here);
    QCOMPARE(help.exitCode, 0);
    QStringList documented;
    const QRegularExpression option("^  (--[a-z]+)");
    for (const QString& line : QString::fromUtf8(help.out).split('\n')) {
        const auto found = option.match(line);
        if (found.hasMatch())
            documented << found.captured(1);
    }
    QVERIFY(documented.contains("--json"));
    const QString script = QUENNO_TEST_DATA "/../../app/quennoscan.bash-completion";
    const Finished offered = quennoscan(
        {"-c", "source \"$1\" && COMP_WORDS=(quennoscan --) && COMP_CWORD=1 && _quennoscan && echo \"${COMPREPLY[*]}\"",
         "bash", script},
        m_here, -1, "/bin/bash");
    QCOMPARE(offered.exitCode, 0);
    const QStringList completions = QString::fromUtf8(offered.out).trimmed().split(' ');
    for (const QString& each : documented)
        QVERIFY2(completions.contains(each), qPrintable(each));
}

// The scanner runs where no desktop libraries are installed: the libraries it loads hold
// no part of Qt.
void TestQuennoScan::needsNoQt()
{
    QProcess ldd;
    ldd.start("ldd", {QUENNO_APP_DIR "/quennoscan"});
    if (!ldd.waitForStarted())
        QSKIP("ldd is not installed");
    QVERIFY(ldd.waitForFinished());
    const QString libraries = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    QCOMPARE(ldd.exitCode(), 0);
    QVERIFY2(libraries.contains("libc.so"), qPrintable(libraries));
    QVERIFY2(!libraries.contains("libQt"), qPrintable(libraries));
}

QTEST_GUILESS_MAIN(TestQuennoScan)
#include "tst_quennoscan.moc"
