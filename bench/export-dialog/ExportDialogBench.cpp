// How quickly the clip export dialog's MPlayer previews answer: from showing the dialog to both first
// pictures on the screen, from a slider's move to the start preview's new picture (its last change), and how long closing
// the dialog takes (both previews killed and reaped). Pictures are read from the X server, where MPlayer
// draws.
//
// Usage: tessaro_bench_export-dialog <skin folder> <59 s recording>
#include "output/CSaveVideoDialog.h"

#include "recording/RecordingItem.h"
#include "support/qt/ScreenPixels.h"
#include "widgets/MessageBoxes.h"
#include "widgets/ResourceManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSlider>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 7;
constexpr int kGiveUpMs = 10000;

// Milliseconds until done() holds, running the event loop meanwhile; -1 when it never does.
double MsUntil(const QElapsedTimer& since, const std::function<bool()>& done)
{
    while (since.elapsed() < kGiveUpMs) {
        QCoreApplication::processEvents();
        if (done())
            return static_cast<double>(since.nsecsElapsed()) / 1e6;
        QThread::msleep(2);
    }
    return -1;
}

void Settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    MsUntil(timer, [&] { return timer.elapsed() >= ms; });
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <skin folder> <59 s recording>\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    std::filesystem::current_path(argv[1]);
    ResourceManager::GetInstance();
    RecordingItem item(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, argv[2], "REC_0001.avi");
    item.duration = 59;

    std::vector<double> firstPicture, seek, close;
    for (int run = 0; run < kRuns; ++run) {
        CSaveVideoDialog dialog(nullptr, GetMessageBoxes());
        dialog.SetRecording(item);
        dialog.move(20, 20);
        QWidget* startSurface = dialog.PreviewSurface(dialog.StartPreview());
        QWidget* endSurface = dialog.PreviewSurface(dialog.EndPreview());

        QElapsedTimer timer;
        timer.start();
        dialog.show();
        firstPicture.push_back(MsUntil(timer, [&] {
            return ShowsAPicture(ScreenPixels(startSurface)) && ShowsAPicture(ScreenPixels(endSurface));
        }));
        Settle(500);

        const QImage before = ScreenPixels(startSurface);
        timer.restart();
        dialog.findChild<QSlider*>(QString::number(CSaveVideoDialog::kStartSliderId))->setValue(10 + 5 * run);
        // The time of the last change, once the picture has stood still for 300 ms: a picture drawn in
        // steps counts when it is complete.
        QImage shown = before;
        double lastChange = -1;
        MsUntil(timer, [&] {
            const QImage now = ScreenPixels(startSurface);
            const double at = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            if (now != shown) {
                shown = now;
                lastChange = at;
            }
            return lastChange >= 0 && at - lastChange > 300;
        });
        seek.push_back(lastChange);

        timer.restart();
        dialog.reject();
        close.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        Settle(100);
    }

    auto list = [](const std::vector<double>& values) {
        for (double v : values)
            std::printf(" %.0f", v);
        std::printf("\n");
    };
    std::printf("first pictures (ms):");
    list(firstPicture);
    std::printf("seek (ms):");
    list(seek);
    std::printf("close (ms):");
    list(close);
    const bool failed = std::count(firstPicture.begin(), firstPicture.end(), -1.0) +
                        std::count(seek.begin(), seek.end(), -1.0) > 0;
    std::printf("RESULT preview_first_picture_ms=%.0f preview_seek_ms=%.0f dialog_close_ms=%.1f\n", Median(firstPicture),
                Median(seek), Median(close));
    ResourceManager::DestroyInstance();
    return failed ? 1 : 0;
}
