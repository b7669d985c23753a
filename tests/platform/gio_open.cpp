// Opens one file through the desktop launcher, as Help ("help <file>") and Update virus
// list ("editor <file>") do, and answers by its exit status: 0 a program was started, 1
// none could be. GIO reads the desktop's folders once per process, so every desktop layout
// of the tests gets a process of its own.

#include "platform/linux/LinuxLauncher.h"

#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    quenno::platform::LinuxLauncher launcher;
    const QString file = QString::fromLocal8Bit(argv[2]);
    const bool started = std::strcmp(argv[1], "editor") == 0 ? launcher.openTextEditor(file) : launcher.openHelp(file);
    return started ? 0 : 1;
}
