#pragma once
// While it lives, file permissions hold for this thread even when it runs as root: the
// capabilities that override them are taken out of its effective set, and given back at
// the end. Without them a folder without read permission really cannot be listed.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quenno::test {

class WithoutPermissionOverride {
public:
    WithoutPermissionOverride()
    {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2];
        std::memcpy(reduced, m_saved, sizeof reduced);
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        m_changed = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutPermissionOverride()
    {
        if (m_changed)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_changed = false;
};

}  // namespace quenno::test
