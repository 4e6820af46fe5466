// A second reference for the viewer's start-up: the least a Qt Widgets program does to show the same
// picture. One window with one native child, the engine with the viewer's options, the same file played
// into the child; prints the moment the engine reports its video output, as the bare reference does.
// What the viewer takes beyond this is its own (skin, panes, scan, the second camera).
// Usage: tessaro_bench_startup_qt FILE [OPTION...]
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <vlc/vlc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
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
    QApplication application(argc, argv);
    QWidget window;
    window.resize(1065, 758);
    auto* surface = new QWidget(&window);
    surface->setGeometry(5, 46, 770, 463);
    surface->setAttribute(Qt::WA_NativeWindow);
    window.show();

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
    libvlc_media_player_set_xwindow(player, static_cast<uint32_t>(surface->winId()));
    libvlc_event_attach(
        libvlc_media_player_event_manager(player), libvlc_MediaPlayerVout,
        [](const libvlc_event_t*, void*) {
            g_vout = true;
            std::printf("first_frame_at=%.3f\n", Now());
            std::fflush(stdout);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        },
        nullptr);
    libvlc_media_player_play(player);
    // Gives up after 30 s, as the bare reference does.
    QTimer::singleShot(30000, &application, &QCoreApplication::quit);
    application.exec();
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    libvlc_release(vlc);
    return g_vout ? 0 : 1;
}
