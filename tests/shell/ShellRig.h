#pragma once
// The shell's surroundings in tests: the stand-in facilities, and the real file system on
// a fresh temporary application folder.

#include "platform/linux/LinuxFileSystem.h"
#include "tests/support/FakePlatform.h"

#include <QTemporaryDir>

#include <memory>

namespace quenno::test {

struct ShellRig : FakePlatform {
    QTemporaryDir appDir;
    std::unique_ptr<platform::LinuxFileSystem> files;

    ShellRig() : files(std::make_unique<platform::LinuxFileSystem>(appDir.path().toStdString()))
    {
        platform.files = files.get();
    }
    QString inApp(const QString& name) const { return appDir.path() + QLatin1Char('/') + name; }
};

}  // namespace quenno::test
