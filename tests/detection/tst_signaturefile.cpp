// database.db: parsing, counting, settings, the date rule and the mode switches.

#include "ForwardingFileSystem.h"
#include "detection/DateRule.h"
#include "detection/SignatureFile.h"
#include "detection/SignatureIndex.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

using namespace quenno;
using detection::SignatureFile;

Q_DECLARE_METATYPE(detection::SignatureTable)

namespace {

using Strings = std::vector<std::string>;

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString fixture(const QString& name)
{
    return QStringLiteral(QUENNO_TEST_DATA "/") + name;
}

// The file cannot be read although it is there; every write is counted.
class UnreadableFileSystem final : public testing::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::optional<std::string> readWholeFile(const std::string& path) const override
    {
        if (failReads)
            return std::nullopt;
        return ForwardingFileSystem::readWholeFile(path);
    }
    bool writeWholeFile(const std::string& path, std::string_view content) override
    {
        ++writes;
        if (failWrites)
            return false;
        return ForwardingFileSystem::writeWholeFile(path, content);
    }
    bool failReads = false;
    bool failWrites = false;
    int writes = 0;
};

std::chrono::system_clock::time_point utc(const char* iso)
{
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
    Q_ASSERT(when.isValid());
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(when.toMSecsSinceEpoch()));
}

} // namespace

class TestSignatureFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void parse_data();
    void parse();
    void countText_data();
    void countText();
    void settingsOf_data();
    void settingsOf();
    void loadSignatures_data();
    void loadSignatures();
    void indexFromText_data();
    void indexFromText();
    void loadSignatures_missingFile();
    void loadRecords_missingFileKeepsList();
    void modeSwitch_data();
    void modeSwitch();
    void modeSwitch_neverWritesWhatItCouldNotRead_data();
    void modeSwitch_neverWritesWhatItCouldNotRead();
    void modeSwitch_keepsEditsMadeSinceLoad();
    void dateIsOld_data();
    void dateIsOld();

private:
    platform::LinuxFileSystem m_files;
};

void TestSignatureFile::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // The date rule works on local days: pin a zone with daylight saving time.
    qputenv("TZ", "Europe/Berlin");
    tzset();
}

void TestSignatureFile::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("delimiter");
    QTest::addColumn<detection::SignatureTable>("expected");
    QTest::newRow("empty text has no entries") << QByteArray() << QByteArray(";") << detection::SignatureTable{};
    QTest::newRow("final CR LF adds no entry")
        << QByteArray("1;*.exe;L\r\nW;A1\r\n") << QByteArray(";")
        << detection::SignatureTable{{"1", "*.exe", "L"}, {"W", "A1"}};
    QTest::newRow("lone LF and CR stay inside the line")
        << QByteArray("a\nb;c\rd\r\ne") << QByteArray(";")
        << detection::SignatureTable{{"a\nb", "c\rd"}, {"e"}};
    QTest::newRow("empty lines and NUL lines are dropped")
        << QByteArray("S\r\n\r\nW;1\r\nbad") + '\0' + "line;2\r\n\r\n" << QByteArray(";")
        << detection::SignatureTable{{"S"}, {"W", "1"}};
    QTest::newRow("fields keep their spaces, empty fields kept")
        << QByteArray(" W ;A1 ;;") << QByteArray(";") << detection::SignatureTable{{" W ", "A1 ", "", ""}};
    QTest::newRow("delimiter of several characters")
        << QByteArray("a::b:c") << QByteArray("::") << detection::SignatureTable{{"a", "b:c"}};
}

void TestSignatureFile::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, delimiter);
    QFETCH(detection::SignatureTable, expected);
    QCOMPARE(detection::ParseDelimitedText(text.toStdString(), delimiter.toStdString()), expected);
}

void TestSignatureFile::countText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("three records") << QByteArray("S\r\nA\r\nB\r\nC\r\n") << " 3";
    QTest::newRow("last line without CR LF counts one less") << QByteArray("S\r\nA\r\nB\r\nC") << " 2";
    QTest::newRow("empty line counted") << QByteArray("S\r\nA\r\n\r\nB\r\n") << " 3";
    QTest::newRow("settings line only") << QByteArray("S\r\n") << " 0";
    QTest::newRow("empty file is never negative") << QByteArray() << " 0";
    QTest::newRow("one line without CR LF is never negative") << QByteArray("S") << " 0";
    QTest::newRow("LF-only file is one piece") << QByteArray("S\nA\nB\n") << " 0";
}

void TestSignatureFile::countText()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(detection::CountText(text.toStdString())), expected);
}

void TestSignatureFile::settingsOf_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<bool>("settingsLine");  // whether a mode switch replaces this line
    QTest::newRow("normal mode") << QByteArray(detection::kNormalSettings) << true << 50000 << QByteArray("*.exe") << true;
    QTest::newRow("full mode") << QByteArray(detection::kFullSettings) << true << 100000 << QByteArray("*.*") << true;
    QTest::newRow("explicit sign") << QByteArray("+7;*.com") << true << 7 << QByteArray("*.com") << true;
    QTest::newRow("negative limit is still a number") << QByteArray("-1;*.exe") << true << -1 << QByteArray("*.exe")
                                                      << true;
    QTest::newRow("empty file") << QByteArray() << false << 0 << QByteArray() << false;
    QTest::newRow("record as first line") << QByteArray("Worm.A;1A2B3C") << false << 0 << QByteArray() << false;
    QTest::newRow("limit without pattern") << QByteArray("50000") << false << 0 << QByteArray() << true;
    QTest::newRow("limit beyond 32 bits") << QByteArray("4294967296;*.exe") << false << 0 << QByteArray() << false;
    QTest::newRow("limit with trailing text") << QByteArray("500kb;*.exe") << false << 0 << QByteArray() << false;
    QTest::newRow("two signs") << QByteArray("+-5;*.exe") << false << 0 << QByteArray() << false;
}

void TestSignatureFile::settingsOf()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(int, limit);
    QFETCH(QByteArray, pattern);
    QFETCH(bool, settingsLine);
    const auto settings = detection::SettingsOf(detection::ParseDelimitedText(text.toStdString(), ";"));
    QCOMPARE(settings.has_value(), valid);
    const auto fromText = detection::SettingsOfText(text.toStdString());
    QCOMPARE(fromText.has_value(), valid);
    QCOMPARE(detection::IsSettingsLine(text.toStdString()), settingsLine);
    if (valid) {
        QCOMPARE(settings->sizeLimit, limit);
        QCOMPARE(QByteArray::fromStdString(settings->pattern), pattern);
        QCOMPARE(fromText->sizeLimit, limit);
        QCOMPARE(fromText->pattern, settings->pattern);
    }
}

void TestSignatureFile::loadSignatures_data()
{
    QTest::addColumn<QString>("fixtureName");
    QTest::addColumn<Strings>("names");
    QTest::addColumn<Strings>("signs");
    QTest::addColumn<QString>("count");
    const Strings three{"Worm.A", "Trojan.B", "Virus.C"};
    const Strings threeSigns{"1A2B3C", "CBF43926", "E8B7BE43"};
    QTest::newRow("three records") << "db-three-records.db" << three << threeSigns << " 3";
    QTest::newRow("no final CR LF") << "db-three-records-no-final-crlf.db" << three << threeSigns << " 2";
    QTest::newRow("blank line skipped but counted") << "db-blank-line-between-records.db" << three << threeSigns
                                                    << " 4";
    QTest::newRow("extra field ignored, missing checksum empty, odd checksums kept as written")
        << "db-extra-missing-and-odd-fields.db"
        << Strings{"Worm.A", "NameWithoutChecksum", "Lower.Case", "Trailing.Space"}
        << Strings{"1A2B3C", "", "cbf43926", "CBF43926 "} << " 4";
}

void TestSignatureFile::loadSignatures()
{
    QFETCH(QString, fixtureName);
    QFETCH(Strings, names);
    QFETCH(Strings, signs);
    QFETCH(QString, count);
    SignatureFile file(m_files, fixture(fixtureName).toStdString());
    QVERIFY(file.LoadSignatures());
    QCOMPARE(file.wName(), names);
    QCOMPARE(file.wSign(), signs);
    QCOMPARE(file.table().size(), names.size() + 1);
    QCOMPARE(QString::fromStdString(detection::CountText(readBytes(fixture(fixtureName)).toStdString())), count);
}

// A scan may index the file's text directly; it must find exactly what the loaded lists find.
void TestSignatureFile::indexFromText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("records") << QByteArray("50000;*.exe;x\r\nWorm.A;1A2B3C\r\nTrojan.B;CBF43926\r\n");
    QTest::newRow("blank lines, NUL lines, no final CR LF")
        << QByteArray("\r\n\r\n1;*.*\r\n\r\nA;FF\r\nB\0;FF\r\nC;FE", 30);
    QTest::newRow("CR before CR LF, CR at the very end")
        << QByteArray("1;*.*\r\r\nA;FF\r\r\nB;FE\r");
    QTest::newRow("lone CR and LF stay inside a record")
        << QByteArray("1;*.*\r\nA\rB;FF\r\nC;F\nE\r\nD;FE\r\r\n");
    QTest::newRow("no checksum, extra fields, odd checksums")
        << QByteArray("1;*.*\r\nBare\r\nE;;FF\r\nX;FF;more;fields\r\nL;ff\r\nZ;0FF\r\nO;0\r\nT;123456789\r\n");
    QTest::newRow("same checksum several times keeps list order")
        << QByteArray("1;*.*\r\nFirst;ABC\r\nSecond;ABC\r\nOther;1\r\nThird;ABC\r\n");
    QTest::newRow("values sharing their upper half, out of order")
        << QByteArray("1;*.*\r\nA;1234FFFF\r\nB;12340001\r\nC;1234FFFF\r\nD;12340001\r\nE;12348000\r\nF;FFFFFFFF\r\n");
    QTest::newRow("first line is a record: it is the settings entry")
        << QByteArray("Worm.A;1A2B3C\r\nTrojan.B;CBF43926\r\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only CR LF") << QByteArray("\r\n\r\n");
}

void TestSignatureFile::indexFromText()
{
    QFETCH(QByteArray, text);
    const std::string bytes = text.toStdString();
    QTemporaryDir dir;
    const std::string path = dir.filePath("database.db").toStdString();
    QVERIFY(writeBytes(QString::fromStdString(path), text));
    SignatureFile file(m_files, path);
    QVERIFY(file.LoadSignatures());
    const detection::SignatureIndex fromLists(file.wName(), file.wSign());
    std::string firstEntry = "not read";
    const auto fromFile = detection::SignatureIndex::FromDatabaseFile(m_files, path, &firstEntry);
    QVERIFY(fromFile);
    QCOMPARE(detection::SettingsOfText(firstEntry).has_value(), detection::SettingsOf(file.table()).has_value());
    // Fed a byte at a time, every line end falls between two pieces somewhere.
    detection::DatabaseIndexer indexer;
    for (const char byte : bytes)
        indexer.feed(std::string_view(&byte, 1));
    const detection::SignatureIndex indexes[] = {detection::SignatureIndex::FromDatabaseText(bytes), *fromFile,
                                                 indexer.finish()};

    Strings probes = file.wSign();
    for (const char* more : {"0", "FF", "FE", "ABC", "1", "1A2B3C", "CBF43926"})
        probes.emplace_back(more);
    for (const auto& index : indexes) {
        QCOMPARE(index.empty(), fromLists.empty());
        for (const std::string& probe : probes) {
            const auto a = fromLists.find(probe);
            const auto b = index.find(probe);
            QVERIFY2(std::equal(a.begin(), a.end(), b.begin(), b.end()), probe.c_str());
            for (const std::size_t j : a)
                QCOMPARE(index.name(j), fromLists.name(j));
        }
    }
}

void TestSignatureFile::loadSignatures_missingFile()
{
    QTemporaryDir dir;
    SignatureFile file(m_files, dir.filePath("database.db").toStdString());
    QVERIFY(!file.LoadSignatures());
    QVERIFY(file.wName().empty());
    QVERIFY(file.wSign().empty());
    QVERIFY(file.table().empty());
    QVERIFY(!file.LoadRecords());
    QVERIFY(!file.ExeFiles());
    QVERIFY(!QFile::exists(dir.filePath("database.db")));  // never made up from nothing
}

void TestSignatureFile::loadRecords_missingFileKeepsList()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("database.db");
    QVERIFY(QFile::copy(fixture("db-blank-line-between-records.db"), path));
    SignatureFile file(m_files, path.toStdString());
    QVERIFY(file.LoadRecords());
    const Strings expected{detection::kNormalSettings, "Worm.A;1A2B3C", "", "Trojan.B;CBF43926", "Virus.C;E8B7BE43"};
    QCOMPARE(file.List1(), expected);
    QVERIFY(QFile::remove(path));
    QVERIFY(!file.LoadRecords());
    QCOMPARE(file.List1(), expected);
    // A switch writes the file again from the records last read.
    QVERIFY(file.AllFiles());
    QCOMPARE(readBytes(path), readBytes(fixture("db-blank-line-between-records.db"))
                                  .replace(detection::kNormalSettings, detection::kFullSettings));
}

void TestSignatureFile::modeSwitch_data()
{
    QTest::addColumn<QString>("fixtureName");  // "" for an empty file
    QTest::addColumn<QString>("switches");     // A = AllFiles, E = ExeFiles
    QTest::newRow("full mode, every other byte kept") << "db-quotes-commas-blank-and-bare-lines.db" << "A";
    QTest::newRow("normal mode, every other byte kept") << "db-quotes-commas-blank-and-bare-lines.db" << "E";
    QTest::newRow("many switches") << "db-quotes-commas-blank-and-bare-lines.db" << "AEAAEEA";
    QTest::newRow("missing final CR LF is added") << "db-three-records-no-final-crlf.db" << "A";
    QTest::newRow("first record is not replaced") << "db-first-line-is-a-record.db" << "AE";
    QTest::newRow("empty file gets a settings line") << "" << "E";
}

void TestSignatureFile::modeSwitch()
{
    QFETCH(QString, fixtureName);
    QFETCH(QString, switches);
    QTemporaryDir dir;
    const QString path = dir.filePath("database.db");
    const QByteArray original = fixtureName.isEmpty() ? QByteArray() : readBytes(fixture(fixtureName));
    QVERIFY(writeBytes(path, original));

    // What must follow the settings line: every line but a settings line, as it was.
    QByteArray rest = original;
    const qsizetype firstEnd = original.indexOf("\r\n");
    const bool hasSettings = detection::IsSettingsLine(original.left(firstEnd).toStdString());
    if (hasSettings)
        rest = firstEnd < 0 ? QByteArray() : original.mid(firstEnd + 2);
    if (!rest.isEmpty() && !rest.endsWith("\r\n"))
        rest += "\r\n";

    SignatureFile file(m_files, path.toStdString());
    QVERIFY(file.LoadSignatures());
    QVERIFY(file.LoadRecords());
    for (const QChar step : switches) {
        const bool full = step == 'A';
        QVERIFY(full ? file.AllFiles() : file.ExeFiles());
        const QByteArray settings = full ? detection::kFullSettings : detection::kNormalSettings;
        QCOMPARE(readBytes(path), settings + "\r\n" + rest);
        QCOMPARE(QByteArray::fromStdString(file.Text2()),
                 full ? QByteArray("100000;*.*;Limits dan ekstensi") : settings);
        // The lists come from the file just written.
        const auto parsed = detection::SettingsOf(file.table());
        QVERIFY(parsed.has_value());
        QCOMPARE(parsed->sizeLimit, full ? 100000 : 50000);
        QCOMPARE(file.wName().size(), file.table().size() - 1);
    }
}

void TestSignatureFile::modeSwitch_neverWritesWhatItCouldNotRead_data()
{
    QTest::addColumn<bool>("failReads");
    QTest::addColumn<bool>("failWrites");
    QTest::addColumn<int>("expectedWrites");
    QTest::newRow("file cannot be read") << true << false << 0;
    QTest::newRow("write fails") << false << true << 1;
}

void TestSignatureFile::modeSwitch_neverWritesWhatItCouldNotRead()
{
    QFETCH(bool, failReads);
    QFETCH(bool, failWrites);
    QFETCH(int, expectedWrites);
    QTemporaryDir dir;
    const QString path = dir.filePath("database.db");
    QVERIFY(QFile::copy(fixture("db-three-records.db"), path));
    UnreadableFileSystem files(m_files);
    files.failReads = failReads;
    files.failWrites = failWrites;
    SignatureFile file(files, path.toStdString());
    file.LoadSignatures();
    QCOMPARE(file.LoadRecords(), !failReads);
    QVERIFY(!file.AllFiles());
    QCOMPARE(files.writes, expectedWrites);
    QCOMPARE(readBytes(path), readBytes(fixture("db-three-records.db")));
}

void TestSignatureFile::modeSwitch_keepsEditsMadeSinceLoad()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("database.db");
    QVERIFY(QFile::copy(fixture("db-three-records.db"), path));
    SignatureFile file(m_files, path.toStdString());
    QVERIFY(file.LoadSignatures());
    QVERIFY(file.LoadRecords());
    // The user adds a record in the text editor while the scan screen is open.
    QVERIFY(writeBytes(path, readBytes(path) + "New.Worm;ABCD\r\n"));
    QVERIFY(file.AllFiles());
    QVERIFY(readBytes(path).endsWith("Virus.C;E8B7BE43\r\nNew.Worm;ABCD\r\n"));
    QCOMPARE(file.wName().back(), std::string("New.Worm"));
}

void TestSignatureFile::dateIsOld_data()
{
    // Instants in UTC; the rule works on Berlin's local days (UTC+1 in winter, +2 in summer).
    QTest::addColumn<QByteArray>("created");
    QTest::addColumn<QByteArray>("now");
    QTest::addColumn<bool>("old");
    QTest::newRow("a minute before the limit") << QByteArray("2026-12-02T22:59:00Z")
                                               << QByteArray("2026-12-08T11:00:00Z") << true;
    QTest::newRow("at the limit") << QByteArray("2026-12-02T23:00:00Z") << QByteArray("2026-12-08T11:00:00Z")
                                  << false;
    QTest::newRow("now at local midnight") << QByteArray("2026-12-02T22:59:59Z")
                                           << QByteArray("2026-12-07T23:00:00Z") << true;
    QTest::newRow("now a second before local midnight") << QByteArray("2026-12-02T22:59:59Z")
                                                        << QByteArray("2026-12-07T22:59:59Z") << false;
    QTest::newRow("limit before the clocks went forward") << QByteArray("2026-03-25T22:59:59Z")
                                                          << QByteArray("2026-03-31T08:00:00Z") << true;
    QTest::newRow("limit in winter time, now in summer time") << QByteArray("2026-03-25T23:00:00Z")
                                                              << QByteArray("2026-03-31T08:00:00Z") << false;
    QTest::newRow("created after now") << QByteArray("2027-01-01T00:00:00Z") << QByteArray("2026-12-08T11:00:00Z")
                                       << false;
}

void TestSignatureFile::dateIsOld()
{
    QFETCH(QByteArray, created);
    QFETCH(QByteArray, now);
    QFETCH(bool, old);
    QCOMPARE(detection::DateIsOld(utc(created.constData()), utc(now.constData())), old);
}

QTEST_GUILESS_MAIN(TestSignatureFile)
#include "tst_signaturefile.moc"
