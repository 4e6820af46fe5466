// The G-sensor pane at the player pane's size (plot 759 x 95): plotting the trace of a minute-long and of an
// hour-long recording, one repaint of the plot, and one position read-out (the dispatch thread's part of a
// position message). Medians of many runs.
#include "ui/graph/CGraphStatic.h"
#include "ui/graph/GyroscopeGraphControl.h"

#include <QApplication>
#include <QEvent>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSamplesPerSecond = 9;

// A drive's trace: small wandering values around 0 g (X, Y) and 1 g (Z), in the sensor's 1/32 g steps.
std::vector<GSensorSample> Trace(int seconds)
{
    std::vector<GSensorSample> samples(static_cast<std::size_t>(seconds * kSamplesPerSecond));
    unsigned state = 12345;
    const auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) % 9) - 4;
    };
    for (GSensorSample& sample : samples)
        sample = {next() / 32.0, next() / 32.0, 1.0 + next() / 32.0};
    return samples;
}

std::unique_ptr<RecordingItem> Recording(int seconds)
{
    auto item = std::make_unique<RecordingItem>(DateTime{}, Event, "/bench/EVT.avi", "EVT.avi");
    item->duration = seconds;
    item->gSensorSamples = Trace(seconds);
    const double step = static_cast<double>(seconds) / static_cast<double>(item->gSensorSamples.size());
    double time = 0.0;
    for (std::size_t i = 0; i < item->gSensorSamples.size(); ++i)
        item->gSensorTimes.push_back(time += step);
    return item;
}

double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

template <typename Work>
double MedianMs(int runs, Work work)
{
    std::vector<double> ms, cpu;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        const double cpuStart = ThreadCpuMs();
        work();
        cpu.push_back(ThreadCpuMs() - cpuStart);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("  (cpu median %.3f ms, wall median %.3f ms)\n", cpu[cpu.size() / 2], ms[ms.size() / 2]);
    return ms[ms.size() / 2];
}

class PaintCounter : public QObject {
public:
    explicit PaintCounter(int& count) : m_count(count) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        m_count += event->type() == QEvent::Paint;
        return false;
    }

private:
    int& m_count;
};

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    PlaybackSession session;
    GyroscopeGraphControl pane(nullptr, session);
    pane.resize(770, 135);
    pane.show();
    QCoreApplication::processEvents();
    CGraphStatic& graph = *pane.Graph();
    std::printf("plot %dx%d\n", graph.width(), graph.height());

    const std::vector<GSensorSample> minute = Trace(60);
    const std::vector<GSensorSample> hour = Trace(3600);
    const double draw60 = MedianMs(300, [&] { pane.ShowRecordingGraph(minute); });
    const double draw1h = MedianMs(100, [&] { pane.ShowRecordingGraph(hour); });
    int paints = 0;
    PaintCounter counter(paints);
    graph.installEventFilter(&counter);
    const double paint = MedianMs(300, [&] { graph.repaint(); });
    std::printf("paints %d of 300\n", paints);

    std::vector<std::unique_ptr<RecordingItem>> list;
    list.push_back(Recording(3600));
    session.SetRecordings(std::move(list));
    constexpr int kPositions = 20000;
    double positionTotalUs = 0.0;
    for (int i = 0; i < kPositions; ++i) {
        const float position = static_cast<float>(i % 1000) / 1000.0f;
        const auto start = Clock::now();
        pane.OnPosition(position);
        positionTotalUs += std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        if (i % 100 == 99)
            QCoreApplication::processEvents();  // the read-outs change on this thread, outside the timing
    }
    const double positionUs = positionTotalUs / kPositions;
    // What the user-interface thread then does with one read-out change (three texts and their repaint).
    const double apply = MedianMs(300, [&] {
        pane.OnPosition(0.5f);
        QCoreApplication::processEvents();
    });

    std::printf("plot a 60 s trace (%zu samples)   %8.3f ms\n", minute.size(), draw60);
    std::printf("plot a 1 h trace (%zu samples)  %8.3f ms\n", hour.size(), draw1h);
    std::printf("repaint the plot                   %8.3f ms\n", paint);
    std::printf("position read-out (dispatch side)  %8.3f us\n", positionUs);
    std::printf("position read-out shown            %8.3f ms\n", apply);
    std::printf("RESULT draw_ms_60s=%.3f draw_ms_1h=%.3f draw_ratio=%.2f paint_ms=%.3f position_us=%.2f\n", draw60,
                draw1h, draw1h / draw60, paint, positionUs);
    return 0;
}
