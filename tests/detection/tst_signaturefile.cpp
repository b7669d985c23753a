// database.db: parsing, counting, settings, the date rule and the mode switches.

#include "tests/support/ForwardingFileSystem.h"
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

#include <unistd.h>

#include <algorithm>
#include <cstring>
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

QString fixture(const QString& name) { return QStringLiteral(QUENNO_TEST_DATA "/") + name; }

// The file cannot be read although it is there; every write is counted.
class UnreadableFileSystem final : public test::ForwardingFileSystem {
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

// Another program saves the file while a rewrite is under way: each of the first `edits`
// rewrites finds one more record appended (with LF, as `echo >>` would) after the caller
// read the file, before the real file system compares and renames.
class EditedMeanwhile final : public test::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    platform::WriteResult rewriteWholeFile(const std::string& path, std::string_view content,
                                           const platform::RewriteOptions& options) override
    {
        if (edits > 0) {
            --edits;
            ++made;
            const QString file = QString::fromStdString(path);
            writeBytes(file, readBytes(file) + "Edit." + QByteArray::number(made) + ";ABC\n");
        }
        return m_inner.rewriteWholeFile(path, content, options);
    }
    int edits = 0;
    int made = 0;
};

std::chrono::system_clock::time_point utc(const char* iso)
{
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
    Q_ASSERT(when.isValid());
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(when.toMSecsSinceEpoch()));
}

}  // namespace

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
    void modeSwitch_changedOnDisk_data();
    void modeSwitch_changedOnDisk();
    void modeSwitch_throughLink();
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
    QTest::newRow("final CR LF adds no entry") << QByteArray("1;*.exe;L\r\nW;A1\r\n") << QByteArray(";")
                                               << detection::SignatureTable{{"1", "*.exe", "L"}, {"W", "A1"}};
    QTest::newRow("lone LF ends a line, lone CR stays inside")
        << QByteArray("a\nb;c\rd\r\ne") << QByteArray(";") << detection::SignatureTable{{"a"}, {"b", "c\rd"}, {"e"}};
    QTest::newRow("of CR CR LF only the last CR belongs to the break")
        << QByteArray("S\r\r\nW;1\n\n") << QByteArray(";") << detection::SignatureTable{{"S\r"}, {"W", "1"}};
    QTest::newRow("empty lines and NUL lines are dropped") << QByteArray("S\r\n\r\nW;1\r\nbad") + '\0'
            + "line;2\r\n\r\n" << QByteArray(";") << detection::SignatureTable{{"S"}, {"W", "1"}};
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
    QTest::newRow("LF ends lines as CR LF does") << QByteArray("S\nA\nB\n") << " 2";
    QTest::newRow("record appended with LF") << QByteArray("S\r\nA\r\nB\n") << " 2";
    QTest::newRow("lone CR ends no line") << QByteArray("S\rA\rB\r") << " 0";
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
    QTest::newRow("normal mode") << QByteArray(detection::kNormalSettings) << true << 50000 << QByteArray("*.exe")
                                 << true;
    QTest::newRow("full mode") << QByteArray(detection::kFullSettings) << true << 100000 << QByteArray("*.*") << true;
    QTest::newRow("explicit sign") << QByteArray("+7;*.com") << true << 7 << QByteArray("*.com") << true;
    QTest::newRow("negative limit is still a number")
        << QByteArray("-1;*.exe") << true << -1 << QByteArray("*.exe") << true;
    QTest::newRow("empty file") << QByteArray() << false << 0 << QByteArray() << false;
    QTest::newRow("record as first line") << QByteArray("Worm.A;1A2B3C") << false << 0 << QByteArray() << false;
    QTest::newRow("limit without pattern") << QByteArray("50000") << false << 0 << QByteArray() << true;
    QTest::newRow("limit beyond 32 bits") << QByteArray("4294967296;*.exe") << false << 0 << QByteArray() << false;
    QTest::newRow("limit with trailing text") << QByteArray("500kb;*.exe") << false << 0 << QByteArray() << false;
    QTest::newRow("two signs") << QByteArray("+-5;*.exe") << false << 0 << QByteArray() << false;
    QTest::newRow("lone CR joins the next line: not a settings line to replace")
        << QByteArray("50000;*.exe;L\rW;1A") << true << 50000 << QByteArray("*.exe") << false;
    QTest::newRow("NUL in the line") << QByteArray("50000;*.exe\0", 12) << false << 0 << QByteArray() << false;
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
    QTest::newRow("blank line skipped but counted")
        << "db-blank-line-between-records.db" << three << threeSigns << " 4";
    QTest::newRow("extra field ignored, missing checksum empty, odd checksums kept as written")
        << "db-extra-missing-and-odd-fields.db"
        << Strings{"Worm.A", "NameWithoutChecksum", "Lower.Case", "Trailing.Space"}
        << Strings{"1A2B3C", "", "cbf43926", "CBF43926 "} << " 4";
    QTest::newRow("LF-only list") << "db-lf-only-records.db" << three << threeSigns << " 3";
    QTest::newRow("LF settings line, CR LF records")
        << "db-lf-settings-line-crlf-records.db" << three << threeSigns << " 3";
    QTest::newRow("record appended with LF to a CR LF list")
        << "db-record-appended-with-lf-to-crlf.db" << Strings{"Worm.A", "Trojan.B", "Virus.C", "Appended.Worm"}
        << Strings{"1A2B3C", "CBF43926", "E8B7BE43", "352441C2"} << " 4";
    QTest::newRow("CR-only list is one line") << "db-cr-only-records.db" << Strings{} << Strings{} << " 0";
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
    QTest::newRow("CR before CR LF, CR at the very end") << QByteArray("1;*.*\r\r\nA;FF\r\r\nB;FE\r");
    QTest::newRow("lone CR stays inside a record, lone LF ends one")
        << QByteArray("1;*.*\r\nA\rB;FF\r\nC;F\nE\r\nD;FE\r\r\n");
    QTest::newRow("LF records, LF settings line, a record appended with LF")
        << QByteArray("1;*.*\nA;FF\nB;FE\r\nC;FD\n\nD;FC");
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
    const detection::SignatureIndex indexes[]
        = {detection::SignatureIndex::FromDatabaseText(bytes), *fromFile, indexer.finish()};

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
    QCOMPARE(readBytes(path),
             readBytes(fixture("db-blank-line-between-records.db"))
                 .replace(detection::kNormalSettings, detection::kFullSettings));
}

// After each switch the file is exactly: the new settings line, the break of a settings
// line put above the first line (none when the first line was replaced), and every byte of
// the original from `kept` on.
void TestSignatureFile::modeSwitch_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QString>("switches");  // A = AllFiles, E = ExeFiles
    QTest::addColumn<int>("kept");  // where the bytes kept begin (the settings line replaced)
    QTest::addColumn<QByteArray>("insertedBreak");
    QTest::addColumn<Strings>("names");  // wName afterwards
    const int normal = int(std::strlen(detection::kNormalSettings));
    const int full = int(std::strlen(detection::kFullSettings));
    const Strings three{"Worm.A", "Trojan.B", "Virus.C"};
    const QByteArray quotes = readBytes(fixture("db-quotes-commas-blank-and-bare-lines.db"));
    // "Lone\nLF and lone\rCR inside" is two lines now, the first without a checksum.
    const Strings quoted{"Worm \"Quoted\", with commas", "   Spaced.Name ",         "Lone",
                         "LF and lone\rCR inside",       "Tab\tand 8-bit \xE9\xFF", "Last line without end"};
    QTest::newRow("full mode, every other byte kept") << quotes << "A" << full << QByteArray() << quoted;
    QTest::newRow("normal mode, every other byte kept") << quotes << "E" << full << QByteArray() << quoted;
    QTest::newRow("many switches") << quotes << "AEAAEEA" << full << QByteArray() << quoted;
    QTest::newRow("no final line break: nothing added")
        << readBytes(fixture("db-three-records-no-final-crlf.db")) << "A" << normal << QByteArray() << three;
    QTest::newRow("first line is a record: a settings line above it")
        << readBytes(fixture("db-first-line-is-a-record.db")) << "AE" << 0 << QByteArray("\r\n")
        << Strings{"Worm.A", "Trojan.B"};
    QTest::newRow("empty file gets a settings line") << QByteArray() << "E" << 0 << QByteArray("\r\n") << Strings{};
    QTest::newRow("LF-only list keeps its LFs")
        << readBytes(fixture("db-lf-only-records.db")) << "AE" << normal << QByteArray() << three;
    QTest::newRow("LF settings line keeps its LF")
        << readBytes(fixture("db-lf-settings-line-crlf-records.db")) << "A" << normal << QByteArray() << three;
    QTest::newRow("record appended with LF is kept and read")
        << readBytes(fixture("db-record-appended-with-lf-to-crlf.db")) << "A" << normal << QByteArray()
        << Strings{"Worm.A", "Trojan.B", "Virus.C", "Appended.Worm"};
    QTest::newRow("LF records without a settings line: one above, ending LF")
        << readBytes(fixture("db-lf-records-without-settings-line.db")) << "EA" << 0 << QByteArray("\n")
        << Strings{"Worm.A", "Trojan.B"};
    // The whole file is one line: replacing it would drop every record.
    QTest::newRow("CR-only list: a settings line above, no record byte dropped")
        << readBytes(fixture("db-cr-only-records.db")) << "E" << 0 << QByteArray("\r\n") << Strings{"50000"};
    QTest::newRow("settings line alone without a break")
        << QByteArray(detection::kNormalSettings) << "A" << normal << QByteArray() << Strings{};
    QTest::newRow("NUL in the first line: a settings line above it")
        << QByteArray("50000;*.exe\0;L\r\nW;1A\r\n", 21) << "E" << 0 << QByteArray("\r\n") << Strings{"W"};
    QTest::newRow("CR CR LF: the first line holds a CR, a settings line above it")
        << QByteArray("50000;*.exe;L\r\r\nW;1A\r\r\n") << "E" << 0 << QByteArray("\r\n") << Strings{"50000", "W"};
}

void TestSignatureFile::modeSwitch()
{
    QFETCH(QByteArray, original);
    QFETCH(QString, switches);
    QFETCH(int, kept);
    QFETCH(QByteArray, insertedBreak);
    QFETCH(Strings, names);
    QTemporaryDir dir;
    const QString path = dir.filePath("database.db");
    QVERIFY(writeBytes(path, original));

    SignatureFile file(m_files, path.toStdString());
    QVERIFY(file.LoadSignatures());
    QVERIFY(file.LoadRecords());
    for (const QChar step : switches) {
        const bool full = step == 'A';
        QVERIFY(full ? file.AllFiles() : file.ExeFiles());
        QVERIFY(file.lastWrite().ok());
        const QByteArray settings = full ? detection::kFullSettings : detection::kNormalSettings;
        QCOMPARE(readBytes(path), settings + insertedBreak + original.mid(kept));
        QCOMPARE(QByteArray::fromStdString(file.Text2()),
                 full ? QByteArray("100000;*.*;Limits dan ekstensi") : settings);
        // The lists come from the file just written.
        const auto parsed = detection::SettingsOf(file.table());
        QVERIFY(parsed.has_value());
        QCOMPARE(parsed->sizeLimit, full ? 100000 : 50000);
        QCOMPARE(file.wName().size(), file.table().size() - 1);
    }
    QCOMPARE(file.wName(), names);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"database.db"});
    // What a scan reads straight from the file (quennoscan does) finds every record the
    // lists hold.
    const auto index = detection::SignatureIndex::FromDatabaseFile(m_files, path.toStdString(), nullptr);
    QVERIFY(index);
    for (std::size_t j = 0; j < file.wSign().size(); ++j) {
        if (file.wSign()[j].empty() || file.wSign()[j].find_first_not_of("0123456789ABCDEF") != std::string::npos)
            continue;
        const auto found = index->find(file.wSign()[j]);
        QVERIFY2(std::find(found.begin(), found.end(), j) != found.end(), file.wSign()[j].c_str());
        QCOMPARE(index->name(j), std::string_view(file.wName()[j]));
    }
}

void TestSignatureFile::modeSwitch_neverWritesWhatItCouldNotRead_data()
{
    QTest::addColumn<bool>("failReads");
    QTest::addColumn<bool>("failWrites");
    QTest::addColumn<bool>("full");
    QTest::addColumn<int>("expectedWrites");
    QTest::addColumn<int>("failure");  // platform::WriteFailure
    QTest::newRow("file cannot be read") << true << false << true << 0 << int(platform::WriteFailure::Unreadable);
    QTest::newRow("write fails") << false << true << true << 1 << int(platform::WriteFailure::Other);
    // A read-only list already in normal mode is in the mode the screen shows.
    QTest::newRow("already in that mode: nothing to write")
        << false << true << false << 0 << int(platform::WriteFailure::None);
}

void TestSignatureFile::modeSwitch_neverWritesWhatItCouldNotRead()
{
    QFETCH(bool, failReads);
    QFETCH(bool, failWrites);
    QFETCH(bool, full);
    QFETCH(int, expectedWrites);
    QFETCH(int, failure);
    QTemporaryDir dir;
    const QString path = dir.filePath("database.db");
    QVERIFY(QFile::copy(fixture("db-three-records.db"), path));
    UnreadableFileSystem files(m_files);
    files.failReads = failReads;
    files.failWrites = failWrites;
    SignatureFile file(files, path.toStdString());
    file.LoadSignatures();
    QCOMPARE(file.LoadRecords(), !failReads);
    QCOMPARE(full ? file.AllFiles() : file.ExeFiles(), failure == int(platform::WriteFailure::None));
    QCOMPARE(int(file.lastWrite().failure), failure);
    QCOMPARE(files.writes, expectedWrites);
    QCOMPARE(readBytes(path), readBytes(fixture("db-three-records.db")));
}

// Another editor or a second QuennoAV saves the list between our read and our rename: its
// save is kept, and the switch is made again on top of it, or the file is left to it.
void TestSignatureFile::modeSwitch_changedOnDisk_data()
{
    QTest::addColumn<int>("edits");
    QTest::addColumn<bool>("switched");
    QTest::newRow("saved once meanwhile: the save kept, the switch made on top") << 1 << true;
    QTest::newRow("saved at every try: the file left to the other program") << 1000 << false;
}

void TestSignatureFile::modeSwitch_changedOnDisk()
{
    QFETCH(int, edits);
    QFETCH(bool, switched);
    QTemporaryDir dir;
    const QString path = dir.filePath("database.db");
    const QByteArray original = readBytes(fixture("db-three-records.db"));
    QVERIFY(writeBytes(path, original));
    EditedMeanwhile files(m_files);
    SignatureFile file(files, path.toStdString());
    QVERIFY(file.LoadSignatures());
    QVERIFY(file.LoadRecords());
    files.edits = edits;
    QCOMPARE(file.AllFiles(), switched);
    QByteArray saves;
    for (int i = 1; i <= files.made; ++i)
        saves += "Edit." + QByteArray::number(i) + ";ABC\n";
    if (switched) {
        QCOMPARE(readBytes(path), QByteArray(detection::kFullSettings) + original.mid(31) + saves);
        QCOMPARE(file.wName().back(), std::string("Edit.1"));
    } else {
        QCOMPARE(int(file.lastWrite().failure), int(platform::WriteFailure::Changed));
        QVERIFY(files.made > 1);
        QCOMPARE(readBytes(path), original + saves);
        QCOMPARE(file.wName().back(), "Edit." + std::to_string(files.made));  // the lists show the file
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"database.db"});
}

// database.db may be a link into the user's own folder: read through it, the file it leads
// to rewritten beside itself, the link kept.
void TestSignatureFile::modeSwitch_throughLink()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("app") && QDir(dir.path()).mkpath("mine"));
    const QString target = dir.filePath("mine/signatures.txt");
    const QString link = dir.filePath("app/database.db");
    const QByteArray original = readBytes(fixture("db-lf-only-records.db"));
    QVERIFY(writeBytes(target, original));
    QVERIFY(::symlink("../mine/signatures.txt", link.toLocal8Bit().constData()) == 0);

    SignatureFile file(m_files, link.toStdString());
    QVERIFY(file.LoadSignatures());
    QCOMPARE(file.wName().size(), std::size_t{3});
    QCOMPARE(QString::fromStdString(detection::CountText(*detection::ReadWholeFile(m_files, link.toStdString()))),
             " 3");
    QVERIFY(file.LoadRecords());
    QVERIFY(file.AllFiles());
    QCOMPARE(QFile::symLinkTarget(link), target);
    QCOMPARE(readBytes(target), QByteArray(detection::kFullSettings) + original.mid(31));
    QCOMPARE(QDir(dir.filePath("app")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System),
             QStringList{"database.db"});
    QCOMPARE(QDir(dir.filePath("mine")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"signatures.txt"});
    QVERIFY(detection::SignatureIndex::FromDatabaseFile(m_files, link.toStdString(), nullptr)->find("CBF43926").size()
            == 1);
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
    QTest::newRow("a minute before the limit")
        << QByteArray("2026-12-02T22:59:00Z") << QByteArray("2026-12-08T11:00:00Z") << true;
    QTest::newRow("at the limit") << QByteArray("2026-12-02T23:00:00Z") << QByteArray("2026-12-08T11:00:00Z") << false;
    QTest::newRow("now at local midnight")
        << QByteArray("2026-12-02T22:59:59Z") << QByteArray("2026-12-07T23:00:00Z") << true;
    QTest::newRow("now a second before local midnight")
        << QByteArray("2026-12-02T22:59:59Z") << QByteArray("2026-12-07T22:59:59Z") << false;
    QTest::newRow("limit before the clocks went forward")
        << QByteArray("2026-03-25T22:59:59Z") << QByteArray("2026-03-31T08:00:00Z") << true;
    QTest::newRow("limit in winter time, now in summer time")
        << QByteArray("2026-03-25T23:00:00Z") << QByteArray("2026-03-31T08:00:00Z") << false;
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
