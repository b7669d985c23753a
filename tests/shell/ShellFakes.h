#pragma once
// Stand-ins for the facilities the shell reaches the desktop through: message boxes,
// sound and the launcher record what they were asked. Files are real, in a temporary
// application folder.

#include "platform/Platform.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace quenno::test {

struct RecordingMessages final : platform::MessageBoxes {
    QStringList texts;
    QList<Style> styles;
    Answer show(const QString& text, Style style) override
    {
        texts << text;
        styles << style;
        return Answer::Ok;
    }
};

struct RecordingSound final : platform::Sound {
    QStringList played;
    void play(const QString& path) override { played << path; }
};

struct RecordingLauncher final : platform::Launcher {
    QStringList calls;  // "help <path>" / "editor <path>"
    bool canStart = true;
    bool openHelp(const QString& path) override
    {
        calls << QStringLiteral("help ") + path;
        return canStart;
    }
    bool openTextEditor(const QString& path) override
    {
        calls << QStringLiteral("editor ") + path;
        return canStart;
    }
};

struct CountingEventPump final : platform::EventPump {
    int runs = 0;
    std::function<void()> during;
    void letEventsRun() override
    {
        ++runs;
        if (during)
            during();
    }
};

// A platform whose application folder is a fresh temporary folder.
struct ShellRig {
    QTemporaryDir appDir;
    std::unique_ptr<platform::LinuxFileSystem> files;
    RecordingMessages messages;
    RecordingSound sound;
    RecordingLauncher launcher;
    CountingEventPump events;
    platform::Platform platform;

    ShellRig() : files(std::make_unique<platform::LinuxFileSystem>(appDir.path().toStdString()))
    {
        platform.files = files.get();
        platform.messages = &messages;
        platform.sound = &sound;
        platform.launcher = &launcher;
        platform.events = &events;
    }
    QString inApp(const QString& name) const { return appDir.path() + QLatin1Char('/') + name; }
};

} // namespace quenno::test
