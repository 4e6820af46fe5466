#include "repair/VlcPlayback.h"

#include <vlc/vlc.h>

#include <chrono>
#include <dlfcn.h>
#include <thread>

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

}  // namespace

VlcPlayback PlayWithVlc(const std::string& path, double patienceSeconds)
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
