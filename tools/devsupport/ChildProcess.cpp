#include "devsupport/ChildProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Pipe {
    int fds[2] = {-1, -1};
    bool Open() { return pipe2(fds, O_CLOEXEC) == 0; }
    void Close(int which)
    {
        if (fds[which] >= 0)
            close(fds[which]);
        fds[which] = -1;
    }
    ~Pipe()
    {
        Close(0);
        Close(1);
    }
};

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv)
{
    ProcessResult result;
    Pipe outPipe, errPipe;
    if (argv.empty() || !outPipe.Open() || !errPipe.Open())
        return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe.fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe.fds[1], 2);

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t pid = 0;
    int spawnError = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    outPipe.Close(1);
    errPipe.Close(1);
    if (spawnError != 0)
        return result;
    result.started = true;

    // Both pipes are drained together so that a child filling one of them never blocks.
    pollfd polls[2] = {{outPipe.fds[0], POLLIN, 0}, {errPipe.fds[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (poll(polls, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (polls[i].fd < 0 || polls[i].revents == 0)
                continue;
            ssize_t got = read(polls[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                polls[i].fd = -1;
                --open;
            }
        }
    }

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}
