// The reference for the viewer's start-up: a bare libVLC program that opens an X window, starts the
// engine with the viewer's options, plays the same file into the window and prints the moment the
// engine reports its video output (libvlc_MediaPlayerVout). Usage: tessaro_bench_startup FILE [OPTION...]
#include <vlc/vlc.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

std::atomic<bool> g_vout{false};

double Now()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [OPTION...]\n", argv[0]);
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t black = screen->black_pixel;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 385, 463, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, &black);
    xcb_map_window(connection, window);
    xcb_flush(connection);

    std::vector<const char*> options{"-I", "dummy", "--ignore-config", "--no-osd", "--disable-screensaver",
                                     "--no-snapshot-preview"};
    for (int i = 2; i < argc; ++i)
        options.push_back(argv[i]);
    libvlc_instance_t* vlc = libvlc_new(static_cast<int>(options.size()), options.data());
    if (!vlc) {
        std::fprintf(stderr, "libvlc_new failed\n");
        return 1;
    }
    libvlc_media_t* media = libvlc_media_new_path(vlc, argv[1]);
    libvlc_media_player_t* player = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    libvlc_media_player_set_xwindow(player, window);
    libvlc_event_attach(libvlc_media_player_event_manager(player), libvlc_MediaPlayerVout,
                        [](const libvlc_event_t*, void*) { g_vout = true; }, nullptr);
    libvlc_media_player_play(player);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!g_vout && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (g_vout)
        std::printf("first_frame_at=%.3f\n", Now());
    std::fflush(stdout);
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    libvlc_release(vlc);
    xcb_disconnect(connection);
    return g_vout ? 0 : 1;
}
