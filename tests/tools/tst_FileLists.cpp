// The drive, folder and file lists shared by the tool screens.

#include "ToolsFixture.h"
#include "shell/ByteText.h"
#include "tools/FileLists.h"

#include <QApplication>
#include <QFocusEvent>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace quenno;
using quenno::platform::Attribute::Archive;
using quenno::platform::Attribute::Hidden;
using quenno::platform::Attribute::ReadOnly;
using quenno::platform::Attribute::System;

namespace {

QStringList names(const QListWidget& list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.item(i)->text();
    return out;
}

}  // namespace

class TestFileLists : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_previousCurrent;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        m_previousCurrent = QDir::currentPath();
        test::ToolsPlatform fixture(m_dir.path());
        // One folder with a file of every kind the lists must sort out.
        const QString f = m_dir.filePath("files/");
        for (const char* name : {"b.txt", "A.txt", "normal", "archived", "readonly.txt", "hidden.txt", "system.sys",
                                 ".profile", "both.dat"})
            QVERIFY(test::writeFile(f + name, "x"));
        QVERIFY(QDir().mkpath(f + "sub"));
        QVERIFY(QFile::link(f + "b.txt", f + "link.txt"));
        QCOMPARE(::mkfifo(test::bytes(f + "fifo").c_str(), 0600), 0);
        auto& fs = fixture.files;
        QVERIFY(fs.setAttributes(test::bytes(f + "archived"), Archive));
        QVERIFY(fs.setAttributes(test::bytes(f + "readonly.txt"), ReadOnly));
        QVERIFY(fs.setAttributes(test::bytes(f + "hidden.txt"), Hidden));
        QVERIFY(fs.setAttributes(test::bytes(f + "system.sys"), System));
        QVERIFY(fs.setAttributes(test::bytes(f + "both.dat"), Hidden | System));
        // A small tree for the folder list.
        QVERIFY(QDir().mkpath(m_dir.filePath("tree/one/deep")));
        QVERIFY(QDir().mkpath(m_dir.filePath("tree/Two")));
        QVERIFY(QDir().mkpath(m_dir.filePath("tree/.hidden")));
        QVERIFY(test::writeFile(m_dir.filePath("tree/file.txt"), "x"));
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousCurrent); }

    void fileListFilters_data()
    {
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("system");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("checksum checker: no hidden or system files")
            << false << false << "*.*" << QStringList{"A.txt", "archived", "b.txt", "normal", "readonly.txt"};
        QTest::newRow("registry screen: every file")
            << true << true << "*.*" << QStringList{".profile",   "A.txt",  "archived",     "b.txt",     "both.dat",
                                                    "hidden.txt", "normal", "readonly.txt", "system.sys"};
        QTest::newRow("hidden but not system")
            << true << false << "*.*"
            << QStringList{".profile", "A.txt", "archived", "b.txt", "hidden.txt", "normal", "readonly.txt"};
        QTest::newRow("pattern") << true << true << "*.TXT"
                                 << QStringList{"A.txt", "b.txt", "hidden.txt", "readonly.txt"};
    }
    void fileListFilters()
    {
        QFETCH(bool, hidden);
        QFETCH(bool, system);
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        test::ToolsPlatform fixture(m_dir.path());
        tools::FileList list(nullptr, "File1", fixture.files, {hidden, system, pattern.toStdString()});
        QVERIFY(list.setPath(test::bytes(m_dir.filePath("files"))));
        QCOMPARE(names(list), expected);
        QCOMPARE(list.fullPath(0), test::bytes(m_dir.filePath("files/") + expected.first()));
    }

    void fileListClickAndRefresh()
    {
        test::ToolsPlatform fixture(m_dir.path());
        const QString folder = m_dir.filePath("refresh");
        QVERIFY(test::writeFile(folder + "/m.txt", "x"));
        QVERIFY(test::writeFile(folder + "/z.txt", "x"));
        tools::FileList list(nullptr, "File1", fixture.files, {});
        QSignalSpy clicks(&list, &tools::FileList::Click);
        list.setPath(test::bytes(folder));
        QCOMPARE(clicks.count(), 0);  // filling the list is no click
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(&list, &in);
        QCOMPARE(clicks.count(), 0);  // nor is the focus frame on the first entry
        list.setCurrentRow(1);
        QCOMPARE(clicks.count(), 1);
        QVERIFY(test::writeFile(folder + "/a.txt", "x"));
        list.refresh();
        QCOMPARE(names(list), (QStringList{"a.txt", "m.txt", "z.txt"}));
        QCOMPARE(list.name(list.listIndex()), std::string("z.txt"));  // the selection follows its name
        QCOMPARE(clicks.count(), 1);

        // A folder that cannot be listed leaves no names of another folder behind.
        QVERIFY(!list.setPath(test::bytes(m_dir.filePath("missing"))));
        QCOMPARE(list.count(), 0);
    }

    void dirListShowsAncestorsAndSubfolders()
    {
        test::ToolsPlatform fixture(m_dir.path());
        tools::DirList list(nullptr, "Dir1", fixture.files, false);
        QSignalSpy changes(&list, &tools::DirList::Change);
        const std::string tree = test::bytes(m_dir.filePath("tree"));
        QVERIFY(list.setPath(tree + "/"));
        QCOMPARE(list.path(), tree);
        QStringList expected{"/"};
        expected += m_dir.filePath("tree").split('/', Qt::SkipEmptyParts);
        expected << "one"
                 << "Two";  // subfolders only: no files, no hidden folder
        QCOMPARE(names(list), expected);
        QCOMPARE(list.currentRow(), expected.size() - 3);  // the current folder is selected
        QCOMPARE(list.folderAt(0), std::string("/"));

        QVERIFY(list.open(list.count() - 2));  // "one"
        QCOMPARE(list.path(), tree + "/one");
        QCOMPARE(list.item(list.count() - 1)->text(), QString("deep"));
        QCOMPARE(changes.count(), 1);

        QVERIFY(list.open(0));
        QCOMPARE(list.path(), std::string("/"));
        QCOMPARE(changes.count(), 2);

        // A folder that cannot be listed: the list stays, no change.
        QVERIFY(list.setPath(tree));
        const QStringList before = names(list);
        QVERIFY(!list.setPath(tree + "/none"));
        QCOMPARE(names(list), before);
        QCOMPARE(list.path(), tree);

        tools::DirList all(nullptr, "Dir1", fixture.files, true);
        QVERIFY(all.setPath(tree));
        QVERIFY(names(all).contains(".hidden"));
    }

    // The lists start on the process's current folder; its drive is the one shown.
    void startOnCurrentFolderAndDrive()
    {
        test::ToolsPlatform fixture(m_dir.path());
        QVERIFY(QDir::setCurrent(m_dir.filePath("files")));
        const std::string folder = test::bytes(m_dir.filePath("files"));
        const std::string drive = test::bytes(m_dir.path()) + "/";
        tools::DriveList drives(nullptr, "Drive1", {{"/", "/"}, {drive, "temp"}, {drive + "files/sub/", "sub"}});
        tools::DirList dirs(nullptr, "Dir1", fixture.files, false);
        tools::FileList files(nullptr, "File1", fixture.files, {});
        QCOMPARE(drives.drive(), drive);
        QCOMPARE(drives.currentFolder(), folder);
        QCOMPARE(dirs.path(), folder);
        QCOMPARE(files.path(), folder);
        QVERIFY(files.count() > 0);

        // Each drive keeps its own current folder.
        QSignalSpy changes(&drives, &tools::DriveList::Change);
        drives.setCurrentIndex(0);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(drives.currentFolder(), std::string("/"));
        drives.noteFolder("/usr");
        drives.setCurrentIndex(1);
        QCOMPARE(drives.currentFolder(), folder);
        drives.setCurrentIndex(0);
        QCOMPARE(drives.currentFolder(), std::string("/usr"));
        QVERIFY(QDir::setCurrent(m_previousCurrent));
    }

    // The drives are the platform's volumes in its order, each shown by root and label.
    void drivesAreThePlatformsVolumes()
    {
        test::FixedVolumes volumes;
        volumes.volumes = {{"/", ""}, {"/media/usb stick/", "Holiday \xC3\xA9t\xC3\xA9"}, {"/mnt/\xFF/", ""}};
        const auto drives = tools::DriveList::mountedVolumes(&volumes);
        QCOMPARE(drives.size(), std::size_t(3));
        QCOMPARE(drives[0].root, std::string("/"));
        QCOMPARE(drives[0].label, QString("/"));
        QCOMPARE(drives[1].root, std::string("/media/usb stick/"));
        QCOMPARE(drives[1].label, QString::fromUtf8("/media/usb stick/ [Holiday \xC3\xA9t\xC3\xA9]"));
        QCOMPARE(drives[2].root, std::string("/mnt/\xFF/"));  // the bytes, not what is shown
        QCOMPARE(drives[2].label, shell::TextOfBytes("/mnt/\xFF/"));
        QVERIFY(tools::DriveList::mountedVolumes(nullptr).empty());

        tools::DriveList list(nullptr, "Drive1", drives);
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.itemText(1), drives[1].label);
    }

    void joinPathKeepsOneSeparator_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("joined");
        QTest::newRow("root") << "/"
                              << "/name";
        QTest::newRow("folder") << "/a/b"
                                << "/a/b/name";
        QTest::newRow("folder with separator") << "/a/b/"
                                               << "/a/b/name";
    }
    void joinPathKeepsOneSeparator()
    {
        QFETCH(QString, folder);
        QFETCH(QString, joined);
        QCOMPARE(QString::fromStdString(tools::joinPath(folder.toStdString(), "name", '/')), joined);
    }
};

QTEST_MAIN(TestFileLists)
#include "tst_FileLists.moc"
