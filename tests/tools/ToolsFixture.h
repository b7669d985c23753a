#pragma once
// The tool screens' surroundings in tests: the real Linux file system, process table and
// registry store (in temporary folders), with message boxes and sounds recorded.

#include "platform/Platform.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LinuxRegistry.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace quenno::test {

class RecordingMessages final : public platform::MessageBoxes {
public:
    Answer show(const QString& text, Style style) override
    {
        shown.append({text, style});
        return Answer::Ok;
    }
    QList<QPair<QString, Style>> shown;
};

class RecordingSound final : public platform::Sound {
public:
    void play(const QString& path) override { played << path; }
    QStringList played;
};

// The volumes a test says are mounted: the root alone unless it sets others.
class FixedVolumes final : public platform::Volumes {
public:
    std::vector<platform::Volume> mounted() const override { return volumes; }
    std::vector<platform::Volume> volumes{{"/", ""}};
};

// Runs a step the first time events are let run (a click arriving during long work).
class ScriptedPump final : public platform::EventPump {
public:
    void letEventsRun() override
    {
        ++calls;
        if (auto step = std::exchange(next, nullptr))
            step();
    }
    std::function<void()> next;
    int calls = 0;
};

struct ToolsPlatform {
    explicit ToolsPlatform(const QString& root)
        : files(QFile::encodeName(root).toStdString()),
          registry(QFile::encodeName(root + "/config/QuennoAV/registry.reg").toStdString(),
                   QFile::encodeName(root + "/etc/QuennoAV/registry.reg").toStdString())
    {
        platform.files = &files;
        platform.processes = &processes;
        platform.registry = &registry;
        platform.events = &events;
        platform.sound = &sound;
        platform.messages = &messages;
        platform.volumes = &volumes;
    }
    platform::LinuxFileSystem files;
    platform::LinuxProcessTable processes;
    platform::LinuxRegistry registry;
    ScriptedPump events;
    RecordingSound sound;
    RecordingMessages messages;
    FixedVolumes volumes;
    platform::Platform platform;
};

inline std::string bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

inline bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

} // namespace quenno::test
