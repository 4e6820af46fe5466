#include "infra/ThreadPriority.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// The level the calling thread had before it was raised; empty while it was not.
thread_local std::optional<int> t_normalLevel;

id_t ThisThread()
{
    return static_cast<id_t>(gettid());
}

// The calling thread's nice value, or nullopt when it cannot be read.
std::optional<int> CurrentLevel()
{
    errno = 0;
    const int level = getpriority(PRIO_PROCESS, ThisThread());
    if (level == -1 && errno != 0)
        return std::nullopt;
    return level;
}

}  // namespace

bool RaiseThreadPriority(std::string& error)
{
    const std::optional<int> current = CurrentLevel();
    if (!current) {
        error = std::strerror(errno);
        return false;
    }
    int best = -20;
    if (setpriority(PRIO_PROCESS, ThisThread(), best) != 0) {
        rlimit limit{};
        if (getrlimit(RLIMIT_NICE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
            error = std::strerror(errno);
            return false;
        }
        best = 20 - static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 40));
        if (best >= *current || setpriority(PRIO_PROCESS, ThisThread(), best) != 0) {
            error = std::strerror(errno ? errno : EPERM);
            return false;
        }
    }
    if (best < *current)
        t_normalLevel = *current;
    return true;
}

NormalPriorityScope::NormalPriorityScope()
{
    if (!t_normalLevel)
        return;
    const std::optional<int> current = CurrentLevel();
    if (!current || *current >= *t_normalLevel)
        return;
    // Lowering is always allowed; raising back again is, since the thread reached that level before.
    if (setpriority(PRIO_PROCESS, ThisThread(), *t_normalLevel) == 0) {
        m_lowered = true;
        m_raisedLevel = *current;
    }
}

NormalPriorityScope::~NormalPriorityScope()
{
    if (m_lowered)
        (void)setpriority(PRIO_PROCESS, ThisThread(), m_raisedLevel);
}
