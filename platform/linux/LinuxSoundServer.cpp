#include "LinuxSoundServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace quenno::platform {

namespace {

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

bool soundServerReachable()
{
    const char* server = std::getenv("PULSE_SERVER");
    if (server && *server)
        return true;
    const char* runtimeVariable = std::getenv("XDG_RUNTIME_DIR");
    const std::string runtime = runtimeVariable && *runtimeVariable ? std::string(runtimeVariable)
                                                                    : "/run/user/" + std::to_string(::getuid());
    return exists(runtime + "/pulse/native") || exists("/run/pulse/native");
}

}  // namespace quenno::platform
