#pragma once
// The tool screens' surroundings in tests: the real Linux file system, process table and
// registry store (in temporary folders) in the stand-in facilities.

#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LinuxRegistry.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TestFiles.h"

#include <QFile>

namespace quenno::test {

struct ToolsPlatform : FakePlatform {
    explicit ToolsPlatform(const QString& root)
        : files(QFile::encodeName(root).toStdString()),
          registry(QFile::encodeName(root + "/config/QuennoAV/registry.reg").toStdString(),
                   QFile::encodeName(root + "/etc/QuennoAV/registry.reg").toStdString())
    {
        platform.files = &files;
        platform.processes = &processes;
        platform.registry = &registry;
    }
    platform::LinuxFileSystem files;
    platform::LinuxProcessTable processes;
    platform::LinuxRegistry registry;
};

inline std::string bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace quenno::test
