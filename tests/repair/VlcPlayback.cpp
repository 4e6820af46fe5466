#include "repair/VlcPlayback.h"

#include <vlc/vlc.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <dlfcn.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The entry points used here, resolved from libvlc.so.5.
struct Vlc {
    void* library = nullptr;
    decltype(&libvlc_new) newInstance = nullptr;
    decltype(&libvlc_release) release = nullptr;
    decltype(&libvlc_media_new_path) mediaNewPath = nullptr;
    decltype(&libvlc_media_release) mediaRelease = nullptr;
    decltype(&libvlc_media_get_stats) mediaGetStats = nullptr;
    decltype(&libvlc_media_player_new_from_media) playerNew = nullptr;
    decltype(&libvlc_media_player_release) playerRelease = nullptr;
    decltype(&libvlc_media_player_play) play = nullptr;
    decltype(&libvlc_media_player_stop) stop = nullptr;
    decltype(&libvlc_media_player_get_state) getState = nullptr;
    decltype(&libvlc_media_player_get_time) getTime = nullptr;

    template <typename T>
    bool Resolve(T& function, const char* name)
    {
        function = reinterpret_cast<T>(dlsym(library, name));
        return function != nullptr;
    }
    bool Load()
    {
        library = dlopen("libvlc.so.5", RTLD_NOW | RTLD_LOCAL);
        return library && Resolve(newInstance, "libvlc_new") && Resolve(release, "libvlc_release") &&
               Resolve(mediaNewPath, "libvlc_media_new_path") && Resolve(mediaRelease, "libvlc_media_release") &&
               Resolve(mediaGetStats, "libvlc_media_get_stats") &&
               Resolve(playerNew, "libvlc_media_player_new_from_media") &&
               Resolve(playerRelease, "libvlc_media_player_release") && Resolve(play, "libvlc_media_player_play") &&
               Resolve(stop, "libvlc_media_player_stop") && Resolve(getState, "libvlc_media_player_get_state") &&
               Resolve(getTime, "libvlc_media_player_get_time");
    }
};

VlcPlayback PlayInThisProcess(const std::string& path, double patienceSeconds)
{
    VlcPlayback result;
    static Vlc vlc;
    static const bool loaded = vlc.Load();
    if (!loaded) {
        result.problem = "libvlc.so.5 cannot be loaded";
        return result;
    }
    const char* const arguments[] = {"--vout=dummy", "--aout=dummy", "--no-video-title-show", "--quiet"};
    libvlc_instance_t* instance = vlc.newInstance(4, arguments);
    if (!instance) {
        result.problem = "libvlc_new failed";
        return result;
    }
    result.available = true;
    libvlc_media_t* media = vlc.mediaNewPath(instance, path.c_str());
    libvlc_media_player_t* player = vlc.playerNew(media);
    vlc.play(player);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(patienceSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        libvlc_state_t state = vlc.getState(player);
        if (state == libvlc_Ended || state == libvlc_Error) {
            result.ended = state == libvlc_Ended;
            result.failed = state == libvlc_Error;
            break;
        }
        if (long long time = vlc.getTime(player); time >= 0)
            result.lastTimeMs = time;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!result.ended && !result.failed)
        result.problem = "still playing after the patience ran out";
    libvlc_media_stats_t stats{};
    if (vlc.mediaGetStats(media, &stats))
        result.decodedVideo = stats.i_decoded_video;
    vlc.stop(player);
    vlc.playerRelease(player);
    vlc.mediaRelease(media);
    vlc.release(instance);
    return result;
}

// The plain fields of a result, as they cross the pipe from the child.
struct PlainResult {
    bool available, ended, failed;
    int decodedVideo;
    long long lastTimeMs;
    char problem[200];
};

}  // namespace

// libVLC and its plug-ins keep small allocations until the process ends and unload their modules, which
// the leak checker of the sanitizer builds reports without a way to tell them from ours. Each file plays in
// a child process that leaves with _exit, so the engine's memory stays out of this process's accounts.
// Every child is forked from the calling thread while no other thread of ours runs: a fork taken while
// another thread holds the allocator's lock leaves the child waiting on it for ever.
std::vector<VlcPlayback> PlayWithVlc(const std::vector<std::string>& paths, double patienceSeconds)
{
    struct Child {
        pid_t pid = -1;
        int channel = -1;
    };
    std::vector<VlcPlayback> results(paths.size());
    std::vector<Child> children(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        int channel[2];
        if (pipe(channel) != 0) {
            results[i].problem = "pipe failed";
            continue;
        }
        const pid_t pid = fork();
        if (pid == 0) {
            close(channel[0]);
            const VlcPlayback played = PlayInThisProcess(paths[i], patienceSeconds);
            PlainResult plain{played.available, played.ended, played.failed, played.decodedVideo, played.lastTimeMs,
                              {}};
            std::snprintf(plain.problem, sizeof plain.problem, "%s", played.problem.c_str());
            const bool sent = write(channel[1], &plain, sizeof plain) == static_cast<ssize_t>(sizeof plain);
            _exit(sent ? 0 : 1);
        }
        close(channel[1]);
        if (pid < 0) {
            close(channel[0]);
            results[i].problem = "fork failed";
            continue;
        }
        children[i] = {pid, channel[0]};
    }

    // A child that hangs inside the engine is ended once the patience and a margin for start-up are spent.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(patienceSeconds + 60);
    for (size_t i = 0; i < children.size(); ++i) {
        Child& child = children[i];
        if (child.pid < 0)
            continue;
        PlainResult plain{};
        pollfd waiting{child.channel, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const bool ready = poll(&waiting, 1, static_cast<int>(std::max<long long>(0, left.count()))) == 1;
        const bool received =
            ready && read(child.channel, &plain, sizeof plain) == static_cast<ssize_t>(sizeof plain);
        close(child.channel);
        if (!received)
            kill(child.pid, SIGKILL);
        waitpid(child.pid, nullptr, 0);
        VlcPlayback& result = results[i];
        if (!received) {
            result.problem = ready ? "the playing child process gave no result" : "the playing child process hung";
            continue;
        }
        result.available = plain.available;
        result.ended = plain.ended;
        result.failed = plain.failed;
        result.decodedVideo = plain.decodedVideo;
        result.lastTimeMs = plain.lastTimeMs;
        result.problem = plain.problem;
    }
    return results;
}
