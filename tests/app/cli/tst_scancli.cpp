// The pieces of the command-line scanner: how names are written, the command line, the
// results stream and what the report makes of what the engine tells it.

#include "cli/LineOutput.h"
#include "cli/ScanArguments.h"
#include "cli/ScanReport.h"
#include "cli/TerminalText.h"

#include "tests/app/JsonBytes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace quenno;

using quenno::test::bytesOfJson;

namespace {

QByteArray bytes(const std::string& text) { return QByteArray::fromStdString(text); }

// The inverse of EscapedText, written from its description.
std::string unescaped(const std::string& text, bool* wellFormed)
{
    std::string out;
    *wellFormed = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size()) {
            *wellFormed = false;
            return out;
        }
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 'x':
            if (i + 2 >= text.size()) {
                *wellFormed = false;
                return out;
            }
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
            break;
        default:
            *wellFormed = false;
        }
    }
    return out;
}

// A C0 or C1 control, DEL, or a byte a terminal could take for one (not valid UTF-8).
bool hasTerminalControl(const std::string& text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    const QString decoded = QString::fromUtf8(bytes(text));
    if (decoded.toUtf8() != bytes(text))
        return true;
    for (const QChar c : decoded) {
        if (c.unicode() >= 0x80 && c.unicode() <= 0x9F)
            return true;
    }
    return false;
}

// A stream into memory: what was written is there once it is closed.
struct MemoryStream {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    ~MemoryStream() { std::free(buffer); }
    std::string text() const { return buffer ? std::string(buffer, size) : std::string(); }
};

}  // namespace

class TestScanCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::signal(SIGPIPE, SIG_IGN); }

    void escapedText_data();
    void escapedText();
    void jsonString_data() { escapedText_data(); }
    void jsonString();

    void arguments_data();
    void arguments();

    void writeFailures_data();
    void writeFailures();

    void report_data();
    void report();
    void reportStopsOnceOutputFails();
    void jsonLinesParseBack();
};

void TestScanCli::escapedText_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("text");  // EscapedText
    QTest::newRow("plain") << QByteArray("a.exe") << QByteArray("a.exe");
    QTest::newRow("backslash doubled") << QByteArray("a\\tb") << QByteArray("a\\\\tb");
    QTest::newRow("tab and line ends") << QByteArray("a\tb\nc\rd") << QByteArray("a\\tb\\nc\\rd");
    QTest::newRow("forged result line") << QByteArray("x.exe\tFile x.exe, detected as: Y\nVirus Found : 0")
                                        << QByteArray("x.exe\\tFile x.exe, detected as: Y\\nVirus Found : 0");
    QTest::newRow("escape sequence") << QByteArray("\x1b[2J\x1b]0;title\x07")
                                     << QByteArray("\\x1b[2J\\x1b]0;title\\x07");
    QTest::newRow("NUL and DEL") << QByteArray("a\0b\x7f", 4) << QByteArray("a\\x00b\\x7f");
    QTest::newRow("C1 control in UTF-8") << QByteArray("a\xc2\x9b"
                                                       "2J")
                                         << QByteArray("a\\xc2\\x9b2J");
    QTest::newRow("raw C1 byte") << QByteArray("a\x9b"
                                               "2J")
                                 << QByteArray("a\\x9b2J");
    QTest::newRow("valid UTF-8 kept") << QByteArray("caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x98\x80 \xc2\xa0")
                                      << QByteArray("caf\xc3\xa9 \xe6\x97\xa5 \xf0\x9f\x98\x80 \xc2\xa0");
    QTest::newRow("Latin-1 byte") << QByteArray("caf\xe9.exe") << QByteArray("caf\\xe9.exe");
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QByteArray("\\xc0\\xaf");
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << QByteArray("\\xed\\xa0\\x80");
    QTest::newRow("cut sequence at the end") << QByteArray("a\xe6\x97") << QByteArray("a\\xe6\\x97");
    QTest::newRow("past U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << QByteArray("\\xf4\\x90\\x80\\x80");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestScanCli::escapedText()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, text);
    const std::string escaped = cli::EscapedText(name.toStdString());
    QCOMPARE(bytes(escaped), text);
    QVERIFY(!hasTerminalControl(escaped));
    bool wellFormed = false;
    QCOMPARE(bytes(unescaped(escaped, &wellFormed)), name);
    QVERIFY(wellFormed);
}

void TestScanCli::jsonString()
{
    QFETCH(QByteArray, name);
    const std::string json = cli::JsonString(name.toStdString());
    QVERIFY2(!hasTerminalControl(json), json.c_str());
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes("{\"v\":" + json + "}"), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(bytesOfJson(document.object().value("v").toString()), name);
}

void TestScanCli::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("shape");  // mode, flags and operands; or the error
    QTest::newRow("files and folders") << QStringList{"a.exe", "dir1", "dir2"} << "scan: a.exe dir1 dir2";
    QTest::newRow("every option") << QStringList{"--json", "--summary", "--full", "--db", "x.db", "d"}
                                  << "scan db=x.db full summary json: d";
    QTest::newRow("--db=") << QStringList{"--db=x.db", "d"} << "scan db=x.db: d";
    QTest::newRow("after --") << QStringList{"--", "--json", "-"} << "scan: --json -";
    QTest::newRow("help wins where it stands") << QStringList{"--help", "--bogus"} << "help";
    QTest::newRow("version") << QStringList{"d", "--version"} << "version";
    QTest::newRow("checksums") << QStringList{"--crc", "a", "b"} << "crc: a b";
    QTest::newRow("nothing to scan") << QStringList{"--json"} << "error: no file or folder to scan";
    QTest::newRow("--db at the end") << QStringList{"d", "--db"} << "error: --db needs a file name";
    QTest::newRow("--db empty") << QStringList{"--db=", "d"} << "error: --db needs a file name";
    QTest::newRow("unknown option") << QStringList{"--fast", "d"} << "error: unknown option --fast";
    QTest::newRow("checksums take no scan options")
        << QStringList{"--crc", "--json", "a"}
        << "error: --crc takes no --db, --full, --summary, --json, --quarantine or --delete";
    QTest::newRow("quarantine") << QStringList{"--quarantine", "d"} << "scan quarantine: d";
    QTest::newRow("delete, twice") << QStringList{"--delete", "d", "--delete"} << "scan delete: d";
    QTest::newRow("quarantine and delete")
        << QStringList{"--quarantine", "d", "--delete"} << "error: --quarantine and --delete cannot be used together";
    QTest::newRow("checksums take no action")
        << QStringList{"--crc", "--delete", "a"}
        << "error: --crc takes no --db, --full, --summary, --json, --quarantine or --delete";
    QTest::newRow("checksums without files") << QStringList{"--crc"} << "error: --crc needs at least one file";
}

void TestScanCli::arguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, shape);
    std::vector<std::string> list;
    for (const QString& arg : args)
        list.push_back(arg.toStdString());
    const cli::ParsedArguments parsed = cli::ParseScanArguments(list);
    QString got;
    if (!parsed.arguments) {
        got = "error: " + QString::fromStdString(parsed.error);
    } else {
        const cli::ScanArguments& a = *parsed.arguments;
        using Mode = cli::ScanArguments::Mode;
        got = a.mode == Mode::Help      ? "help"
            : a.mode == Mode::Version   ? "version"
            : a.mode == Mode::Checksums ? "crc"
                                        : "scan";
        if (a.mode == Mode::Scan || a.mode == Mode::Checksums) {
            if (a.database)
                got += " db=" + QString::fromStdString(*a.database);
            if (a.full)
                got += " full";
            if (a.summary)
                got += " summary";
            if (a.json)
                got += " json";
            if (a.action != cli::ScanArguments::Action::None)
                got += a.action == cli::ScanArguments::Action::Delete ? " delete" : " quarantine";
            got += ":";
            for (const std::string& operand : a.operands)
                got += " " + QString::fromStdString(operand);
        }
    }
    QCOMPARE(got, shape);
}

void TestScanCli::writeFailures_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("full device") << "full" << QString::fromLocal8Bit(std::strerror(ENOSPC));
    QTest::newRow("reader gone") << "pipe" << QString::fromLocal8Bit(std::strerror(EPIPE));
}

void TestScanCli::writeFailures()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    std::FILE* stream = nullptr;
    if (target == "full") {
        stream = std::fopen("/dev/full", "w");
    } else {
        int ends[2];
        QVERIFY(::pipe(ends) == 0);
        ::close(ends[0]);
        stream = ::fdopen(ends[1], "w");
    }
    QVERIFY(stream != nullptr);
    cli::LineOutput out(stream);
    QVERIFY(!out.line("one detection"));
    QVERIFY(out.failed());
    QVERIFY(!out.line("the next one"));
    QVERIFY(!out.close());
    QCOMPARE(QString::fromStdString(out.reason()), reason);
}

void TestScanCli::report_data()
{
    // Each event: "found PATH|NAME|RECORD", "folder PATH", "file PATH", "examined BYTES",
    // "missing NAME", "big PATH".
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("clean") << QStringList{"examined 9"} << 0 << QStringList{"Virus Found : 0"} << QStringList();
    QTest::newRow("found") << QStringList{"found /t/a.exe|a.exe|Trojan.B", "examined 9"} << 1
                           << QStringList{"/t/a.exe\tFile a.exe, detected as: Trojan.B", "Virus Found : 1"}
                           << QStringList();
    QTest::newRow("unreadable folder") << QStringList{"folder /t/locked"} << 2 << QStringList{"Virus Found : 0"}
                                       << QStringList{"quennoscan: folder not readable, not scanned: /t/locked"};
    QTest::newRow("unreadable file") << QStringList{"file /t/x.exe"} << 2 << QStringList{"Virus Found : 0"}
                                     << QStringList{"quennoscan: file not readable, not scanned: /t/x.exe"};
    QTest::newRow("found wins over unreadable")
        << QStringList{"folder /t/locked", "found /t/a.exe|a.exe|Trojan.B"} << 1
        << QStringList{"/t/a.exe\tFile a.exe, detected as: Trojan.B", "Virus Found : 1"}
        << QStringList{"quennoscan: folder not readable, not scanned: /t/locked"};
    QTest::newRow("named but missing") << QStringList{"missing gone.exe"} << 2 << QStringList{"Virus Found : 0"}
                                       << QStringList{"quennoscan: no such file or folder, not scanned: gone.exe"};
    QTest::newRow("named but too big")
        << QStringList{"big /t/big.exe"} << 2 << QStringList{"Virus Found : 0"}
        << QStringList{"quennoscan: larger than the size limit of 50000 bytes, not scanned: /t/big.exe"};
    QTest::newRow("hostile names, one line each")
        << QStringList{"found /t/a\tb\nVirus Found : 0\x1b[2J.exe|a\tb\nVirus Found : 0\x1b[2J.exe|W\rX",
                       "folder /t/\x1b]0;t\x07\n"}
        << 1
        << QStringList{"/t/a\\tb\\nVirus Found : 0\\x1b[2J.exe\tFile a\\tb\\nVirus Found : 0\\x1b[2J.exe, detected as: "
                       "W\\rX",
                       "Virus Found : 1"}
        << QStringList{"quennoscan: folder not readable, not scanned: /t/\\x1b]0;t\\x07\\n"};
}

void TestScanCli::report()
{
    QFETCH(QStringList, events);
    QFETCH(int, status);
    QFETCH(QStringList, out);
    QFETCH(QStringList, errors);
    MemoryStream outText;
    MemoryStream errorText;
    {
        cli::LineOutput outStream(outText.stream);
        cli::LineOutput errorStream(errorText.stream);
        cli::ScanReport report(outStream, errorStream, false);
        for (const QString& event : events) {
            const std::string what = event.section(' ', 0, 0).toStdString();
            const std::string rest = event.section(' ', 1).toStdString();
            if (what == "found") {
                const QStringList parts = QString::fromStdString(rest).split('|');
                detection::Detection found;
                found.fullPath = parts[0].toStdString();
                found.bareName = parts[1].toStdString();
                found.malwareName = parts[2].toStdString();
                found.checksumText = "CBF43926";
                report.addDetection(found);
            } else if (what == "folder" || what == "file") {
                report.addUnreadable(rest, what == "folder");
            } else if (what == "examined") {
                report.addExamined("/t/any", std::stoull(rest));
            } else if (what == "missing") {
                report.addNotFound(rest, "no such file or folder");
            } else if (what == "big") {
                report.addOverLimit(rest, 50000);
            }
        }
        report.finish(0.5, false);
        QCOMPARE(report.status(), status);
        QVERIFY(outStream.close());
        QVERIFY(errorStream.close());
    }
    QCOMPARE(QString::fromStdString(outText.text()).split('\n', Qt::SkipEmptyParts), out);
    QCOMPARE(QString::fromStdString(errorText.text()).split('\n', Qt::SkipEmptyParts), errors);
}

void TestScanCli::reportStopsOnceOutputFails()
{
    MemoryStream errorText;
    cli::LineOutput out(std::fopen("/dev/full", "w"));
    cli::LineOutput errors(errorText.stream);
    cli::ScanReport report(out, errors, false);
    QVERIFY(!report.stopRequested());
    detection::Detection found;
    found.fullPath = "/t/a.exe";
    report.addDetection(found);
    // No point in reading further files: their results could not be told.
    QVERIFY(report.stopRequested());
    out.close();
    errors.close();
}

void TestScanCli::jsonLinesParseBack()
{
    MemoryStream outText;
    MemoryStream errorText;
    {
        cli::LineOutput out(outText.stream);
        cli::LineOutput errors(errorText.stream);
        cli::ScanReport report(out, errors, true);
        detection::Detection found;
        found.fullPath = "/t/caf\xe9\n\x1b.exe";
        found.bareName = "caf\xe9\n\x1b.exe";
        found.malwareName = "Trojan \"B\"\\";
        found.checksumText = "CBF43926";
        report.addDetection(found);
        report.addUnreadable("/t/locked", true);
        report.addExamined("/t/caf\xe9\n\x1b.exe", 9);
        report.finish(1.25, true);
        QVERIFY(out.close());
        QVERIFY(errors.close());
    }
    const QList<QByteArray> lines = QByteArray::fromStdString(outText.text()).split('\n');
    QCOMPARE(lines.size(), 3);  // two objects, then what follows the last line end
    QVERIFY(lines[2].isEmpty());
    QJsonParseError error;
    const QJsonObject detection = QJsonDocument::fromJson(lines[0], &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(detection.value("type").toString(), "detection");
    QCOMPARE(bytesOfJson(detection.value("path").toString()), QByteArray("/t/caf\xe9\n\x1b.exe"));
    QCOMPARE(bytesOfJson(detection.value("name").toString()), QByteArray("caf\xe9\n\x1b.exe"));
    QCOMPARE(detection.value("record").toString(), "Trojan \"B\"\\");
    QCOMPARE(detection.value("checksum").toString(), "CBF43926");
    const QJsonObject summary = QJsonDocument::fromJson(lines[1], &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(summary.value("type").toString(), "summary");
    QCOMPARE(summary.value("detections").toInt(), 1);
    QCOMPARE(summary.value("files_examined").toInt(), 1);
    QCOMPARE(summary.value("bytes_read").toInt(), 9);
    QCOMPARE(summary.value("folders_unreadable").toInt(), 1);
    QCOMPARE(summary.value("files_unreadable").toInt(), 0);
    QCOMPARE(summary.value("seconds").toDouble(), 1.25);
    // --summary goes to stderr, after the unreadable folder's line.
    QCOMPARE(QString::fromStdString(errorText.text()).split('\n', Qt::SkipEmptyParts),
             (QStringList{"quennoscan: folder not readable, not scanned: /t/locked", "Files examined: 1",
                          "Bytes read: 9", "Files not readable: 0", "Folders not readable: 1", "Time: 1.250 s"}));
}

QTEST_GUILESS_MAIN(TestScanCli)
#include "tst_scancli.moc"
