#pragma once
// A launcher that records each request ("help <path>", "editor <path>") and starts nothing;
// `canStart` false answers as a desktop without a program for the file does.

#include "platform/Launcher.h"

namespace quenno::test {

class RecordingLauncher final : public platform::Launcher {
public:
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

    QStringList calls;
    bool canStart = true;
};

}  // namespace quenno::test
