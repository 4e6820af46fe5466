// A second reference for the viewer's start-up: the least a Qt Widgets program does to show the same
// picture. One window with one native child, the engine with the viewer's options, the same file played
// into the child; prints the moment the engine reports its video output, as the bare reference does.
// What the viewer takes beyond this is its own (skin, panes, scan, the second camera).
// Usage: tessaro_bench_startup_qt FILE [OPTION...]
#include "../ReferencePlayer.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

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

    ReferencePlayer reference(argv[1], argc - 2, argv + 2, static_cast<uint32_t>(surface->winId()), [] {
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    if (!reference.Started())
        return 1;
    // Gives up after 30 s, as the bare reference does.
    QTimer::singleShot(30000, &application, &QCoreApplication::quit);
    application.exec();
    return reference.ShowedPicture() ? 0 : 1;
}
