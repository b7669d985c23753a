// The scan screen's lists over database.db's shared bytes must hold exactly what the
// copying parser reads from the same text: every line, every record's name and checksum,
// and an index that finds each record. And a mode switch of the bytes writes what the
// switch of the record list writes.

#include "detection/SignatureFile.h"
#include "platform/linux/LinuxFileSystem.h"
#include "scan/DatabaseListModel.h"
#include "scan/DatabaseLists.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quenno;

namespace {

QByteArray bytes(std::string_view view) { return QByteArray(view.data(), static_cast<qsizetype>(view.size())); }

QList<QByteArray> asList(const std::vector<std::string>& items)
{
    QList<QByteArray> out;
    for (const auto& item : items)
        out << QByteArray::fromStdString(item);
    return out;
}

}  // namespace

class TestDatabaseLists : public QObject {
    Q_OBJECT

private slots:
    void viewsHoldWhatTheParserReads_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("settings line alone, no line break") << QByteArray("50000;*.exe;Limits dan ekstensi");
        QTest::newRow("records ending with CR LF") << QByteArray("50000;*.exe;x\r\nWorm.A;1A2B\r\nTrojan.B;CBF4\r\n");
        QTest::newRow("last record without CR LF") << QByteArray("50000;*.exe;x\r\nWorm.A;1A2B\r\nTrojan.B;CBF4");
        QTest::newRow("blank lines and a final blank line")
            << QByteArray("50000;*.exe;x\r\n\r\nWorm.A;1A2B\r\n\r\n\r\nTrojan.B;CBF4\r\n\r\n");
        QTest::newRow("blank lines before the settings line") << QByteArray("\r\n\r\n50000;*.exe;x\r\nWorm.A;1A2B\r\n");
        QTest::newRow("line holding NUL is no record")
            << QByteArray("50000;*.exe;x\r\nWorm.A;1A2B\r\nBad\0Name;CBF4\r\nTrojan.B;CBF4\r\n", 58);
        QTest::newRow("record without checksum, extra fields, quotes")
            << QByteArray("50000;*.exe;x\r\nLonely\r\nWorm.A;1A2B;more;fields\r\n\"Q,u\";C0FFEE\r\n");
        QTest::newRow("lone CR and lone LF inside lines")
            << QByteArray("50000;*.exe;x\r\nWorm\r.A;1A2B\r\nTro\njan;CBF4\r");
        QTest::newRow("CR before the line break")
            << QByteArray("50000;*.exe;x\r\nWorm.A;1A2B\r\r\nTrojan.B;CBF4\r\r\n");
        QTest::newRow("no settings line: first record is entry 0") << QByteArray("Worm.A;1A2B\r\nTrojan.B;CBF4\r\n");
        QTest::newRow("only line breaks") << QByteArray("\r\n\r\n\r\n");
    }
    void viewsHoldWhatTheParserReads()
    {
        QFETCH(QByteArray, text);
        const std::string all = text.toStdString();
        const scan::DatabaseLists lists(all);
        QVERIFY(lists.holdsText());

        QList<QByteArray> lines;
        for (std::size_t i = 0; i < lists.lineCount(); ++i)
            lines << bytes(lists.line(i));
        QCOMPARE(lines, asList(detection::SplitRecordLines(all)));

        const detection::SignatureTable table = detection::ParseDelimitedText(all, ";");
        QList<QByteArray> names, signs, wantNames, wantSigns;
        for (std::size_t j = 0; j < lists.recordCount(); ++j) {
            names << bytes(lists.name(j));
            signs << bytes(lists.sign(j));
        }
        for (std::size_t e = 1; e < table.size(); ++e) {
            wantNames << QByteArray::fromStdString(table[e][0]);
            wantSigns << (table[e].size() >= 2 ? QByteArray::fromStdString(table[e][1]) : QByteArray());
        }
        QCOMPARE(names, wantNames);
        QCOMPARE(signs, wantSigns);

        // The shared index finds each record by its checksum, under its own name.
        const detection::SignatureIndex reference = detection::SignatureIndex::FromDatabaseText(all);
        for (std::size_t j = 0; j < lists.recordCount(); ++j) {
            const std::string sign(lists.sign(j));
            const auto found = lists.index()->find(sign);
            const auto want = reference.find(sign);
            QCOMPARE(std::vector<std::uint32_t>(found.begin(), found.end()),
                     std::vector<std::uint32_t>(want.begin(), want.end()));
            for (const std::uint32_t at : found)
                QCOMPARE(bytes(lists.index()->name(at)), bytes(reference.name(at)));
        }
    }

    // The index keeps the bytes alive: the screen may drop its lists (a mode switch during
    // a scan) while the scan still reads names through the index.
    void indexOutlivesItsLists()
    {
        std::shared_ptr<const detection::SignatureIndex> index;
        {
            const scan::DatabaseLists lists("50000;*.exe;x\r\nWorm.A;1A2B\r\n");
            index = lists.index();
        }
        const auto found = index->find("1A2B");
        QCOMPARE(found.size(), std::size_t{1});
        QCOMPARE(bytes(index->name(found[0])), QByteArray("Worm.A"));
    }

    void hugeNameIsCutWhereShownAndKeptWhole()
    {
        const std::string name(3 * 1024 * 1024, 'N');
        auto lists = std::make_shared<const scan::DatabaseLists>("50000;*.exe;x\r\n" + name + ";1A2B\r\n");
        scan::DatabaseListModel names(scan::DatabaseListModel::Holds::Names, nullptr);
        names.setLists(lists);
        QCOMPARE(names.rowCount(), 1);
        const QModelIndex row = names.index(0, 0);
        const QString shown = row.data().toString();
        QCOMPARE(shown.size(), scan::DatabaseListModel::kShownBytes + 1);
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QCOMPARE(row.data(scan::DatabaseListModel::BytesRole).toByteArray().size(), qsizetype(name.size()));
    }

    void switchedBytesAreWhatTheListSwitchWrites_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("full mode, records") << QByteArray("100000;*.*;Limits dan ekstensi \r\nWorm.A;1A2B\r\n");
        QTest::newRow("settings line without line break") << QByteArray("100000;*.*;Limits dan ekstensi ");
        QTest::newRow("last record without CR LF") << QByteArray("50000;*.exe;x\r\nWorm.A;1A2B");
        QTest::newRow("blank lines kept") << QByteArray("50000;*.exe;x\r\n\r\nWorm.A;1A2B\r\n\r\n");
        QTest::newRow("first line is a record") << QByteArray("Worm.A;1A2B\r\nTrojan.B;CBF4\r\n");
        QTest::newRow("first line blank") << QByteArray("\r\n50000;*.exe;x\r\nWorm.A;1A2B\r\n");
        QTest::newRow("lone CRs make one line") << QByteArray("50000;*.exe;x\rWorm.A;1A2B\rTrojan.B;CBF4\r");
    }
    void switchedBytesAreWhatTheListSwitchWrites()
    {
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        platform::LinuxFileSystem files(QFile::encodeName(dir.path()).toStdString());
        const std::string path = files.inApplicationFolder("/database.db");
        for (const bool full : {false, true}) {
            QVERIFY(files.writeWholeFile(path, text.toStdString()));
            detection::SignatureFile list(files, path);
            QVERIFY(list.LoadRecords());
            QVERIFY(full ? list.AllFiles() : list.ExeFiles());
            const std::string line = full ? detection::kFullSettings : detection::kNormalSettings;
            QCOMPARE(QByteArray::fromStdString(detection::SwitchedSettingsText(text.toStdString(), line)),
                     QByteArray::fromStdString(*files.readWholeFile(path)));
        }
    }
};

QTEST_MAIN(TestDatabaseLists)
#include "tst_databaselists.moc"
