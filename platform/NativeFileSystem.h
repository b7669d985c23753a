#pragma once
// The file system of the operating system the program is built for, for programs that
// need no other facility (the command-line scanner).

#include "FileSystem.h"

#include <memory>

namespace quenno::platform {

// Its application folder is the one that holds the executable.
std::unique_ptr<FileSystem> makeNativeFileSystem();

}  // namespace quenno::platform
