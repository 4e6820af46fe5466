#pragma once

// What both start-up references do with the engine: start it with the viewer's options (and the extra ones
// given), play the file into an X window, and print play_at=<unix time> as it is told to play and
// first_frame_at=<unix time> the moment the engine reports its video output, as the viewer's
// --trace-startup does.

#include <vlc/vlc.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

class ReferencePlayer {
public:
    // extra: the command line's options after the file. onPicture, when given, is called on an engine
    // thread right after the moment is printed.
    ReferencePlayer(const char* file, int extraCount, char** extra, uint32_t window, void (*onPicture)() = nullptr)
        : m_onPicture(onPicture)
    {
        std::vector<const char*> options{"-I", "dummy", "--ignore-config", "--no-osd", "--disable-screensaver",
                                         "--no-snapshot-preview"};
        options.insert(options.end(), extra, extra + extraCount);
        m_vlc = libvlc_new(static_cast<int>(options.size()), options.data());
        if (!m_vlc) {
            std::fprintf(stderr, "libvlc_new failed\n");
            return;
        }
        libvlc_media_t* media = libvlc_media_new_path(m_vlc, file);
        m_player = libvlc_media_player_new_from_media(media);
        libvlc_media_release(media);
        libvlc_media_player_set_xwindow(m_player, window);
        libvlc_event_attach(libvlc_media_player_event_manager(m_player), libvlc_MediaPlayerVout, &OnVout, this);
        PrintMoment("play_at");
        libvlc_media_player_play(m_player);
    }

    ~ReferencePlayer()
    {
        if (m_player) {
            libvlc_media_player_stop(m_player);
            libvlc_media_player_release(m_player);
        }
        if (m_vlc)
            libvlc_release(m_vlc);
    }

    ReferencePlayer(const ReferencePlayer&) = delete;
    ReferencePlayer& operator=(const ReferencePlayer&) = delete;

    bool Started() const { return m_player != nullptr; }
    bool ShowedPicture() const { return m_picture; }

private:
    static void PrintMoment(const char* key)
    {
        const double now =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
        std::printf("%s=%.3f\n", key, now);
        std::fflush(stdout);
    }

    static void OnVout(const libvlc_event_t*, void* self)
    {
        auto* reference = static_cast<ReferencePlayer*>(self);
        if (reference->m_picture.exchange(true))
            return;
        PrintMoment("first_frame_at");
        if (reference->m_onPicture)
            reference->m_onPicture();
    }

    void (*m_onPicture)();
    libvlc_instance_t* m_vlc = nullptr;
    libvlc_media_player_t* m_player = nullptr;
    std::atomic<bool> m_picture{false};
};
