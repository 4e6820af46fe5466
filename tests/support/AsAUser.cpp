#include "support/AsAUser.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool Capabilities(__user_cap_data_struct (&data)[2], bool set)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};  // 0: this thread
    return syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

// Whether this thread can read a file that nobody may read.
bool ReadsLockedFiles()
{
    char path[] = "/tmp/asauser-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return true;
    close(fd);
    chmod(path, 0);
    const int reopened = open(path, O_RDONLY);
    const bool reads = reopened >= 0;
    if (reopened >= 0)
        close(reopened);
    unlink(path);
    return reads;
}

}  // namespace

AsAUser::AsAUser()
{
    __user_cap_data_struct data[2]{};
    if (Capabilities(data, false) && (data[0].effective & kOverrides)) {
        data[0].effective &= ~kOverrides;
        m_changed = Capabilities(data, true);
    }
    m_works = !ReadsLockedFiles();
}

AsAUser::~AsAUser()
{
    __user_cap_data_struct data[2]{};
    if (m_changed && Capabilities(data, false)) {
        data[0].effective |= kOverrides & data[0].permitted;
        (void)Capabilities(data, true);
    }
}
