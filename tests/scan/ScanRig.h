#pragma once
// A temporary application folder with the real Linux file system and process table, and
// small stand-ins for what would block or reach the desktop: message boxes answered from
// a queue, a folder dialog, sound, a fixed clock and an event pump that runs a callback.

#include "detection/CRC.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxProcessTable.h"
#include "shell/AppFiles.h"
#include "tests/detection/ForwardingFileSystem.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <ctime>
#include <deque>
#include <functional>
#include <set>

namespace quenno::test {

struct ScriptedMessages final : platform::MessageBoxes {
    QStringList texts;
    QList<Style> styles;
    std::deque<Answer> answers;  // for Yes/No questions; No when empty
    std::function<void()> whileShown;
    Answer show(const QString& text, Style style) override
    {
        texts << text;
        styles << style;
        if (whileShown)
            whileShown();
        if (style != Style::YesNoQuestion)
            return Answer::Ok;
        if (answers.empty())
            return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
};

struct FakeFolderDialog final : platform::FolderDialog {
    QString answer;
    QStringList titles;
    QString browse(const QString& title) override
    {
        titles << title;
        return answer;
    }
};

struct RecordingSound final : platform::Sound {
    QStringList played;
    void play(const QString& path) override { played << path; }
};

struct FixedClock final : platform::Clock {
    std::chrono::system_clock::time_point at = std::chrono::system_clock::now();
    std::chrono::system_clock::time_point now() const override { return at; }
};

struct CallbackPump final : platform::EventPump {
    int calls = 0;
    std::function<void()> onYield;
    void letEventsRun() override
    {
        ++calls;
        if (onYield)
            onYield();
    }
};

// The real file system, with the calls named refused or spoilt, to show what the screens
// make of a failure.
struct FaultyFileSystem final : testing::ForwardingFileSystem {
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

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A 1 x 1 animated GIF of two frames shown 100 ms and 50 ms.
inline QByteArray twoFrameGif()
{
    const QByteArray header = QByteArray("GIF89a") + QByteArray::fromHex("010001008000" "00" "ffffff000000");
    const auto frame = [](char delay) {
        return QByteArray::fromHex("21f90400") + delay + QByteArray::fromHex("000000")
               + QByteArray::fromHex("2c00000000010001000002024401" "00");
    };
    return header + frame(10) + frame(5) + QByteArray::fromHex("3b");
}

struct Rig {
    QTemporaryDir dir;
    QString app = dir.path() + "/app";
    QString tree = dir.path() + "/tree";
    platform::LinuxFileSystem real{QFile::encodeName(app).toStdString()};
    FaultyFileSystem files{real};
    platform::LinuxProcessTable processes;
    FixedClock clock;
    ScriptedMessages messages;
    FakeFolderDialog folders;
    RecordingSound sound;
    CallbackPump pump;
    platform::Platform platform;

    Rig()
    {
        QDir().mkpath(app + "/Quarantine");
        QDir().mkpath(tree);
        writeFile(app + "/" + shell::appfiles::ProgressAnimation, twoFrameGif());
        platform.files = &files;
        platform.processes = &processes;
        platform.clock = &clock;
        platform.events = &pump;
        platform.sound = &sound;
        platform.messages = &messages;
        platform.folders = &folders;
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

} // namespace quenno::test
