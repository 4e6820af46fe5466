// How long the user-interface thread stalls while the player pane follows playback: a 1 ms heartbeat on
// that thread through idle play, through a 5 s drag of the position slider at 200 steps a second, and
// through Next clicks while long recordings' metadata is read; and how long a delivered position report
// takes to move the slider's thumb.
//
// Usage: tessaro_bench_playerpane <skin folder> <short recording> <long recording>
#include "playback/CVideoPlayerPane.h"

#include "widgets/CMySliderControl.h"
#include "widgets/ResourceManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(fraction * static_cast<double>(values.size())));
    return values[at];
}

// What the main window does with the messages playback relies on.
class MainWindowStandIn final : public IListener {
public:
    explicit MainWindowStandIn(PlaybackSession& session) : m_session(session) {}
    void update(int32_t message, MessageParam* param) override
    {
        switch (message) {
        case VIDEO_INDEX_SELECT:
            if (param)
                m_session.SetCurrentIndex(param->index);
            break;
        case VIDEO_OPENING:
            m_session.LoadCurrentMetadata();
            break;
        case VIDEO_FRAME_POSITION_CHANGED:
            if (param)
                m_session.position = param->position;
            break;
        case VIDEO_PLAY:
        case VIDEO_STOP:
        case VIDEO_PREVIOUS:
        case VIDEO_NEXT:
        case NEW_VIDEO_PLAY:
            m_session.ClearQueue();
            break;
        default:
            break;
        }
    }

private:
    PlaybackSession& m_session;
};

// Notes when each position report was delivered and whether playback runs.
class Watcher final : public IListener {
public:
    void update(int32_t message, MessageParam* param) override
    {
        if (message == VIDEO_PLAYING)
            playing = true;
        if (message == VIDEO_FRAME_POSITION_CHANGED && param) {
            std::lock_guard lock(mutex);
            delivered[CVideoPlayerPane::SliderValue(param->position)] = Clock::now();
            ++reports;
        }
    }
    std::atomic<bool> playing{false};
    std::atomic<int> reports{0};
    std::mutex mutex;
    std::map<int, Clock::time_point> delivered;
};

class Graph final : public QWidget, public IGSensorGraph {
public:
    explicit Graph(QWidget* parent) : QWidget(parent) {}
    void ClearGraph() override {}
    QWidget* GraphWidget() override { return this; }
};

// A 1 ms timer on the user-interface thread; a phase collects the gaps between its ticks beyond 1 ms.
class Heartbeat {
public:
    Heartbeat()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            if (m_collecting)
                stalls.push_back(std::max(0.0, Ms(now - m_last) - 1.0));
            m_last = now;
        });
        m_last = Clock::now();
        m_timer.start();
    }
    void Begin()
    {
        stalls.clear();
        m_collecting = true;
    }
    std::vector<double> End()
    {
        m_collecting = false;
        return stalls;
    }
    std::vector<double> stalls;

private:
    QTimer m_timer;
    Clock::time_point m_last;
    bool m_collecting = false;
};

void RunFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

template <typename Done>
bool RunUntil(Done done, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void Open(PlaybackSession& session, const std::vector<std::string>& paths)
{
    std::vector<std::unique_ptr<RecordingItem>> items;
    for (const std::string& path : paths)
        items.push_back(std::make_unique<RecordingItem>(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, path,
                                                        std::filesystem::path(path).filename().string()));
    session.SetRecordings(std::move(items));
    session.Post(VIDEO_FILES_OPENED, std::make_unique<MessageParam>());
    auto select = std::make_unique<MessageParam>();
    select->index = 0;
    session.Post(VIDEO_INDEX_SELECT, std::move(select));
    session.Post(VIDEO_MEDIA_LOAD, std::make_unique<MessageParam>());
    session.Post(NEW_VIDEO_PLAY, std::make_unique<MessageParam>());
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Report(const char* phase, const std::vector<double>& values)
{
    std::printf("%-6s n=%zu p50=%.2f ms p99=%.2f ms max=%.2f ms\n", phase, values.size(), Percentile(values, 0.5),
                Percentile(values, 0.99), Percentile(values, 1.0));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <skin folder> <short recording> <long recording>\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    std::filesystem::current_path(argv[1]);
    ResourceManager::GetInstance();
    VlcFunctionExecutor::SetExtraEngineOptions({"--gl=none", "--gles2=none"});
    const std::string shortRecording = argv[2], longRecording = argv[3];

    int status = 0;
    {
        PlaybackSession session;
        MainWindowStandIn mainWindow(session);
        Watcher watcher;
        session.AddListener(&mainWindow);
        // Before the pane: a report's delivery is noted before the pane hands its thumb move on.
        session.AddListener(&watcher);
        auto* pane = new CVideoPlayerPane(nullptr, session, *VlcFunctionExecutor::Instance(),
                                          [](QWidget* parent, PlaybackSession&) { return new Graph(parent); });
        pane->resize(770, 708);
        pane->show();

        std::vector<double> lags;
        QObject::connect(pane->PositionSlider(), &QSlider::valueChanged, [&](int value) {
            const auto now = Clock::now();
            std::lock_guard lock(watcher.mutex);
            // The mouse moves the thumb while it holds it; only the pane's writes count.
            if (pane->PositionSlider()->IsThumbHeld()) {
                watcher.delivered.clear();
                return;
            }
            const auto found = watcher.delivered.find(value);
            if (found != watcher.delivered.end()) {
                lags.push_back(Ms(now - found->second));
                watcher.delivered.erase(found);
            }
        });

        Heartbeat heartbeat;
        // Idle play.
        Open(session, {shortRecording});
        if (!RunUntil([&] { return watcher.playing.load() && watcher.reports >= 2; }))
            status = 1;
        heartbeat.Begin();
        RunFor(5000);
        const std::vector<double> idle = heartbeat.End();

        // A 5 s drag at 200 steps a second, to and fro along the slider.
        CMySliderControl* slider = pane->PositionSlider();
        const QRect channel = slider->ChannelRect();
        const int y = channel.center().y();
        heartbeat.Begin();
        SendMouse(slider, QEvent::MouseButtonPress, slider->ThumbRect().center());
        QTimer drag;
        drag.setTimerType(Qt::PreciseTimer);
        int step = 0;
        QObject::connect(&drag, &QTimer::timeout, [&] {
            const int span = std::max(1, channel.width());
            const int along = (step * 7) % (2 * span);
            const int x = channel.left() + (along < span ? along : 2 * span - along);
            SendMouse(slider, QEvent::MouseMove, {x, y});
            ++step;
        });
        drag.start(5);
        RunFor(5000);
        drag.stop();
        SendMouse(slider, QEvent::MouseButtonRelease, {channel.left() + channel.width() / 3, y});
        const std::vector<double> seek = heartbeat.End();
        RunFor(1500);

        // Next clicks while each newly loaded long recording's metadata is read on the dispatch thread.
        watcher.playing = false;
        Open(session, std::vector<std::string>(12, longRecording));
        RunUntil([&] { return watcher.playing.load(); });
        heartbeat.Begin();
        double slowestClick = 0.0;
        for (int click = 0; click < 10; ++click) {
            const auto before = Clock::now();
            pane->OnBnClickedNextBtn();
            slowestClick = std::max(slowestClick, Ms(Clock::now() - before));
            RunFor(200);
        }
        RunFor(1000);
        const std::vector<double> next = heartbeat.End();

        Report("idle", idle);
        Report("seek", seek);
        Report("next", next);
        std::printf("slowest Next click %.2f ms\n", slowestClick);
        std::printf("lag    n=%zu p50=%.2f ms p99=%.2f ms max=%.2f ms (drag steps %d)\n", lags.size(),
                    Percentile(lags, 0.5), Percentile(lags, 0.99), Percentile(lags, 1.0), step);
        std::printf("RESULT gui_stall_idle_p99_ms=%.2f gui_stall_seek_p99_ms=%.2f gui_stall_seek_max_ms=%.2f "
                    "gui_stall_next_max_ms=%.2f slider_lag_p99_ms=%.2f\n",
                    Percentile(idle, 0.99), Percentile(seek, 0.99), Percentile(seek, 1.0), Percentile(next, 1.0),
                    Percentile(lags, 0.99));
        std::fflush(stdout);

        session.StopDelivery();
        delete pane;
        session.Shutdown();
    }
    VlcFunctionExecutor::DestroyInstance();
    ResourceManager::DestroyInstance();
    return status;
}
