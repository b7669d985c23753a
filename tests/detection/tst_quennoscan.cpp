// The command-line scanner, run as a separate process.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// big.exe (60000 bytes) is in the list, but only within the limit of full mode.
const QByteArray kDatabase =
    "50000;*.exe;Limits dan ekstensi\r\nTrojan.B;CBF43926\r\nVirus.C;E8B7BE43\r\nBig.X;D28F7DFD\r\n";

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestQuennoScan : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void run_data();
    void run();

private:
    QTemporaryDir m_dir;
    QString m_root;
    QString m_db;
};

void TestQuennoScan::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(QFile::exists(QUENNO_APP_DIR "/quennoscan"));
    m_root = m_dir.filePath("tree");
    QVERIFY(writeFile(m_root + "/a.exe", "123456789"));
    QVERIFY(writeFile(m_root + "/note.txt", "a"));
    QVERIFY(writeFile(m_root + "/big.exe", QByteArray(60000, 'x')));
    QVERIFY(writeFile(m_root + "/Sub/b.exe", "a"));
    QVERIFY(QDir(m_root).mkpath("Empty"));
}

void TestQuennoScan::run_data()
{
    QTest::addColumn<QStringList>("args");      // {root}, {db} and {app} are filled in
    QTest::addColumn<QByteArray>("database");   // written to {db}; empty: no file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("output");    // stdout lines, exactly
    QTest::addColumn<QString>("error");         // the one stderr line contains this; "" for none

    const QString a = "{root}/a.exe\tFile a.exe, detected as: Trojan.B";
    const QString b = "{root}/Sub/b.exe\tFile b.exe, detected as: Virus.C";
    QTest::newRow("detections") << QStringList{"--db", "{db}", "{root}"} << kDatabase << 1
                                << QStringList{a, b, "Virus Found : 2"} << "";
    QTest::newRow("trailing separator and dot steps")
        << QStringList{"--db={db}", "{root}/./"} << kDatabase << 1 << QStringList{a, b, "Virus Found : 2"} << "";
    QTest::newRow("relative folder reported as full path")
        << QStringList{"--db", "{db}", "tree/Sub"} << kDatabase << 1 << QStringList{b, "Virus Found : 1"} << "";
    QTest::newRow("full mode: every name, larger limit")
        << QStringList{"--full", "--db", "{db}", "{root}"}
        << kDatabase << 1
        << QStringList{a, "{root}/big.exe\tFile big.exe, detected as: Big.X",
                       "{root}/note.txt\tFile note.txt, detected as: Virus.C", b, "Virus Found : 4"}
        << "";
    QTest::newRow("pattern and limit of the settings line")
        << QStringList{"--db", "{db}", "{root}"} << QByteArray("8;*.TXT;x\r\nVirus.C;E8B7BE43\r\n") << 1
        << QStringList{"{root}/note.txt\tFile note.txt, detected as: Virus.C", "Virus Found : 1"} << "";
    QTest::newRow("nothing found") << QStringList{"--db", "{db}", "{root}/Empty"} << kDatabase << 0
                                   << QStringList{"Virus Found : 0"} << "";
    QTest::newRow("default list and the shipped sample") << QStringList{"{app}/samples"} << QByteArray() << 1
        << QStringList{"{app}/samples/QuennoTest.exe\tFile QuennoTest.exe, detected as: Quenno.TestFile",
                       "Virus Found : 1"}
        << "";
    QTest::newRow("missing signature file") << QStringList{"--db", "{db}", "{root}"} << QByteArray() << 2
                                            << QStringList() << "signature file not found";
    QTest::newRow("no settings line") << QStringList{"--db", "{db}", "{root}"}
                                      << QByteArray("Trojan.B;CBF43926\r\n") << 2 << QStringList()
                                      << "no settings line";
    QTest::newRow("empty signature file") << QStringList{"--db", "{db}", "{root}"} << QByteArray("\r\n") << 2
                                          << QStringList() << "no settings line";
    QTest::newRow("missing folder") << QStringList{"--db", "{db}", "{root}/nowhere"} << kDatabase << 2
                                    << QStringList() << "folder not found";
    QTest::newRow("a file as folder") << QStringList{"--db", "{db}", "{root}/a.exe"} << kDatabase << 2
                                      << QStringList() << "not a folder";
    QTest::newRow("no folder") << QStringList{"--db", "{db}"} << kDatabase << 2 << QStringList()
                               << "no folder to scan";
    QTest::newRow("two folders") << QStringList{"{root}", "{root}"} << kDatabase << 2 << QStringList()
                                 << "only one folder";
    QTest::newRow("unknown option") << QStringList{"--fast", "{root}"} << kDatabase << 2 << QStringList()
                                    << "unknown option --fast";
    QTest::newRow("--db without a name") << QStringList{"{root}", "--db"} << kDatabase << 2 << QStringList()
                                         << "--db needs a file name";
    QTest::newRow("checksums") << QStringList{"--crc", "{root}/a.exe", "{root}/Sub/b.exe"} << QByteArray() << 0
                               << QStringList{"CBF43926\t{root}/a.exe", "E8B7BE43\t{root}/Sub/b.exe"} << "";
    QTest::newRow("checksum of a missing file")
        << QStringList{"--crc", "{root}/gone.exe", "{root}/a.exe"} << QByteArray() << 2
        << QStringList{"CBF43926\t{root}/a.exe"} << "no such file: {root}/gone.exe";
    QTest::newRow("checksum of a folder") << QStringList{"--crc", "{root}/Sub"} << QByteArray() << 2
                                          << QStringList() << "not a readable file";
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
        return text.replace("{root}", m_root).replace("{db}", db).replace("{app}", QUENNO_APP_DIR);
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

QTEST_GUILESS_MAIN(TestQuennoScan)
#include "tst_quennoscan.moc"
