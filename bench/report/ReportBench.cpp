// The print command's two costs on the user-interface thread: assembling a report of a two-camera
// recording (the engine's two stills are copied into place as it would write them, then loaded and removed;
// the map picture; the sample lines) and printing both pages to an A4 PDF file at printer resolution.
// Medians of several runs.
#include "output/CPrintControl.h"
#include "output/ReportBuilder.h"
#include "session/PlaybackSession.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 9;

// A still with some detail, so that it does not compress to nothing.
QImage Still(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7 + y) & 255, (y * 3) & 255, (x ^ y) & 255));
    return image;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Tagged(const std::string& path, const char* tag)
{
    return path.substr(0, path.size() - 4) + tag + path.substr(path.size() - 4);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTemporaryDir work;
    const QString front = work.filePath("front.png");
    const QString rear = work.filePath("rear.png");
    Still(640, 352).save(front);
    Still(320, 180).save(rear);
    const QImage map = Still(500, 300);

    PlaybackSession session;
    auto item = std::make_unique<RecordingItem>(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always,
                                                "/bench/REC.avi", "REC.avi");
    item->channelCount = 2;
    item->duration = 60;
    for (int s = 0; s < 60; ++s) {
        item->gpsSamples.push_back({37.5 + s / 1000.0, 127.25 + s / 1000.0, 40.0 + s, 0, true});
        for (int k = 0; k < 9; ++k) {
            item->gSensorSamples.push_back({k / 32.0, -k / 32.0, 1.0});
            item->gSensorTimes.push_back(s + k / 9.0);
        }
    }
    std::vector<std::unique_ptr<RecordingItem>> list;
    list.push_back(std::move(item));
    session.SetRecordings(std::move(list));
    session.position = 0.5f;

    CPrintControl printControl;
    ReportSources sources;
    sources.captureSnapshot = [&](const std::string& path) {
        QFile::copy(front, QString::fromStdString(Tagged(path, "(Track1)")));
        QFile::copy(rear, QString::fromStdString(Tagged(path, "(Track2)")));
    };
    sources.mapPicture = [&] { return map; };

    std::vector<double> build, pdf;
    for (int run = 0; run < kRuns; ++run) {
        Clock::time_point start = Clock::now();
        const ReportData report = BuildReportData(session, sources);
        build.push_back(MsSince(start));
        if (report.m_track2Image.isNull()) {
            std::fprintf(stderr, "the stills were not loaded\n");
            return 1;
        }
        printControl.SetReport(report);

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(work.filePath("report.pdf"));
        start = Clock::now();
        if (!printControl.Print(printer)) {
            std::fprintf(stderr, "the report could not be printed\n");
            return 1;
        }
        pdf.push_back(MsSince(start));
    }
    std::printf("assemble (2 stills 640x352 + 320x180, map 500x300): median %.1f ms of %d\n", Median(build), kRuns);
    std::printf("print both pages to an A4 PDF at printer resolution: median %.1f ms of %d (%lld bytes)\n", Median(pdf),
                kRuns, static_cast<long long>(QFileInfo(work.filePath("report.pdf")).size()));
    std::printf("RESULT report_build_ms=%.1f report_pdf_ms=%.1f\n", Median(build), Median(pdf));
    session.Shutdown();
    return 0;
}
