#pragma once
// The mounted volumes a user keeps files on, as the drive lists offer them.

#include <string>
#include <vector>

namespace quenno::platform {

struct Volume {
    std::string root;  // where it is mounted, ending in the separator ("/", "/media/usb/")
    std::string label;  // the name its file system carries (UTF-8), "" when it has none
};

class Volumes {
public:
    virtual ~Volumes() = default;
    // The root of the file system first, then the others by root; each root once. Kernel
    // and memory file systems, the system's own folders and single files bound into place
    // are left out.
    virtual std::vector<Volume> mounted() const = 0;
};

}  // namespace quenno::platform
