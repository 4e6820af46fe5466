#pragma once

// The media engine, bound at run time: one process-wide object loads libVLC with dlopen, resolves every
// entry point the viewer relies on and refuses to exist unless all of them are there. It keeps no
// playback state: instances, players and media belong to the video panes.

#include <vlc/vlc.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Every entry point the adapter resolves, in the order it resolves them. All are required, also the
// ones the viewer never calls, so that a partial or foreign library is refused as a whole.
#define TESSARO_VLC_ENTRY_POINTS(X)          \
    X(libvlc_new)                            \
    X(libvlc_media_new_path)                 \
    X(libvlc_media_new_fd)                   \
    X(libvlc_media_player_new)               \
    X(libvlc_media_player_new_from_media)    \
    X(libvlc_media_release)                  \
    X(libvlc_media_player_play)              \
    X(libvlc_media_player_stop)              \
    X(libvlc_media_player_release)           \
    X(libvlc_release)                        \
    X(libvlc_media_player_set_xwindow)       \
    X(libvlc_media_player_set_media)         \
    X(libvlc_media_player_get_media)         \
    X(libvlc_media_player_set_pause)         \
    X(libvlc_media_event_manager)            \
    X(libvlc_media_player_is_playing)        \
    X(libvlc_media_player_event_manager)     \
    X(libvlc_event_attach)                   \
    X(libvlc_event_detach)                   \
    X(libvlc_media_parse)                    \
    X(libvlc_media_parse_async)              \
    X(libvlc_video_get_adjust_float)         \
    X(libvlc_video_set_adjust_float)         \
    X(libvlc_video_get_adjust_int)           \
    X(libvlc_video_set_adjust_int)           \
    X(libvlc_audio_get_volume)               \
    X(libvlc_audio_set_volume)               \
    X(libvlc_media_player_get_rate)          \
    X(libvlc_media_player_set_rate)          \
    X(libvlc_media_player_get_position)      \
    X(libvlc_media_player_set_position)      \
    X(libvlc_video_get_track_count)          \
    X(libvlc_video_get_track)                \
    X(libvlc_video_set_track)                \
    X(libvlc_video_take_snapshot)            \
    X(libvlc_video_get_aspect_ratio)         \
    X(libvlc_video_set_aspect_ratio)         \
    X(libvlc_media_add_option)               \
    X(libvlc_media_player_get_state)         \
    X(libvlc_log_set)

// Raised when the engine cannot be loaded; what() is the text start-up shows the user before it exits.
class VlcLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class VlcFunctionExecutor {
public:
    static constexpr const char* kLibraryName = "libvlc.so.5";
    static constexpr const char* kLibraryMissingText = "libvlc.dll or libvlccore.dll file is not exist.";
    static constexpr const char* kFunctionMissingText = "Vlc Function is not imported.";
    // Size of the narrow path buffer handed to the engine, terminator included.
    static constexpr std::size_t kPathBufferSize = 260;

    // The process-wide adapter, loaded from libraryName on the first call; later calls return the same
    // object whatever name they pass. Throws VlcLoadError; after a failure the next call tries again.
    static VlcFunctionExecutor* Instance(const char* libraryName = kLibraryName);
    // Teardown, after every player and instance has been released: unloads the library.
    static void DestroyInstance();

    // Loads libraryName (a dlopen name or path) and resolves the entry points; throws VlcLoadError.
    explicit VlcFunctionExecutor(const char* libraryName);
    ~VlcFunctionExecutor();
    VlcFunctionExecutor(const VlcFunctionExecutor&) = delete;
    VlcFunctionExecutor& operator=(const VlcFunctionExecutor&) = delete;

    // Logged wrappers: one diagnostic line naming the entry point, then the call; results unchanged.
    int MediaPlayerPlay(libvlc_media_player_t* player);
    void MediaPlayerStop(libvlc_media_player_t* player);
    void MediaPlayerSetXwindow(libvlc_media_player_t* player, std::uint32_t window);
    void MediaPlayerSetMedia(libvlc_media_player_t* player, libvlc_media_t* media);
    void MediaPlayerSetPause(libvlc_media_player_t* player);  // always pauses, never resumes
    int MediaPlayerIsPlaying(libvlc_media_player_t* player);
    libvlc_event_manager_t* EventManager(libvlc_media_player_t* player);
    // userData reaches the callback with every event (the panes pass themselves).
    void EventAttach(libvlc_event_manager_t* manager, libvlc_event_type_t type, libvlc_callback_t callback,
                     void* userData = nullptr);
    int AudioSetVolume(libvlc_media_player_t* player, int volume);
    int MediaPlayerSetRate(libvlc_media_player_t* player, float rate);
    void MediaPlayerSetPosition(libvlc_media_player_t* player, float position);
    // Chooses a video track of the channel-2 player (the one published last); -1 when none is published.
    int SetTrack(int trackId);
    // 0 once the engine was asked for the picture; -1 while the player has no video output (no picture yet).
    int SnapShot(libvlc_media_player_t* player, const char* path);
    void SetAspectRatio(libvlc_media_player_t* player);

    // The channel-2 pane publishes its player here when it creates it; SetTrack acts on it.
    static void PublishSecondChannelPlayer(libvlc_media_player_t* player);

    // A new engine instance made with EngineOptions() followed by the extra options; null when the engine
    // refuses them. Waits for a warm-up under way.
    libvlc_instance_t* NewEngineInstance();
    // Makes one instance on a thread of its own: the engine's first instance loads its plug-ins (about
    // half a second), which can then overlap the program's own start. The warm instance is released once
    // the first real one exists (the plug-ins stay loaded while any instance lives). Call it once, after
    // SetExtraEngineOptions.
    void StartWarmUp();
    // Options appended to every new engine instance, for the platform's needs rather than the program's:
    // under a virtual X server without GL, "--gl=none --gles2=none" makes the engine draw with plain X11.
    // Set before the panes make their engines.
    static void SetExtraEngineOptions(std::vector<std::string> options);

    // The arguments every engine instance is created with.
    static std::vector<std::string> EngineOptions();
    // The diagnostic log's level for an engine message of the given severity (LIBVLC_ERROR ...
    // LIBVLC_DEBUG): errors at the normal level, the rest among the frequent lines.
    static int EngineMessageLogLevel(int severity);
    // Writes the UTF-8 form of path, terminated, into buffer and returns true; returns false and leaves
    // buffer untouched when that form needs more than kPathBufferSize - 1 bytes or path is not valid
    // Unicode (the caller then loads nothing).
    static bool WideToUtf8Path(std::wstring_view path, char (&buffer)[kPathBufferSize]);

    // The library handle, then one slot per entry point in table order. The panes call the engine
    // directly through these slots where no log line is wanted.
    void* m_module = nullptr;

private:
    libvlc_instance_t* MakeEngineInstance();
    void EndWarmUp();

    std::mutex m_warmUpLock;
    std::thread m_warmUp;
    libvlc_instance_t* m_warmInstance = nullptr;  // written by the warm-up thread, read after its join

public:

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#define TESSARO_VLC_SLOT(name) decltype(&::name) name = nullptr;
    TESSARO_VLC_ENTRY_POINTS(TESSARO_VLC_SLOT)
#undef TESSARO_VLC_SLOT
#pragma GCC diagnostic pop
};
