// The Linux file system facility on real files in a temporary folder.

#include "platform/FileSystem.h"
#include "platform/linux/LinuxDosAttrib.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxFsDetail.h"
#include "tests/support/ScopedEnv.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace quenno::platform;
using quenno::test::ScopedEnv;
namespace A = quenno::platform::Attribute;

namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

void writeFile(const std::string& path, const std::string& content)
{
    QFile f(QString::fromStdString(path));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content.data(), static_cast<qint64>(content.size())), static_cast<qint64>(content.size()));
}

std::string readFile(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll().toStdString();
}

std::string rawDosAttrib(const std::string& path)
{
    char buf[512];
    const ssize_t n = ::lgetxattr(path.c_str(), "user.DOSATTRIB", buf, sizeof buf);
    return n < 0 ? std::string() : std::string(buf, static_cast<std::size_t>(n));
}

bool setDosAttrib(const std::string& path, const std::string& value)
{
    return ::lsetxattr(path.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0) == 0;
}

// Version 4 record: empty text, version 4, flags attrib|create, attributes, itime, create time.
std::string version4(std::uint32_t attributes, std::uint64_t createTime)
{
    std::string s = bytes({0, 0, 4, 0, 4, 0, 0, 0, 0x11, 0, 0, 0});
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>(attributes >> (8 * i)));
    s.append(8, '\0');
    for (int i = 0; i < 8; ++i)
        s.push_back(static_cast<char>(createTime >> (8 * i)));
    return s;
}

// A file-size limit makes every write past 4 KiB fail, as on a full disk, also for root.
class SmallFileSizeLimit {
public:
    SmallFileSizeLimit()
    {
        struct sigaction ignore { };
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &m_previous);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit small = m_old;
        small.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~SmallFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        ::sigaction(SIGXFSZ, &m_previous, nullptr);
    }
    SmallFileSizeLimit(const SmallFileSizeLimit&) = delete;
    SmallFileSizeLimit& operator=(const SmallFileSizeLimit&) = delete;

private:
    struct sigaction m_previous { };
    rlimit m_old{};
};

// What a rewrite must keep: owner, group, mode and every extended attribute (ACLs are
// stored as "system.posix_acl_*"). The stored DOS record may gain a creation time.
struct Kept {
    uid_t uid = 0;
    gid_t gid = 0;
    mode_t mode = 0;
    std::map<std::string, std::string> attributes;
    bool operator==(const Kept&) const = default;
};

Kept keptOf(const std::string& path)
{
    Kept kept;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return kept;
    kept.uid = st.st_uid;
    kept.gid = st.st_gid;
    kept.mode = st.st_mode & 07777;
    char names[4096];
    const ssize_t n = ::llistxattr(path.c_str(), names, sizeof names);
    for (ssize_t at = 0; at < n;) {
        const std::string name(names + at);
        at += static_cast<ssize_t>(name.size()) + 1;
        char value[4096];
        const ssize_t size = ::lgetxattr(path.c_str(), name.c_str(), value, sizeof value);
        if (name != "user.DOSATTRIB" && size >= 0)
            kept.attributes[name] = std::string(value, static_cast<std::size_t>(size));
    }
    return kept;
}

char* toString(const Kept& kept)
{
    QByteArray text = QByteArray("uid ") + QByteArray::number(kept.uid) + " gid " + QByteArray::number(kept.gid)
        + " mode " + QByteArray::number(kept.mode, 8);
    for (const auto& [name, value] : kept.attributes)
        text += " " + QByteArray::fromStdString(name) + "=" + QByteArray::fromStdString(value).toHex();
    return qstrdup(text.constData());
}

bool setfacl(const QStringList& arguments)
{
    if (QStandardPaths::findExecutable("setfacl").isEmpty())
        return false;
    return QProcess::execute("setfacl", arguments) == 0;
}

mode_t modeOf(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

std::vector<std::string> namesIn(const FileSystem& fs, const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs.listFolder(folder).value_or(std::vector<DirEntry>{}))
        names.push_back(e.name);
    return names;
}

}  // namespace

class TestFileSystem : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    std::string m_dir;
    LinuxFileSystem m_fs;

    std::string path(const std::string& name) const { return m_dir + "/" + name; }
    void requireXattrs()
    {
        const std::string probe = path("xattr-probe");
        writeFile(probe, "x");
        const bool ok = setDosAttrib(probe, "0x0");
        ::unlink(probe.c_str());
        if (!ok)
            QSKIP("this file system refuses user extended attributes");
    }

private slots:
    void init()
    {
        QVERIFY(m_tmp.isValid());
        const std::string base = m_tmp.path().toStdString() + "/" + QTest::currentTestFunction();
        const std::string tag = QTest::currentDataTag() ? QTest::currentDataTag() : "";
        m_dir = base + (tag.empty() ? "" : "-" + std::to_string(std::hash<std::string>{}(tag)));
        QVERIFY(::mkdir(m_dir.c_str(), 0777) == 0);
    }

    void listsEveryKindInNameOrder()
    {
        writeFile(path("b.txt"), "12345");
        writeFile(path("a.exe"), "1");
        writeFile(path("A.exe"), "22");
        writeFile(path(".profile"), "");
        QVERIFY(::mkdir(path("Sub").c_str(), 0777) == 0);
        QVERIFY(::symlink("loop", path("loop").c_str()) == 0);
        QVERIFY(::symlink("b.txt", path("link-to-file").c_str()) == 0);
        QVERIFY(::mkfifo(path("pipe").c_str(), 0666) == 0);

        const auto list = m_fs.listFolder(m_dir);
        QVERIFY(list);
        struct Expected {
            const char* name;
            EntryKind kind;
            std::uint64_t length;
            std::uint32_t attributes;
        };
        const Expected expected[] = {
            {".profile", EntryKind::File, 0, A::Hidden},
            {"A.exe", EntryKind::File, 2, 0},
            {"a.exe", EntryKind::File, 1, 0},
            {"b.txt", EntryKind::File, 5, 0},
            {"link-to-file", EntryKind::Other, 0, 0},
            {"loop", EntryKind::Other, 0, 0},
            {"pipe", EntryKind::Other, 0, 0},
            {"Sub", EntryKind::Folder, 0, A::Directory},
        };
        QCOMPARE(list->size(), std::size(expected));
        for (std::size_t i = 0; i < list->size(); ++i) {
            const DirEntry& e = (*list)[i];
            QCOMPARE(e.name, std::string(expected[i].name));
            QCOMPARE(e.kind, expected[i].kind);
            QCOMPARE(e.length, expected[i].length);
            QCOMPARE(e.attributes, expected[i].attributes);
        }
    }

    // The walk's listing agrees with the full one on names, order and kinds; folders keep
    // their attributes (a System folder is never entered), and files open by bare name only.
    void openFolderServesAWalk()
    {
        writeFile(path("b.txt"), "12345");
        writeFile(path(".hidden.exe"), "1");
        QVERIFY(::mkdir(path("Sub").c_str(), 0777) == 0);
        writeFile(path("Sub/inner"), "in sub");
        QVERIFY(::symlink("b.txt", path("link").c_str()) == 0);
        QVERIFY(::mkfifo(path("pipe").c_str(), 0666) == 0);
        const bool xattrs = setDosAttrib(path("Sub"), "0x14");

        const auto opened = m_fs.openFolder(m_dir);
        QVERIFY(opened);
        const auto walk = opened->listForWalk();
        const auto full = m_fs.listFolder(m_dir);
        QVERIFY(walk && full);
        QCOMPARE(walk->size(), full->size());
        for (std::size_t i = 0; i < walk->size(); ++i) {
            QCOMPARE((*walk)[i].name, (*full)[i].name);
            QCOMPARE((*walk)[i].kind, (*full)[i].kind);
            if ((*walk)[i].kind == EntryKind::Folder)
                QCOMPARE((*walk)[i].attributes, (*full)[i].attributes);
        }
        if (xattrs)
            QCOMPARE(walk->back().attributes, uint(A::System | A::Directory));
        QCOMPARE(opened->listForWalk()->size(), walk->size());  // listing again starts over

        auto reader = opened->openRead("b.txt");
        QVERIFY(reader);
        QCOMPARE(reader->length(), std::uint64_t{5});
        for (const char* refused : {"link", "pipe", "Sub", "Sub/inner", "../b.txt", "", "missing"})
            QVERIFY2(!opened->openRead(refused), refused);

        QVERIFY(!m_fs.openFolder(path("b.txt")));
        QVERIFY(!m_fs.openFolder(path("missing")));
        QVERIFY(!m_fs.openFolder(""));
    }

    void listingFailsForWhatIsNoFolder()
    {
        writeFile(path("file"), "x");
        QVERIFY(!m_fs.listFolder(path("missing")));
        QVERIFY(!m_fs.listFolder(path("file")));
        QVERIFY(!m_fs.listFolder(""));
        QVERIFY(m_fs.listFolder(m_dir + "/"));
    }

    void readsStoredAttributes_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<uint>("expected");
        QTest::newRow("text hidden archive") << QByteArray("0x22") << uint(A::Hidden | A::Archive);
        QTest::newRow("text with NUL") << QByteArray("0x4\0", 4) << uint(A::System);
        QTest::newRow("text upper-case digits")
            << QByteArray("0x2F") << uint(A::Hidden | A::System | A::Archive | A::ReadOnly);
        QTest::newRow("version 5 record") << QByteArray::fromStdString(
            bytes({0, 0, 5, 0, 5, 0, 0, 0, 0x11, 0, 0, 0, 0x06, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 1}))
                                          << uint(A::Hidden | A::System);
        QTest::newRow("version 4 record")
            << QByteArray::fromStdString(version4(0x21, 1)) << uint(A::ReadOnly | A::Archive);
        {
            // Version 3 keeps the hex text too; the record's own field counts.
            std::string v3
                = std::string("0x20\0", 5) + bytes({0, 3, 0, 3, 0, 0, 0}) + bytes({0x11, 0, 0, 0, 0x04, 0, 0, 0});
            v3.append(36, '\0');
            QTest::newRow("version 3 record") << QByteArray::fromStdString(v3) << uint(A::System);
        }
        QTest::newRow("normal bit only") << QByteArray("0x80") << uint(0);
        QTest::newRow("not hex") << QByteArray("hidden") << uint(0);
        QTest::newRow("truncated record")
            << QByteArray::fromStdString(bytes({0, 0, 5, 0, 5, 0, 0, 0, 0x11})) << uint(0);
    }
    void readsStoredAttributes()
    {
        QFETCH(QByteArray, stored);
        QFETCH(uint, expected);
        requireXattrs();
        const std::string file = path("f.exe");
        writeFile(file, "x");
        QVERIFY(setDosAttrib(file, stored.toStdString()));
        QCOMPARE(m_fs.entry(file)->attributes, expected);
        const auto list = m_fs.listFolder(m_dir);
        QCOMPARE(list->at(0).attributes, expected);
    }

    void recordParserStaysInsideTheBytes()
    {
        // Every cut of every record version, each in a buffer of its exact size, so that a
        // read past the end shows under the address sanitizer. A cut record is either
        // refused or read whole.
        std::vector<std::pair<std::string, std::uint32_t>> records;
        for (int version = 1; version <= 5; ++version) {
            std::string r = bytes({0, 0, version, 0, version, 0, 0, 0, 0x11, 0, 0, 0, 0x02, 0, 0, 0});
            r.append(40, '\x7f');
            records.emplace_back(r, version == 1 ? 0x11 : 0x02);  // version 1 has no flags field
        }
        records.emplace_back(std::string("0x20\0", 5) + bytes({0, 3, 0, 3, 0, 0, 0, 0x11, 0, 0, 0, 0x04, 0, 0, 0})
                                 + std::string(36, '\x11'),
                             0x04);
        for (const auto& [record, attributes] : records) {
            for (std::size_t cut = 0; cut <= record.size(); ++cut) {
                std::vector<std::uint8_t> exact(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(cut));
                const auto parsed = quenno::platform::linux_fs::parseDosAttrib(exact);
                if (parsed && record[0] == 0)
                    QCOMPARE(parsed->attributes, attributes);
                if (parsed && record[0] == '0' && cut >= 4)
                    QVERIFY(parsed->attributes == attributes || parsed->attributes == 0x20);  // hex text
            }
        }
    }

    void systemFolderIsMarked()
    {
        requireXattrs();
        QVERIFY(::mkdir(path("Sys").c_str(), 0777) == 0);
        QVERIFY(setDosAttrib(path("Sys"), "0x14"));
        QCOMPARE(m_fs.listFolder(m_dir)->at(0).attributes, uint(A::System | A::Directory));
    }

    void writtenRecordKeepsCreateTime()
    {
        requireXattrs();
        const std::string file = path("kept.exe");
        writeFile(file, "x");
        const std::uint64_t created = 0x01D0'1234'5678'9ABCULL;
        QVERIFY(setDosAttrib(file, version4(A::Hidden | A::System, created)));

        QVERIFY(m_fs.setAttributes(file, A::Archive));
        QCOMPARE(m_fs.entry(file)->attributes, uint(A::Archive));
        const std::string raw = rawDosAttrib(file);
        QCOMPARE(raw.substr(0, 8), bytes({0, 0, 5, 0, 5, 0, 0, 0}));
        const auto record = quenno::platform::linux_fs::parseDosAttrib(
            std::span(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()));
        QVERIFY(record);
        QCOMPARE(record->attributes, uint(A::Archive));
        QCOMPARE(record->createTime.value_or(0), created);

        QVERIFY(m_fs.setAttributes(file, A::Normal));
        QCOMPARE(m_fs.entry(file)->attributes, uint(0));
        QCOMPARE(rawDosAttrib(file).size(), std::size_t(24));
    }

    void normalClearsEverything_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<uint>("expected");
        QTest::newRow("plain name") << QByteArray("virus.exe") << uint(0);
        QTest::newRow("dot name stays hidden") << QByteArray(".virus.exe") << uint(A::Hidden);
    }
    void normalClearsEverything()
    {
        QFETCH(QByteArray, name);
        QFETCH(uint, expected);
        requireXattrs();
        const std::string file = path(name.toStdString());
        writeFile(file, "x");
        QVERIFY(setDosAttrib(file, "0x27"));
        QVERIFY(::chmod(file.c_str(), 0444) == 0);
        QCOMPARE(m_fs.entry(file)->attributes, uint(A::ReadOnly | A::Hidden | A::System | A::Archive));

        QVERIFY(m_fs.setAttributes(file, A::Normal));
        QCOMPARE(m_fs.entry(file)->attributes, expected);
        struct stat st;
        QVERIFY(::stat(file.c_str(), &st) == 0);
        QVERIFY(st.st_mode & S_IWUSR);
    }

    void readOnlyFollowsOwnerWritePermission()
    {
        const std::string file = path("ro.txt");
        writeFile(file, "x");
        QVERIFY(::chmod(file.c_str(), 0466) == 0);  // others may write, the owner may not
        QCOMPARE(m_fs.entry(file)->attributes, uint(A::ReadOnly));

        QVERIFY(::chmod(file.c_str(), 0644) == 0);
        QVERIFY(m_fs.setAttributes(file, A::ReadOnly));
        struct stat st;
        QVERIFY(::stat(file.c_str(), &st) == 0);
        QCOMPARE(st.st_mode & 0777, mode_t{0444});
        QCOMPARE(m_fs.entry(file)->attributes & A::ReadOnly, uint(A::ReadOnly));

        QVERIFY(m_fs.setAttributes(file, A::Normal));
        QCOMPARE(m_fs.entry(file)->attributes, uint(0));
    }

    void setAttributesRefusesWhatIsNoFileOrFolder()
    {
        QVERIFY(::symlink("target", path("link").c_str()) == 0);
        QVERIFY(!m_fs.setAttributes(path("link"), A::Normal));
        QVERIFY(!m_fs.setAttributes(path("missing"), A::Normal));
    }

    void wildcard_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("extension without case") << "*.exe"
                                                << "A.EXE" << true;
        QTest::newRow("other extension") << "*.exe"
                                         << "a.com" << false;
        QTest::newRow("extension must end the name") << "*.exe"
                                                     << "a.exe.txt" << false;
        QTest::newRow("star dot star, no dot") << "*.*"
                                               << "noext" << true;
        QTest::newRow("star dot star, dots") << "*.*"
                                             << "a.b.c" << true;
        QTest::newRow("star") << "*"
                              << ".hidden" << true;
        QTest::newRow("question mark one character") << "?.exe"
                                                     << "a.exe" << true;
        QTest::newRow("question mark not zero characters") << "?.exe"
                                                           << ".exe" << false;
        QTest::newRow("question mark not two characters") << "?.exe"
                                                          << "ab.exe" << false;
        QTest::newRow("star backtracks") << "*a*b"
                                         << "xxaxxbxxb" << true;
        QTest::newRow("literal name") << "database.db"
                                      << "DataBase.DB" << true;
        QTest::newRow("name dot star takes bare name") << "readme.*"
                                                       << "README" << true;
        QTest::newRow("empty pattern") << ""
                                       << "a" << false;
    }
    void wildcard()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(wildcardMatch(pattern.toStdString(), name.toStdString()), matches);
    }

    void writeWholeFileReplacesContent()
    {
        const std::string file = path("database.db");
        QVERIFY(m_fs.writeWholeFile(file, "first"));
        QVERIFY(::chmod(file.c_str(), 0640) == 0);
        QVERIFY(m_fs.writeWholeFile(file, std::string("second\0line", 11)));
        QCOMPARE(readFile(file), std::string("second\0line", 11));
        struct stat st;
        QVERIFY(::stat(file.c_str(), &st) == 0);
        QCOMPARE(st.st_mode & 0777, mode_t{0640});
        QCOMPARE(namesIn(m_fs, m_dir), std::vector<std::string>{"database.db"});
    }

    void writeWholeFileFailureLeavesOldContent()
    {
        const std::string file = path("database.db");
        writeFile(file, "old content");
        bool written = true;
        {
            const SmallFileSizeLimit limit;
            written = m_fs.writeWholeFile(file, std::string(100000, 'x'));
        }

        QVERIFY(!written);
        QCOMPARE(readFile(file), std::string("old content"));
        QCOMPARE(namesIn(m_fs, m_dir), std::vector<std::string>{"database.db"});
    }

    void writeWholeFileInReadOnlyFolder()
    {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        const std::string file = path("database.db");
        writeFile(file, "old");
        QVERIFY(::chmod(m_dir.c_str(), 0555) == 0);
        const bool written = m_fs.writeWholeFile(file, "new");
        ::chmod(m_dir.c_str(), 0777);
        QVERIFY(!written);
        QCOMPARE(readFile(file), std::string("old"));
    }

    void writeWholeFileRespectsReadOnly()
    {
        const std::string file = path("locked.db");
        writeFile(file, "old");
        QVERIFY(::chmod(file.c_str(), 0444) == 0);
        QVERIFY(!m_fs.writeWholeFile(file, "new"));
        QCOMPARE(readFile(file), std::string("old"));
        QVERIFY(::symlink("locked.db", path("link.db").c_str()) == 0);
        QVERIFY(!m_fs.writeWholeFile(path("link.db"), "new"));
    }

    // The rewritten file is the one it replaces in all but content.
    void rewriteKeepsWhatTheFileHad_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::newRow("mode 0604") << "mode";
        QTest::newRow("set-group-id mode 02660") << "setgid";
        QTest::newRow("owner and group of another user") << "owner";
        QTest::newRow("extended attribute of the user") << "xattr";
        QTest::newRow("access ACL") << "acl";
        QTest::newRow("no ACL, although the folder gives new files one") << "default-acl";
        QTest::newRow("another user's file with an ACL, set-group-id") << "all";
    }
    void rewriteKeepsWhatTheFileHad()
    {
        QFETCH(QString, setup);
        const std::string file = path("database.db");
        writeFile(file, "old\r\n");
        const bool root = ::geteuid() == 0;
        if ((setup == "owner" || setup == "all") && !root)
            QSKIP("only root gives a file to another user");
        if (setup == "xattr") {
            requireXattrs();
            QVERIFY(::lsetxattr(file.c_str(), "user.origin", "editor", 6, 0) == 0);
        }
        if (setup == "mode")
            QVERIFY(::chmod(file.c_str(), 0604) == 0);
        if (setup == "setgid" || setup == "all")
            QVERIFY(::chmod(file.c_str(), 02660) == 0);
        if (setup == "owner" || setup == "all")
            QVERIFY(::lchown(file.c_str(), 4242, 4343) == 0);
        if (setup == "acl" || setup == "all") {
            if (!setfacl({"-m", "u:4242:r--,g:4343:rw-,m::rw-", QString::fromStdString(file)}))
                QSKIP("no ACLs here (setfacl missing or refused)");
        }
        if (setup == "default-acl") {
            if (!setfacl({"-d", "-m", "u:4242:rwx", QString::fromStdString(m_dir)}))
                QSKIP("no ACLs here (setfacl missing or refused)");
        }
        if (setup == "all")
            QVERIFY(::chmod(file.c_str(), 02660) == 0);  // the ACL's mask is the group bits
        const Kept before = keptOf(file);
        if (setup.contains("acl") || setup == "all")
            QVERIFY(before.attributes.count("system.posix_acl_access") == (setup != "default-acl"));

        const WriteResult result = m_fs.rewriteWholeFile(file, "new\n", {});
        QVERIFY2(result.ok(), DescribeWriteFailure(result).c_str());
        QCOMPARE(readFile(file), std::string("new\n"));
        QCOMPARE(keptOf(file), before);
        QCOMPARE(namesIn(m_fs, m_dir), std::vector<std::string>{"database.db"});
    }

    // A user who may write in the folder but cannot give the new file the old one's owner
    // leaves the file as it is, rather than taking it over.
    void rewriteOfAnotherUsersFileLeavesIt()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to play a second user");
        const std::string file = path("database.db");
        writeFile(file, "root's\n");
        QVERIFY(::chmod(file.c_str(), 0666) == 0);
        QVERIFY(::chmod(m_dir.c_str(), 0777) == 0);
        const QString top = m_tmp.path();
        QVERIFY(::chmod(QFile::encodeName(top).constData(), 0711) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(4343) != 0 || ::setuid(4242) != 0)
                ::_exit(90);
            LinuxFileSystem fs;
            const WriteResult result = fs.rewriteWholeFile(file, "theirs\n", {});
            ::_exit(static_cast<int>(result.failure));
        }
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        ::chmod(QFile::encodeName(top).constData(), 0700);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), int(WriteFailure::NotKept));
        QCOMPARE(readFile(file), std::string("root's\n"));
        QCOMPARE(keptOf(file).uid, uid_t{0});
        QCOMPARE(namesIn(m_fs, m_dir), std::vector<std::string>{"database.db"});
    }

    // A link named like the file is kept; the file it leads to is rewritten beside itself.
    void rewriteThroughLink_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("link beside its file") << "beside";
        QTest::newRow("relative link into another folder") << "other";
        QTest::newRow("absolute link") << "absolute";
        QTest::newRow("link to a link in another folder") << "chain";
    }
    void rewriteThroughLink()
    {
        QFETCH(QString, layout);
        QVERIFY(::mkdir(path("app").c_str(), 0777) == 0);
        QVERIFY(::mkdir(path("mine").c_str(), 0777) == 0);
        const std::string link = path("app/database.db");
        std::map<std::string, std::string> links;  // link -> its text
        std::string real = path("mine/list.db");
        if (layout == "beside") {
            real = path("app/list.db");
            links[link] = "list.db";
        } else if (layout == "other") {
            links[link] = "../mine/list.db";
        } else if (layout == "absolute") {
            links[link] = real;
        } else {
            links[link] = "../mine/middle.db";
            links[path("mine/middle.db")] = "list.db";
        }
        writeFile(real, "old\n");
        QVERIFY(::chmod(real.c_str(), 0640) == 0);
        for (const auto& [name, text] : links)
            QVERIFY(::symlink(text.c_str(), name.c_str()) == 0);
        struct stat followed, expected;
        QVERIFY(::lstat(m_fs.followLinks(link).c_str(), &followed) == 0 && ::lstat(real.c_str(), &expected) == 0);
        QCOMPARE(followed.st_ino, expected.st_ino);  // the path may read "app/../mine/list.db"

        QCOMPARE(m_fs.rewriteWholeFile(link, "new\n", {}).failure, WriteFailure::NotAFile);  // not asked to follow
        RewriteOptions through;
        through.throughLink = true;
        const WriteResult result = m_fs.rewriteWholeFile(link, "new\n", through);
        QVERIFY2(result.ok(), DescribeWriteFailure(result).c_str());
        QCOMPARE(readFile(real), std::string("new\n"));
        QCOMPARE(keptOf(real).mode, mode_t{0640});
        for (const auto& [name, text] : links) {
            char buffer[4096];
            const ssize_t n = ::readlink(name.c_str(), buffer, sizeof buffer);
            QCOMPARE(std::string(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0))), text);
        }
        std::size_t entries = 0;
        for (const char* folder : {"app", "mine"})
            entries += namesIn(m_fs, path(folder)).size();
        QCOMPARE(entries, links.size() + 1);  // nothing left beside
    }

    void rewriteRefusesALinkLoop()
    {
        QVERIFY(::symlink("b.db", path("a.db").c_str()) == 0);
        QVERIFY(::symlink("a.db", path("b.db").c_str()) == 0);
        QCOMPARE(m_fs.followLinks(path("a.db")), path("a.db"));
        RewriteOptions through;
        through.throughLink = true;
        QCOMPARE(m_fs.rewriteWholeFile(path("a.db"), "new", through).failure, WriteFailure::NotAFile);
        QCOMPARE(namesIn(m_fs, m_dir), (std::vector<std::string>{"a.db", "b.db"}));
    }

    // Another program saves the file between our read and our rename: its save stays.
    void rewriteLeavesAFileChangedMeanwhile_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QByteArray>("after");  // "" when the file is gone
        QTest::newRow("unchanged") << "" << true << QByteArray("new\n");
        QTest::newRow("changed before the call") << "stale" << false << QByteArray("edited\n");
        QTest::newRow("saved in place") << "in-place" << false << QByteArray("edited\n");
        QTest::newRow("saved in place, same length") << "same-length" << false << QByteArray("olD\n");
        QTest::newRow("saved beside and renamed") << "renamed" << false << QByteArray("edited\n");
        QTest::newRow("saved with the same bytes") << "same" << true << QByteArray("new\n");
        QTest::newRow("mode changed") << "mode" << false << QByteArray("old\n");
        QTest::newRow("removed") << "removed" << false << QByteArray();
    }
    void rewriteLeavesAFileChangedMeanwhile()
    {
        QFETCH(QString, change);
        QFETCH(bool, written);
        QFETCH(QByteArray, after);
        const std::string file = path("database.db");
        writeFile(file, change == "stale" ? "edited\n" : "old\n");
        LinuxFileSystem fs;
        int hooks = 0;
        fs.setBeforeReplace([&](const std::string& target) {
            ++hooks;
            QCOMPARE(target, file);
            if (change == "in-place")
                writeFile(file, "edited\n");
            if (change == "same-length")
                writeFile(file, "olD\n");
            if (change == "renamed" || change == "same") {
                writeFile(path("saved"), change == "same" ? "old\n" : "edited\n");
                QVERIFY(::rename(path("saved").c_str(), file.c_str()) == 0);
            }
            if (change == "mode")
                QVERIFY(::chmod(file.c_str(), 0600) == 0);
            if (change == "removed")
                QVERIFY(::unlink(file.c_str()) == 0);
        });
        // In pieces, as a caller that changed one line gives them (an empty one among them).
        const ExpectedBytes expected{{"o", "", "ld\n"}};
        RewriteOptions options;
        options.expected = &expected;
        const WriteResult result = fs.rewriteWholeFile(file, "new\n", options);
        QCOMPARE(result.ok(), written);
        QCOMPARE(hooks, 1);
        if (!written)
            QCOMPARE(result.failure, WriteFailure::Changed);
        QCOMPARE(readFile(file), after.isEmpty() ? std::string("<missing>") : after.toStdString());
        QCOMPARE(namesIn(fs, m_dir),
                 after.isEmpty() ? std::vector<std::string>{} : std::vector<std::string>{"database.db"});
    }

    // The reason for a failed rewrite, for the user; the file as it was.
    void rewriteSaysWhy_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("failure");
        QTest::newRow("read-only file") << "read-only" << int(WriteFailure::ReadOnly);
        QTest::newRow("folder cannot be written") << "folder" << int(WriteFailure::NoPermission);
        QTest::newRow("a folder by that name") << "is-folder" << int(WriteFailure::NotAFile);
        QTest::newRow("file size limit reached") << "size" << int(WriteFailure::NoSpace);
        QTest::newRow("folder missing") << "no-folder" << int(WriteFailure::Other);
    }
    void rewriteSaysWhy()
    {
        QFETCH(QString, fault);
        QFETCH(int, failure);
        std::string file = path("database.db");
        if (fault == "is-folder")
            QVERIFY(::mkdir(file.c_str(), 0777) == 0);
        else
            writeFile(file, "old");
        if (fault == "read-only")
            QVERIFY(::chmod(file.c_str(), 0444) == 0);
        if (fault == "folder") {
            if (::geteuid() == 0)
                QSKIP("root writes into read-only folders");
            QVERIFY(::chmod(m_dir.c_str(), 0555) == 0);
        }
        if (fault == "no-folder")
            file = path("missing/database.db");
        WriteResult result;
        {
            const std::optional<SmallFileSizeLimit> limit
                = fault == "size" ? std::optional<SmallFileSizeLimit>(std::in_place) : std::nullopt;
            result = m_fs.rewriteWholeFile(file, std::string(100000, 'x'), {});
        }
        ::chmod(m_dir.c_str(), 0777);
        QCOMPARE(int(result.failure), failure);
        QVERIFY(!DescribeWriteFailure(result).empty());
        if (fault != "is-folder" && fault != "no-folder")
            QCOMPARE(readFile(file), std::string("old"));
        QCOMPARE(namesIn(m_fs, m_dir).size(), std::size_t{1});
    }

    void copyFile_data()
    {
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<bool>("copied");
        QTest::newRow("new target") << false << false << true;
        QTest::newRow("existing target kept") << true << false << false;
        QTest::newRow("existing target replaced") << true << true << true;
        QTest::newRow("new target, overwrite allowed") << false << true << true;
    }
    void copyFile()
    {
        QFETCH(bool, targetExists);
        QFETCH(bool, overwrite);
        QFETCH(bool, copied);
        const std::string from = path("virus.exe");
        const std::string to = path("q.mal");
        writeFile(from, std::string("MZ\0\1payload", 11));
        if (targetExists)
            writeFile(to, "keep me");
        QCOMPARE(m_fs.copyFile(from, to, overwrite), copied);
        QCOMPARE(readFile(to), copied ? std::string("MZ\0\1payload", 11) : std::string("keep me"));
        QCOMPARE(readFile(from), std::string("MZ\0\1payload", 11));
        QCOMPARE(namesIn(m_fs, m_dir), (std::vector<std::string>{"q.mal", "virus.exe"}));
    }

    void copyFileRefusesWhatIsNoFile()
    {
        QVERIFY(::mkfifo(path("pipe").c_str(), 0666) == 0);
        QVERIFY(::symlink("pipe", path("link").c_str()) == 0);
        QVERIFY(!m_fs.copyFile(path("pipe"), path("a"), false));
        QVERIFY(!m_fs.copyFile(path("link"), path("b"), false));
        QVERIFY(!m_fs.copyFile(path("missing"), path("c"), true));
        writeFile(path("f"), "x");
        QVERIFY(::mkdir(path("folder").c_str(), 0777) == 0);
        QVERIFY(!m_fs.copyFile(path("f"), path("folder"), true));
        QCOMPARE(namesIn(m_fs, m_dir), (std::vector<std::string>{"f", "folder", "link", "pipe"}));
    }

    void openReadNeverWaitsOnSpecialFiles()
    {
        QVERIFY(::mkfifo(path("pipe").c_str(), 0666) == 0);
        writeFile(path("data"), std::string(70000, 'q'));
        QVERIFY(::symlink("data", path("link").c_str()) == 0);
        QVERIFY(!m_fs.openRead(path("pipe")));
        QVERIFY(!m_fs.openRead(path("link")));
        QVERIFY(!m_fs.openRead(m_dir));
        QVERIFY(!m_fs.openRead("/dev/null"));
        QVERIFY(!m_fs.readWholeFile(path("pipe")));
        QVERIFY(!m_fs.readWholeFile(path("missing")));

        auto reader = m_fs.openRead(path("data"));
        QVERIFY(reader);
        QCOMPARE(reader->length(), std::uint64_t{70000});
        std::vector<std::uint8_t> block(65536);
        QCOMPARE(reader->read(block), std::int64_t{65536});
        QCOMPARE(reader->read(block), std::int64_t{70000 - 65536});
        QCOMPARE(reader->read(block), std::int64_t{0});
        QCOMPARE(m_fs.readWholeFile(path("data"))->size(), std::size_t{70000});
    }

    // Reads of what is in memory and ordinary reads, mixed as the scan mixes them, give the
    // file's bytes once each, in order, and stop at the length it was opened with. The second
    // half is dropped from the page cache where the file system allows, so that the reads
    // from memory run into bytes that are not there.
    void readsFromMemoryKeepTheirPlace()
    {
        std::string content(200000, '\0');
        for (std::size_t i = 0; i < content.size(); ++i)
            content[i] = static_cast<char>(i * 7 + i / 251);
        writeFile(path("data"), content);
        const int fd = ::open(path("data").c_str(), O_RDWR);
        QVERIFY(fd >= 0);
        QCOMPARE(::fsync(fd), 0);
        QCOMPARE(::posix_fadvise(fd, 100000, 0, POSIX_FADV_DONTNEED), 0);

        auto reader = m_fs.openRead(path("data"));
        QVERIFY(reader);
        QCOMPARE(::pwrite(fd, "grown", 5, 200000), ssize_t{5});  // after opening: not to be read
        ::close(fd);
        std::string got;
        int waits = 0;
        std::vector<std::uint8_t> block(30000);
        for (;;) {
            std::int64_t n = reader->readIfInMemory(block);
            if (n == FileReader::kWouldWait) {
                ++waits;
                n = reader->read(block);
            }
            QVERIFY(n >= 0);
            if (n == 0)
                break;
            got.append(reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(n));
        }
        QCOMPARE(got.size(), content.size());
        QVERIFY(got == content);
        QCOMPARE(reader->position(), std::uint64_t{200000});
        qInfo("reads that would have waited for the device: %d", waits);
        // Read whole, it is its bytes as they are now, what was added after the opening too.
        QCOMPARE(m_fs.readWholeFile(path("data")), std::optional<std::string>(content + "grown"));
    }

    void removeAndCreate()
    {
        writeFile(path("gone"), "x");
        QVERIFY(m_fs.removeFile(path("gone")));
        QVERIFY(!m_fs.exists(path("gone")));
        QVERIFY(!m_fs.removeFile(path("gone")));
        QVERIFY(m_fs.createFolder(path("Quarantine")));
        QVERIFY(m_fs.createFolder(path("Quarantine")));  // already there
        QVERIFY(!m_fs.removeFile(path("Quarantine")));
        QCOMPARE(m_fs.entry(path("Quarantine"))->kind, EntryKind::Folder);
        writeFile(path("file"), "x");
        QVERIFY(!m_fs.createFolder(path("file")));
        QVERIFY(::symlink("nowhere", path("dangling").c_str()) == 0);
        QVERIFY(m_fs.exists(path("dangling")));
    }

    void inApplicationFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("other case") << "\\Help.wav"
                                    << "/help.wav";
        QTest::newRow("forward slash") << "/HELP.WAV"
                                       << "/help.wav";
        QTest::newRow("no leading separator") << "help.wav"
                                              << "/help.wav";
        QTest::newRow("folder with trailing separator") << "\\quarantine\\"
                                                        << "/Quarantine/";
        QTest::newRow("file in folder") << "\\QUARANTINE\\X.MAL"
                                        << "/Quarantine/x.mal";
        QTest::newRow("missing keeps spelling") << "\\Finish.wav"
                                                << "/Finish.wav";
        QTest::newRow("missing folder keeps rest") << "\\Sounds\\Help.wav"
                                                   << "/Sounds/Help.wav";
        QTest::newRow("exact spelling wins") << "\\Menu.wav"
                                             << "/Menu.wav";
        QTest::newRow("empty") << ""
                               << "";
    }
    void inApplicationFolder()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        writeFile(path("help.wav"), "");
        writeFile(path("Menu.wav"), "");
        writeFile(path("menu.wav"), "");
        QVERIFY(::mkdir(path("Quarantine").c_str(), 0777) == 0);
        writeFile(path("Quarantine/x.mal"), "");
        LinuxFileSystem fs(m_dir + "/");
        QCOMPARE(fs.applicationFolder(), m_dir);
        QCOMPARE(fs.inApplicationFolder(name.toStdString()), m_dir + expected.toStdString());
        QCOMPARE(fs.separator(), '/');
    }

    void applicationFolderIsExecutableFolder()
    {
        LinuxFileSystem fs;
        QCOMPARE(QString::fromStdString(fs.applicationFolder()), QCoreApplication::applicationDirPath());
    }

    // What the program writes stays beside it while its folder can be written (a build
    // folder) and moves to the user's data folder where it cannot (an installed program),
    // with the starter list copied there; assets are still found beside the program.
    void dataFolderPlace_data()
    {
        QTest::addColumn<bool>("appWritable");
        QTest::addColumn<QString>("xdgDataHome");  // "<abs>" stands for a folder of the test's own
        QTest::addColumn<QString>("expected");  // "app", "xdg" or "home"
        QTest::newRow("writable folder keeps everything beside the program") << true << "<abs>"
                                                                             << "app";
        QTest::newRow("read-only folder, XDG_DATA_HOME set") << false << "<abs>"
                                                             << "xdg";
        QTest::newRow("read-only folder, XDG_DATA_HOME with trailing slash") << false << "<abs>/"
                                                                             << "xdg";
        QTest::newRow("read-only folder, XDG_DATA_HOME unset") << false << ""
                                                               << "home";
        QTest::newRow("read-only folder, XDG_DATA_HOME relative") << false << "rel/data"
                                                                  << "home";
    }
    void dataFolderPlace()
    {
        QFETCH(bool, appWritable);
        QFETCH(QString, xdgDataHome);
        QFETCH(QString, expected);
        const std::string app = path("app");
        const std::string home = path("home");
        const std::string xdg = path("xdg");
        QVERIFY(::mkdir(app.c_str(), 0755) == 0);
        QVERIFY(::mkdir(home.c_str(), 0755) == 0);
        writeFile(app + "/database.db", "100000;*.exe;starter\r\n");
        writeFile(app + "/Help.wav", "");
        std::string xdgValue = xdgDataHome.toStdString();
        if (xdgValue.starts_with("<abs>"))
            xdgValue = xdg + xdgValue.substr(5);
        ScopedEnv homeVar("HOME", home.c_str());
        ScopedEnv xdgVar("XDG_DATA_HOME", xdgValue.empty() ? nullptr : xdgValue.c_str());
        // Not even root may take a folder that grants nobody write access as writable.
        if (!appWritable)
            QVERIFY(::chmod(app.c_str(), 0555) == 0);
        LinuxFileSystem fs(app);
        const std::string folder = fs.dataFolder();
        const std::string data = fs.inDataFolder("\\database.db");
        const std::string quarantine = fs.inDataFolder("\\Quarantine");
        const std::vector<std::string> appNames = namesIn(fs, app);
        ::chmod(app.c_str(), 0755);

        const std::string want = expected == "app" ? app
            : expected == "xdg"                    ? xdg + "/QuennoAV"
                                                   : home + "/.local/share/QuennoAV";
        QCOMPARE(folder, want);
        QCOMPARE(data, want + "/database.db");
        QCOMPARE(quarantine, want + "/Quarantine");
        QCOMPARE(fs.inApplicationFolder("\\help.wav"), app + "/Help.wav");
        QCOMPARE(readFile(data), std::string("100000;*.exe;starter\r\n"));
        QCOMPARE(appNames, (std::vector<std::string>{"database.db", "Help.wav"}));
        if (expected == "app") {
            QVERIFY(!fs.exists(xdg));
            QVERIFY(namesIn(fs, home).empty());
            return;
        }
        // A copy the user may edit, never a link to the installed file.
        QVERIFY(S_ISREG(modeOf(data)));
        QVERIFY(modeOf(data) & S_IWUSR);
        QCOMPARE(modeOf(want) & 07777, mode_t{0700});
        if (expected == "home") {
            QCOMPARE(modeOf(home + "/.local") & 07777, mode_t{0700});
            QCOMPARE(modeOf(home + "/.local/share") & 07777, mode_t{0700});
        }
    }

    // The list in the data folder is the user's: once there it is never replaced, whatever
    // its letter case; only a missing one is copied from the starter list.
    void dataFolderSeeding_data()
    {
        QTest::addColumn<int>("starterMode");  // 0: no starter list shipped
        QTest::addColumn<QString>("existing");  // name of a list already in the data folder
        QTest::addColumn<QString>("listName");  // name inDataFolder finds
        QTest::addColumn<QString>("content");  // what it holds afterwards ("" none)
        QTest::newRow("missing list is copied") << 0644 << ""
                                                << "database.db"
                                                << "starter";
        QTest::newRow("read-only starter gives an editable copy") << 0444 << ""
                                                                  << "database.db"
                                                                  << "starter";
        QTest::newRow("user's list is kept") << 0644 << "database.db"
                                             << "database.db"
                                             << "mine";
        QTest::newRow("user's list in other case is kept") << 0644 << "Database.DB"
                                                           << "Database.DB"
                                                           << "mine";
        QTest::newRow("nothing shipped, nothing made up") << 0 << ""
                                                          << "database.db"
                                                          << "";
    }
    void dataFolderSeeding()
    {
        QFETCH(int, starterMode);
        QFETCH(QString, existing);
        QFETCH(QString, listName);
        QFETCH(QString, content);
        const std::string app = path("app");
        const std::string data = path("xdg/QuennoAV");
        QVERIFY(::mkdir(app.c_str(), 0755) == 0);
        if (starterMode != 0) {
            writeFile(app + "/database.db", "starter");
            QVERIFY(::chmod((app + "/database.db").c_str(), static_cast<mode_t>(starterMode)) == 0);
        }
        QVERIFY(::mkdir(path("xdg").c_str(), 0700) == 0);
        QVERIFY(::mkdir(data.c_str(), 0750) == 0);
        if (!existing.isEmpty())
            writeFile(data + "/" + existing.toStdString(), "mine");
        ScopedEnv homeVar("HOME", path("home").c_str());
        ScopedEnv xdgVar("XDG_DATA_HOME", path("xdg").c_str());
        QVERIFY(::chmod(app.c_str(), 0555) == 0);
        LinuxFileSystem fs(app);
        QCOMPARE(fs.dataFolder(), data);
        const std::string list = fs.inDataFolder("database.db");
        ::chmod(app.c_str(), 0755);

        QCOMPARE(list, data + "/" + listName.toStdString());
        QCOMPARE(readFile(list), content.isEmpty() ? std::string("<missing>") : content.toStdString());
        QCOMPARE(namesIn(fs, data).size(), std::size_t{content.isEmpty() ? 0u : 1u});
        if (!content.isEmpty())
            QVERIFY(modeOf(list) & S_IWUSR);
        QCOMPARE(modeOf(data) & 07777, mode_t{0750});  // the user's own folder keeps its mode
        QVERIFY(!fs.exists(path("home")));
    }

    // Writes cut short by a crash leave a ".part" file beside their target; only those whose
    // writer is gone go, never a user's file that merely looks alike.
    void removeLeftovers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("removed");
        const QString own = QString::number(::getpid());
        QTest::newRow("writer gone") << ".qnosecure144430.mal.2147483000-3-123456.part" << true;
        QTest::newRow("writer is this process") << ".database.db." + own + "-0-42.part" << false;
        QTest::newRow("writer is process 1") << ".database.db.1-0-42.part" << false;
        QTest::newRow("not hidden") << "database.db.2147483000-0-42.part" << false;
        QTest::newRow("no counter") << ".notes.2147483000.part" << false;
        QTest::newRow("letters") << ".notes.21474x3000-0-1.part" << false;
        QTest::newRow("user file") << ".my.part" << false;
    }

    void removeLeftovers()
    {
        QFETCH(QString, name);
        QFETCH(bool, removed);
        const std::string file = path(name.toStdString());
        writeFile(file, "cut short");
        writeFile(path("target"), "kept");
        m_fs.removeLeftovers(m_dir);
        QCOMPARE(::access(file.c_str(), F_OK) != 0, removed);
        QVERIFY(::access(path("target").c_str(), F_OK) == 0);
    }

    void creationTime()
    {
        const std::string file = path("dated");
        writeFile(file, "x");
        const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
        QVERIFY(::utimensat(AT_FDCWD, file.c_str(), old, 0) == 0);
        struct statx sx;
        QVERIFY(::statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME, &sx) == 0);
        const auto created = m_fs.creationTime(file);
        QVERIFY(created);
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(created->time_since_epoch()).count();
        if (sx.stx_mask & STATX_BTIME) {
            const auto now
                = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
                      .count();
            QVERIFY(std::abs(now - seconds) < 600);
        } else {
            QCOMPARE(seconds, 1000000000);
        }
        QVERIFY(!m_fs.creationTime(path("missing")));
    }

    // The files of the application folder may be links: linkedEntry, readWholeFile and
    // creationTime answer for the file a link leads to, while what a walk uses (entry,
    // openRead) still sees the link itself and never opens it.
    void linksLeadToTheirFiles_data()
    {
        QTest::addColumn<QString>("target");  // what the link names
        QTest::addColumn<QString>("made");  // what is made there: file, folder or nothing
        QTest::addColumn<int>("kind");  // of the linked entry, -1 for none
        QTest::addColumn<uint>("attributes");
        QTest::newRow("file") << "data.db"
                              << "file" << int(EntryKind::File) << uint(0);
        QTest::newRow("file in another folder") << "../elsewhere/data.db"
                                                << "file" << int(EntryKind::File) << uint(0);
        QTest::newRow("hidden file") << ".data.db"
                                     << "file" << int(EntryKind::File) << uint(A::Hidden);
        QTest::newRow("folder") << "folder"
                                << "folder" << int(EntryKind::Folder) << uint(A::Directory);
        QTest::newRow("dangling") << "nowhere"
                                  << "nothing" << -1 << uint(0);
        QTest::newRow("loop") << "link"
                              << "nothing" << -1 << uint(0);
    }
    void linksLeadToTheirFiles()
    {
        QFETCH(QString, target);
        QFETCH(QString, made);
        QFETCH(int, kind);
        QFETCH(uint, attributes);
        const std::string to = path(target.toStdString());
        if (made == "file") {
            QVERIFY(::mkdir(linux_fs::parentFolder(to).c_str(), 0777) == 0 || errno == EEXIST);
            writeFile(to, "12345");
        } else if (made == "folder") {
            QVERIFY(::mkdir(to.c_str(), 0777) == 0);
        }
        const std::string link = path("link");
        QVERIFY(::symlink(target.toStdString().c_str(), link.c_str()) == 0);

        const auto linked = m_fs.linkedEntry(link);
        QCOMPARE(linked ? int(linked->kind) : -1, kind);
        if (linked) {
            QCOMPARE(linked->name, std::string(linux_fs::baseName(to)));
            QCOMPARE(linked->attributes, attributes);
        }
        const auto content = m_fs.readWholeFile(link);
        QCOMPARE(content.value_or("<none>"), made == "file" ? std::string("12345") : std::string("<none>"));
        QCOMPARE(m_fs.entry(link)->kind, EntryKind::Other);
        QVERIFY(!m_fs.openRead(link));
        if (made == "nothing")
            QVERIFY(!m_fs.creationTime(link));
        if (made == "file" && setDosAttrib(to, version4(0, 116444736000000000ULL + 10000000ULL * 1000000000)))
            QCOMPARE(m_fs.creationTime(link),
                     std::optional(std::chrono::system_clock::time_point(std::chrono::seconds(1000000000))));
    }

    // Times read from a file system without birth times; any program may set them.
    void timePointFrom_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<uint>("nanoseconds");
        QTest::addColumn<bool>("held");
        QTest::newRow("ordinary") << qint64(1000000000) << 5u << true;
        QTest::newRow("before 1970") << qint64(-1000000000) << 0u << true;
        QTest::newRow("largest seconds") << std::numeric_limits<qint64>::max() << 0u << false;
        QTest::newRow("smallest seconds") << std::numeric_limits<qint64>::min() << 0u << false;
        QTest::newRow("just past the clock (292 years)") << qint64(9300000000) << 0u << false;
        QTest::newRow("nanoseconds out of range") << qint64(0) << 1000000000u << false;
    }

    void timePointFrom()
    {
        QFETCH(qint64, seconds);
        QFETCH(uint, nanoseconds);
        QFETCH(bool, held);
        const auto time = linux_fs::timePointFrom(seconds, nanoseconds);
        QCOMPARE(time.has_value(), held);
        if (held) {
            QCOMPARE(std::chrono::duration_cast<std::chrono::seconds>(time->time_since_epoch()).count(), seconds);
            QCOMPARE(std::chrono::duration_cast<std::chrono::nanoseconds>(time->time_since_epoch()).count()
                         % 1000000000,
                     qint64(nanoseconds));
        }
    }
};

QTEST_GUILESS_MAIN(TestFileSystem)
#include "tst_filesystem.moc"
