#pragma once
// The volumes of the kernel's mount table that a user keeps files on. A mount point is
// listed once, as its last mount in the table (the one that covers the others). Left out:
// kernel and memory file systems, sources that are no device path (network and virtual
// mounts), mounts in the system's own folders (/proc, /sys, /dev, /run but /run/media,
// /boot, /snap, /var/lib, /etc), mount points that are no folder (a file bound into
// place), and volumes the system cannot size or that hold no blocks. The root is always
// listed. A label is the name udev gives the device in /dev/disk/by-label.

#include "platform/Volumes.h"

#include <string>
#include <string_view>
#include <vector>

namespace quenno::platform {

class LinuxVolumes final : public Volumes {
public:
    // The table and the label folder are the system's unless tests give their own.
    explicit LinuxVolumes(std::string mountTable = "/proc/self/mounts", std::string labelFolder = "/dev/disk/by-label");

    std::vector<Volume> mounted() const override;

    struct Mount {
        std::string device;  // the source as the table names it
        std::string root;  // mount point, escapes undone
        std::string type;
    };
    // The lines of a table in the format of /proc/self/mounts, in their order; lines with
    // fewer than three fields are passed over.
    static std::vector<Mount> parseMountTable(std::string_view text);
    // What the table alone tells of a mount other than the root: type, source and place.
    static bool isUserMount(const Mount& mount);

private:
    std::string labelOf(const std::string& device) const;

    std::string m_mountTable;
    std::string m_labelFolder;
};

}  // namespace quenno::platform
