// A stand-in for the media engine library: every entry point the adapter resolves, with the engine's own
// signatures (the header checks them), recording the calls the adapter's wrappers make. Built once
// complete and once per missing entry point, by renaming that one away (-D<name>=hidden_<name>).

#include <vlc/vlc.h>

#include <cstdint>
#include <string>

namespace {

std::string g_journal;

std::string P(const void* pointer)
{
    return std::to_string(reinterpret_cast<std::uintptr_t>(pointer));
}

void Record(const std::string& call)
{
    g_journal += call + ";";
}

template <typename T>
T* Fake(std::uintptr_t value)
{
    return reinterpret_cast<T*>(value);
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) const char* vlc_standin_journal() { return g_journal.c_str(); }
__attribute__((visibility("default"))) void vlc_standin_clear() { g_journal.clear(); }

libvlc_instance_t* libvlc_new(int, const char* const*) { return Fake<libvlc_instance_t>(0x100); }
libvlc_media_t* libvlc_media_new_path(libvlc_instance_t*, const char*) { return Fake<libvlc_media_t>(0x200); }
libvlc_media_t* libvlc_media_new_fd(libvlc_instance_t*, int) { return nullptr; }
libvlc_media_player_t* libvlc_media_player_new(libvlc_instance_t*) { return Fake<libvlc_media_player_t>(0x300); }
libvlc_media_player_t* libvlc_media_player_new_from_media(libvlc_media_t*) { return nullptr; }
void libvlc_media_release(libvlc_media_t*) {}
int libvlc_media_player_play(libvlc_media_player_t* player)
{
    Record("play " + P(player));
    return 17;
}
void libvlc_media_player_stop(libvlc_media_player_t* player) { Record("stop " + P(player)); }
void libvlc_media_player_release(libvlc_media_player_t*) {}
void libvlc_release(libvlc_instance_t*) {}
void libvlc_media_player_set_xwindow(libvlc_media_player_t* player, uint32_t window)
{
    Record("set_xwindow " + P(player) + " " + std::to_string(window));
}
void libvlc_media_player_set_media(libvlc_media_player_t* player, libvlc_media_t* media)
{
    Record("set_media " + P(player) + " " + P(media));
}
libvlc_media_t* libvlc_media_player_get_media(libvlc_media_player_t*) { return nullptr; }
void libvlc_media_player_set_pause(libvlc_media_player_t* player, int pause)
{
    Record("set_pause " + P(player) + " " + std::to_string(pause));
}
libvlc_event_manager_t* libvlc_media_event_manager(libvlc_media_t*) { return nullptr; }
int libvlc_media_player_is_playing(libvlc_media_player_t* player)
{
    Record("is_playing " + P(player));
    return 23;
}
libvlc_event_manager_t* libvlc_media_player_event_manager(libvlc_media_player_t* player)
{
    Record("event_manager " + P(player));
    return Fake<libvlc_event_manager_t>(0xE0);
}
int libvlc_event_attach(libvlc_event_manager_t* manager, libvlc_event_type_t type, libvlc_callback_t callback,
                        void* data)
{
    Record("event_attach " + P(manager) + " " + std::to_string(type) + " " +
           (callback ? "callback" : "none") + " " + P(data));
    return 0;
}
void libvlc_event_detach(libvlc_event_manager_t*, libvlc_event_type_t, libvlc_callback_t, void*) {}
void libvlc_media_parse(libvlc_media_t*) {}
void libvlc_media_parse_async(libvlc_media_t*) {}
float libvlc_video_get_adjust_float(libvlc_media_player_t*, unsigned) { return 0; }
void libvlc_video_set_adjust_float(libvlc_media_player_t*, unsigned, float) {}
int libvlc_video_get_adjust_int(libvlc_media_player_t*, unsigned) { return 0; }
void libvlc_video_set_adjust_int(libvlc_media_player_t*, unsigned, int) {}
int libvlc_audio_get_volume(libvlc_media_player_t*) { return 0; }
int libvlc_audio_set_volume(libvlc_media_player_t* player, int volume)
{
    Record("set_volume " + P(player) + " " + std::to_string(volume));
    return 29;
}
float libvlc_media_player_get_rate(libvlc_media_player_t*) { return 1; }
int libvlc_media_player_set_rate(libvlc_media_player_t* player, float rate)
{
    Record("set_rate " + P(player) + " " + std::to_string(rate));
    return 31;
}
float libvlc_media_player_get_position(libvlc_media_player_t*) { return 0; }
void libvlc_media_player_set_position(libvlc_media_player_t* player, float position)
{
    Record("set_position " + P(player) + " " + std::to_string(position));
}
int libvlc_video_get_track_count(libvlc_media_player_t*) { return 0; }
int libvlc_video_get_track(libvlc_media_player_t*) { return -1; }
int libvlc_video_set_track(libvlc_media_player_t* player, int track)
{
    Record("set_track " + P(player) + " " + std::to_string(track));
    return 37;
}
int libvlc_video_take_snapshot(libvlc_media_player_t* player, unsigned output, const char* path, unsigned width,
                               unsigned height)
{
    Record("take_snapshot " + P(player) + " " + std::to_string(output) + " " + path + " " + std::to_string(width) +
           " " + std::to_string(height));
    return 0;
}
char* libvlc_video_get_aspect_ratio(libvlc_media_player_t*) { return nullptr; }
void libvlc_video_set_aspect_ratio(libvlc_media_player_t* player, const char* ratio)
{
    Record("set_aspect_ratio " + P(player) + " " + ratio);
}
void libvlc_media_add_option(libvlc_media_t*, const char*) {}
libvlc_state_t libvlc_media_player_get_state(libvlc_media_player_t*) { return libvlc_NothingSpecial; }
void libvlc_log_set(libvlc_instance_t*, libvlc_log_cb, void*) {}

}  // extern "C"
