#pragma once
// A temporary application folder with the real Linux file system and process table in the
// stand-in facilities, for the screens that scan, act on what they find and quarantine.

#include "detection/CRC.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxProcessTable.h"
#include "shell/AppFiles.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/ForwardingFileSystem.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <ctime>
#include <set>

namespace quenno::test {

// The real file system, with the calls named refused or spoilt, to show what the screens
// make of a failure.
struct FaultyFileSystem final : ForwardingFileSystem {
    using ForwardingFileSystem::ForwardingFileSystem;
    std::set<std::string> refuseRemove;
    bool refuseCopy = false;
    bool spoilCopy = false;  // the copy lands, one byte longer
    bool refuseWrite = false;

    bool removeFile(const std::string& path) override
    {
        return refuseRemove.count(path) ? false : m_inner.removeFile(path);
    }
    bool copyFile(const std::string& from, const std::string& to, bool overwrite) override
    {
        if (refuseCopy)
            return false;
        if (!m_inner.copyFile(from, to, overwrite))
            return false;
        if (spoilCopy) {
            QFile f(QFile::decodeName(QByteArray::fromStdString(to)));
            if (f.open(QIODevice::Append))
                f.write("!");
        }
        return true;
    }
    bool writeWholeFile(const std::string& path, std::string_view content) override
    {
        return !refuseWrite && m_inner.writeWholeFile(path, content);
    }
    // Runs between the screen's reading of a file and its rewrite: another program's save.
    std::function<void()> beforeRewrite;
    platform::WriteResult rewriteWholeFile(const std::string& path, std::string_view content,
                                           const platform::RewriteOptions& options) override
    {
        if (beforeRewrite)
            beforeRewrite();
        return ForwardingFileSystem::rewriteWholeFile(path, content, options);
    }
};

// Local time of today at h:m:s.
inline std::chrono::system_clock::time_point localTimeToday(int h, int m, int s)
{
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

inline QString checksumOf(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    return QString::fromStdString(detection::ChecksumText(
        detection::CRC::ComputeCrc(std::span<const std::uint8_t>(data, static_cast<std::size_t>(bytes.size())))));
}

// A 1 x 1 animated GIF of two frames shown 100 ms and 50 ms.
inline QByteArray twoFrameGif()
{
    const QByteArray header = QByteArray("GIF89a")
        + QByteArray::fromHex("010001008000"
                              "00"
                              "ffffff000000");
    const auto frame = [](char delay) {
        return QByteArray::fromHex("21f90400") + delay + QByteArray::fromHex("000000")
            + QByteArray::fromHex("2c00000000010001000002024401"
                                  "00");
    };
    return header + frame(10) + frame(5) + QByteArray::fromHex("3b");
}

struct Rig : FakePlatform {
    QTemporaryDir dir;
    QString app = dir.path() + "/app";
    QString tree = dir.path() + "/tree";
    platform::LinuxFileSystem real{QFile::encodeName(app).toStdString()};
    FaultyFileSystem files{real};
    platform::LinuxProcessTable processes;

    Rig()
    {
        QDir().mkpath(app + "/Quarantine");
        QDir().mkpath(tree);
        writeFile(app + "/" + shell::appfiles::ProgressAnimation, twoFrameGif());
        platform.files = &files;
        platform.processes = &processes;
    }

    QString database() const { return app + "/database.db"; }
    QString quarantine() const { return app + "/Quarantine"; }
    // Writes database.db: the normal settings line, then one record per (name, content).
    void writeDatabase(const QList<QPair<QString, QByteArray>>& records) const
    {
        QByteArray text = "50000;*.exe;Limits dan ekstensi\r\n";
        for (const auto& [name, content] : records)
            text += name.toLatin1() + ';' + checksumOf(content).toLatin1() + "\r\n";
        writeFile(database(), text);
    }
};

}  // namespace quenno::test
