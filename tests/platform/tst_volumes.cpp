// The Linux volumes: which mounts of the kernel's table a user keeps files on.

#include "platform/linux/LinuxVolumes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using quenno::platform::LinuxVolumes;
using quenno::platform::Volume;

namespace {

std::string bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QStringList roots(const std::vector<Volume>& volumes)
{
    QStringList out;
    for (const Volume& volume : volumes)
        out << QString::fromStdString(volume.root + (volume.label.empty() ? "" : " [" + volume.label + "]"));
    return out;
}

}  // namespace

class TestVolumes : public QObject {
    Q_OBJECT

private slots:
    void userMounts_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("listed");
        QTest::newRow("a disk") << "/dev/sda3"
                                << "/home"
                                << "ext4" << true;
        QTest::newRow("a stick the desktop mounted") << "/dev/sdb1"
                                                     << "/run/media/ann/USB"
                                                     << "vfat" << true;
        QTest::newRow("another desktop's place") << "/dev/sdc1"
                                                 << "/media/ann/Data"
                                                 << "ntfs3" << true;
        QTest::newRow("a name that only begins like a system folder") << "/dev/sda4"
                                                                      << "/procfiles"
                                                                      << "ext4" << true;
        QTest::newRow("the desktop's folder itself") << "/dev/sdb1"
                                                     << "/run/media"
                                                     << "ext4" << false;
        QTest::newRow("beside the desktop's folder") << "/dev/sdb1"
                                                     << "/run/mediafiles"
                                                     << "ext4" << false;
        QTest::newRow("memory") << "tmpfs"
                                << "/home/ann/scratch"
                                << "tmpfs" << false;
        QTest::newRow("a package image") << "/dev/loop0"
                                         << "/snap/core/16202"
                                         << "squashfs" << false;
        QTest::newRow("boot partition") << "/dev/sda1"
                                        << "/boot/efi"
                                        << "vfat" << false;
        QTest::newRow("a service's storage") << "/dev/sda5"
                                             << "/var/lib/docker"
                                             << "ext4" << false;
        QTest::newRow("a file bound into the system") << "/dev/sda3"
                                                      << "/etc/hosts"
                                                      << "ext4" << false;
        QTest::newRow("session runtime") << "/dev/fuse"
                                         << "/run/user/1000/doc"
                                         << "fuse" << false;
        QTest::newRow("kernel") << "proc"
                                << "/proc"
                                << "proc" << false;
        QTest::newRow("no device path (network)") << "server:/export"
                                                  << "/mnt/nfs"
                                                  << "nfs4" << false;
        QTest::newRow("kernel type on a device path") << "/dev/sda3"
                                                      << "/mnt/cg"
                                                      << "cgroup2" << false;
    }
    void userMounts()
    {
        QFETCH(QString, device);
        QFETCH(QString, root);
        QFETCH(QString, type);
        QFETCH(bool, listed);
        QCOMPARE(LinuxVolumes::isUserMount({device.toStdString(), root.toStdString(), type.toStdString()}), listed);
    }

    void mountTableEscapesAndShortLines()
    {
        const auto mounts = LinuxVolumes::parseMountTable("/dev/sdb1 /media/My\\040Disk vfat rw 0 0\n"
                                                          "\n"
                                                          "broken-line\n"
                                                          "/dev/sdc1\t/mnt/tab\\011and\\134slash ext4 rw 0 0\n"
                                                          "/dev/sdd1 /mnt/last xfs rw 0 0");  // no line end
        QCOMPARE(mounts.size(), std::size_t(3));
        QCOMPARE(mounts[0].device, std::string("/dev/sdb1"));
        QCOMPARE(mounts[0].root, std::string("/media/My Disk"));
        QCOMPARE(mounts[0].type, std::string("vfat"));
        QCOMPARE(mounts[1].root, std::string("/mnt/tab\tand\\slash"));
        QCOMPARE(mounts[2].root, std::string("/mnt/last"));
        QCOMPARE(mounts[2].type, std::string("xfs"));
    }

    // A table of folders in a temporary folder: what is listed, once, in order, labelled.
    void mountedFromATable()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* folder : {"zeta", "alpha", "twice", "covered", "labels", "dev"})
            QVERIFY(QDir(dir.path()).mkpath(folder));
        QVERIFY(writeFile(dir.filePath("bound-file"), "x"));
        QVERIFY(writeFile(dir.filePath("dev/sdb1"), ""));
        // udev names the label link with its unsafe bytes escaped; the device may be named
        // through another link.
        QVERIFY(QFile::link(dir.filePath("dev/sdb1"), dir.filePath("labels/My\\x20Stick")));
        QVERIFY(QFile::link(dir.filePath("dev/sdb1"), dir.filePath("dev/disk-alias")));
        const QString d = dir.path();
        const QByteArray table = ("/dev/sda1 " + d + "/zeta ext4 rw 0 0\n" + "/dev/sda2 " + d + "/twice ext4 rw 0 0\n"
                                  + dir.filePath("dev/disk-alias") + " " + d + "/alpha vfat rw 0 0\n" + "/dev/sda2 " + d
                                  + "/twice/ ext4 rw 0 0\n" + "/dev/sda3 " + d + "/covered ext4 rw 0 0\n" + "tmpfs " + d
                                  + "/covered tmpfs rw 0 0\n" + "/dev/sda1 " + d + "/bound-file ext4 rw 0 0\n"
                                  + "/dev/sda1 " + d + "/unmounted-since ext4 rw 0 0\n")
                                     .toUtf8();
        QVERIFY(writeFile(dir.filePath("mounts"), table));
        const LinuxVolumes volumes(bytes(dir.filePath("mounts")), bytes(dir.filePath("labels")));
        // The root is there even when the table does not name it.
        QCOMPARE(roots(volumes.mounted()), (QStringList{"/", d + "/alpha/ [My Stick]", d + "/twice/", d + "/zeta/"}));

        // Without a table there is still the root.
        const LinuxVolumes none(bytes(dir.filePath("no-table")), bytes(dir.filePath("labels")));
        QCOMPARE(roots(none.mounted()), QStringList{"/"});
    }

    void mountedOnThisMachine()
    {
        const auto volumes = LinuxVolumes().mounted();
        QVERIFY(!volumes.empty());
        QCOMPARE(volumes.front().root, std::string("/"));
        for (std::size_t i = 0; i < volumes.size(); ++i) {
            const std::string& root = volumes[i].root;
            QVERIFY2(root.back() == '/', root.c_str());
            QVERIFY2(i == 0 || volumes[i - 1].root < root, root.c_str());  // sorted, each once
            for (const char* system : {"/proc/", "/sys/", "/dev/", "/run/user/"})
                QVERIFY2(root.rfind(system, 0) != 0, root.c_str());
        }
    }
};

QTEST_GUILESS_MAIN(TestVolumes)
#include "tst_volumes.moc"
