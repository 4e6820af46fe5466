#include "playback/VlcFunctionExecutor.h"

#include "infra/DiagnosticLog.h"
#include "infra/ThreadPriority.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>

namespace {

std::unique_ptr<VlcFunctionExecutor> g_instance;
std::mutex g_instanceMutex;
std::atomic<libvlc_media_player_t*> g_secondChannelPlayer{nullptr};
std::mutex g_extraOptionsMutex;
std::vector<std::string> g_extraEngineOptions;

void LogCall(const char* entryPoint, const char* message)
{
    WriteLog(message, "VlcFunctionExecutor", entryPoint, kLogType, kLogLevelNormal);
}

// The engine's own messages go to the diagnostic log instead of the terminal, where it prints dozens of
// lines a second (audio devices, video converters, the screen saver) that tell the user nothing.
void EngineLogLine(void*, int severity, const libvlc_log_t*, const char* format, va_list arguments)
{
    const int level = VlcFunctionExecutor::EngineMessageLogLevel(severity);
    const DiagnosticLog& log = GetLog();
    if (!log.enabled || log.logLevel < level)
        return;  // the common case: no formatting at all
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    static const char* const kSeverity[] = {"debug", "", "notice", "warning", "error"};
    const char* name = severity >= 0 && severity <= LIBVLC_ERROR ? kSeverity[severity] : "";
    WriteLog(std::string(name) + ": " + text, "libvlc", "log", kLogType, level);
}

// The sound library prints nine lines for every audio block it cannot play on a machine without a sound
// card, tens of thousands a minute, straight to the terminal: its messages go to the log instead.
void SoundLibraryLogLine(const char* file, int line, const char* function, int error, const char* format, ...)
{
    const DiagnosticLog& log = GetLog();
    if (!log.enabled || log.logLevel < kLogLevelFrequent)
        return;
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    WriteLog(std::string(file ? file : "") + ":" + std::to_string(line) + " " + (function ? function : "") + ": " +
                 text + (error ? std::string(" (") + std::strerror(error < 0 ? -error : error) + ")" : std::string()),
             "alsa", "log", kLogType, kLogLevelFrequent);
}

void RouteSoundLibraryMessagesToLog()
{
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    // The engine's audio output loads the same library; kept loaded so the handler stays in force.
    void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_NODELETE);
    if (!library)
        return;
    if (auto setHandler = reinterpret_cast<int (*)(Handler)>(dlsym(library, "snd_lib_error_set_handler")))
        setHandler(SoundLibraryLogLine);
    dlclose(library);
}

}  // namespace

VlcFunctionExecutor* VlcFunctionExecutor::Instance(const char* libraryName)
{
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    if (!g_instance)
        g_instance = std::make_unique<VlcFunctionExecutor>(libraryName);
    return g_instance.get();
}

void VlcFunctionExecutor::DestroyInstance()
{
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    g_instance.reset();
}

VlcFunctionExecutor::VlcFunctionExecutor(const char* libraryName)
{
    m_module = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    if (!m_module)
        throw VlcLoadError(kLibraryMissingText);

    bool complete = true;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#define TESSARO_VLC_RESOLVE(entry)                                          \
    entry = reinterpret_cast<decltype(entry)>(dlsym(m_module, #entry));     \
    complete = complete && entry != nullptr;
    TESSARO_VLC_ENTRY_POINTS(TESSARO_VLC_RESOLVE)
#undef TESSARO_VLC_RESOLVE
#pragma GCC diagnostic pop

    if (!complete) {
        dlclose(m_module);
        m_module = nullptr;
        throw VlcLoadError(kFunctionMissingText);
    }
    RouteSoundLibraryMessagesToLog();
}

VlcFunctionExecutor::~VlcFunctionExecutor()
{
    if (m_module)
        EndWarmUp();
    if (m_module)
        dlclose(m_module);
}

int VlcFunctionExecutor::MediaPlayerPlay(libvlc_media_player_t* player)
{
    LogCall("libvlc_media_player_play", "Media Player Play");
    // Playing starts the input thread, which starts the decoders and outputs: all at the caller's level.
    NormalPriorityScope normal;
    return libvlc_media_player_play(player);
}

void VlcFunctionExecutor::MediaPlayerStop(libvlc_media_player_t* player)
{
    LogCall("libvlc_media_player_stop", "Media Player Stop");
    libvlc_media_player_stop(player);
}

void VlcFunctionExecutor::MediaPlayerSetXwindow(libvlc_media_player_t* player, std::uint32_t window)
{
    LogCall("libvlc_media_player_set_xwindow", "Media Player Set Xwindow");
    libvlc_media_player_set_xwindow(player, window);
}

void VlcFunctionExecutor::MediaPlayerSetMedia(libvlc_media_player_t* player, libvlc_media_t* media)
{
    LogCall("libvlc_media_player_set_media", "Media Player Set Media");
    NormalPriorityScope normal;
    libvlc_media_player_set_media(player, media);
}

void VlcFunctionExecutor::MediaPlayerSetPause(libvlc_media_player_t* player)
{
    LogCall("libvlc_media_player_set_pause", "Media Player Set Pause");
    libvlc_media_player_set_pause(player, 1);
}

int VlcFunctionExecutor::MediaPlayerIsPlaying(libvlc_media_player_t* player)
{
    LogCall("libvlc_media_player_is_playing", "Media Player is Playing");
    return libvlc_media_player_is_playing(player);
}

libvlc_event_manager_t* VlcFunctionExecutor::EventManager(libvlc_media_player_t* player)
{
    LogCall("libvlc_media_player_event_manager", "Event Manager");
    return libvlc_media_player_event_manager(player);
}

void VlcFunctionExecutor::EventAttach(libvlc_event_manager_t* manager, libvlc_event_type_t type,
                                      libvlc_callback_t callback, void* userData)
{
    LogCall("libvlc_event_attach", "Event Attach");
    libvlc_event_attach(manager, type, callback, userData);
}

int VlcFunctionExecutor::AudioSetVolume(libvlc_media_player_t* player, int volume)
{
    LogCall("libvlc_audio_set_volume", "Audio Set Volume");
    return libvlc_audio_set_volume(player, volume);
}

int VlcFunctionExecutor::MediaPlayerSetRate(libvlc_media_player_t* player, float rate)
{
    LogCall("libvlc_media_player_set_rate", "Media Player Set Rate");
    return libvlc_media_player_set_rate(player, rate);
}

void VlcFunctionExecutor::MediaPlayerSetPosition(libvlc_media_player_t* player, float position)
{
    LogCall("libvlc_media_player_set_position", "Media Player Set Position");
    libvlc_media_player_set_position(player, position);
}

int VlcFunctionExecutor::SetTrack(int trackId)
{
    LogCall("libvlc_video_set_track", "Set Track");
    // The channel-2 pane asks only from its own player's events, so a player is normally there; without
    // one the engine would be handed a null player, which it does not survive.
    libvlc_media_player_t* player = g_secondChannelPlayer.load();
    if (!player)
        return -1;
    return libvlc_video_set_track(player, trackId);
}

int VlcFunctionExecutor::SnapShot(libvlc_media_player_t* player, const char* path)
{
    LogCall("libvlc_video_take_snapshot", "Snap Shot");
    // First video output, at the video's own size.
    return libvlc_video_take_snapshot(player, 0, path, 0, 0);
}

void VlcFunctionExecutor::SetAspectRatio(libvlc_media_player_t* player)
{
    LogCall("libvlc_video_set_aspect_ratio", "Set Aspect Ratio");
    libvlc_video_set_aspect_ratio(player, "16:9");
}

void VlcFunctionExecutor::PublishSecondChannelPlayer(libvlc_media_player_t* player)
{
    g_secondChannelPlayer.store(player);
}

libvlc_instance_t* VlcFunctionExecutor::NewEngineInstance()
{
    std::lock_guard lock(m_warmUpLock);
    if (m_warmUp.joinable())
        m_warmUp.join();
    libvlc_instance_t* instance = MakeEngineInstance();
    if (m_warmInstance && instance) {
        libvlc_release(m_warmInstance);
        m_warmInstance = nullptr;
    }
    return instance;
}

void VlcFunctionExecutor::StartWarmUp()
{
    std::lock_guard lock(m_warmUpLock);
    if (m_warmUp.joinable() || m_warmInstance)
        return;
    m_warmUp = std::thread([this] { m_warmInstance = MakeEngineInstance(); });
}

void VlcFunctionExecutor::EndWarmUp()
{
    std::lock_guard lock(m_warmUpLock);
    if (m_warmUp.joinable())
        m_warmUp.join();
    if (m_warmInstance)
        libvlc_release(m_warmInstance);
    m_warmInstance = nullptr;
}

libvlc_instance_t* VlcFunctionExecutor::MakeEngineInstance()
{
    std::vector<std::string> options = EngineOptions();
    {
        std::lock_guard<std::mutex> lock(g_extraOptionsMutex);
        options.insert(options.end(), g_extraEngineOptions.begin(), g_extraEngineOptions.end());
    }
    std::vector<const char*> arguments;
    for (const std::string& option : options)
        arguments.push_back(option.c_str());
    NormalPriorityScope normal;
    libvlc_instance_t* instance = libvlc_new(static_cast<int>(arguments.size()), arguments.data());
    if (instance)
        libvlc_log_set(instance, EngineLogLine, nullptr);
    return instance;
}

void VlcFunctionExecutor::SetExtraEngineOptions(std::vector<std::string> options)
{
    std::lock_guard<std::mutex> lock(g_extraOptionsMutex);
    g_extraEngineOptions = std::move(options);
}

std::vector<std::string> VlcFunctionExecutor::EngineOptions()
{
    // No plug-in path: this engine finds its plug-ins in the system's folder and only warns about the
    // option, on the terminal, before any log handler can be set.
    return {"-I", "dummy", "--ignore-config", "--no-osd", "--disable-screensaver", "--no-snapshot-preview"};
}

int VlcFunctionExecutor::EngineMessageLogLevel(int severity)
{
    return severity >= LIBVLC_ERROR ? kLogLevelNormal : kLogLevelFrequent;
}

bool VlcFunctionExecutor::WideToUtf8Path(std::wstring_view path, char (&buffer)[kPathBufferSize])
{
    std::string utf8;
    for (wchar_t wide : path) {
        const auto code = static_cast<std::uint32_t>(wide);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code < 0x80) {
            utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (code >> 12));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (code >> 18));
            utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
        if (utf8.size() > kPathBufferSize - 1)
            return false;
    }
    std::memcpy(buffer, utf8.c_str(), utf8.size() + 1);
    return true;
}
