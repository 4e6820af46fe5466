// The reference for the viewer's start-up: a bare libVLC program that opens an X window, starts the
// engine with the viewer's options, plays the same file into the window and prints the moment the
// engine reports its video output (libvlc_MediaPlayerVout). Usage: tessaro_bench_startup FILE [OPTION...]
#include "ReferencePlayer.h"

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <thread>

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

    bool showed = false;
    {
        ReferencePlayer reference(argv[1], argc - 2, argv + 2, window);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (reference.Started() && !reference.ShowedPicture() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        showed = reference.ShowedPicture();
    }
    xcb_disconnect(connection);
    return showed ? 0 : 1;
}
