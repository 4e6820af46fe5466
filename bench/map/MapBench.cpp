// Memory and interface-thread lateness of the map pane with the real web engine.
#include "ui/map/GPSMapControl.h"
#include "mapbrowser/MapBrowser.h"
#include "ui/map/WebEngineProcess.h"

#include "widgets/ResourceManager.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Proportional set size in kB of a process (smaps_rollup), 0 when it is gone.
long PssKb(int pid)
{
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string key;
    long value = 0;
    while (rollup >> key) {
        if (key == "Pss:") {
            rollup >> value;
            return value;
        }
        rollup.ignore(1 << 20, '\n');
    }
    return 0;
}

// The process's own PSS and that of every descendant (the engine's helper processes).
double TreePssMb()
{
    std::vector<std::pair<int, int>> parents;  // (pid, ppid)
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool ok = false;
        const int pid = entry.toInt(&ok);
        if (!ok)
            continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        char state = 0;
        int ppid = 0;
        rest >> state >> ppid;
        parents.emplace_back(pid, ppid);
    }
    std::vector<int> tree{static_cast<int>(QCoreApplication::applicationPid())};
    for (std::size_t i = 0; i < tree.size(); ++i)
        for (const auto& [pid, ppid] : parents)
            if (ppid == tree[i])
                tree.push_back(pid);
    long total = 0;
    for (int pid : tree)
        total += PssKb(pid);
    return static_cast<double>(total) / 1024.0;
}

class MainWindowStandIn final : public IListener {
public:
    explicit MainWindowStandIn(PlaybackSession& session) : m_session(session) {}
    void update(int32_t message, MessageParam*) override
    {
        if (message == VIDEO_OPENING)
            m_session.LoadCurrentMetadata();
        ++delivered;
    }
    std::atomic<int> delivered{0};

private:
    PlaybackSession& m_session;
};

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()))];
}

}  // namespace

int main(int argc, char** argv)
{
    PrepareWebEngineProcess();
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tessaro_bench_map RECORDING.avi\n");
        return 2;
    }
    ResourceManager::GetInstance();
    PlaybackSession session;
    MainWindowStandIn mainWindow(session);
    session.AddListener(&mainWindow);
    QWidget window;
    window.resize(1024, 768);
    QTest::qWait(500);
    const double baseline = TreePssMb();

    auto* pane = new GPSMapControl(&window, session);
    pane->setGeometry(GPSMapControl::DockedGeometry(window.size()));
    QElapsedTimer loading;
    loading.start();
    window.show();
    if (!QTest::qWaitFor([&] { return pane->Page()->IsLoaded(); }, 30000)) {
        std::fprintf(stderr, "the map page did not load\n");
        return 1;
    }
    const double firstLoadMs = static_cast<double>(loading.elapsed());

    std::vector<std::unique_ptr<RecordingItem>> items;
    items.push_back(std::make_unique<RecordingItem>(DateTime{}, Always, argv[1], "REC.avi"));
    session.SetRecordings(std::move(items));
    for (int32_t message : {VIDEO_FILES_OPENED, VIDEO_OPENING, VIDEO_METADATA_CREATED})
        session.Post(message, std::make_unique<MessageParam>());
    auto post = [&](float position) {
        auto param = std::make_unique<MessageParam>();
        param->position = position;
        session.Post(VIDEO_FRAME_POSITION_CHANGED, std::move(param));
    };
    post(0.0f);
    QTest::qWait(3000);
    const double loaded = TreePssMb();
    std::printf("PSS: %.1f MB before the pane, %.1f MB with its page and a track (first load %.0f ms)\n", baseline,
                loaded, firstLoadMs);

    // Positions at 4 per second from a timer on the interface thread: how late does it fire?
    std::vector<double> late;
    QElapsedTimer clock;
    clock.start();
    int ticks = 0;
    qint64 previous = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        const qint64 now = clock.elapsed();
        late.push_back(std::max(0.0, static_cast<double>(now - previous) - 250.0));
        previous = now;
        post(static_cast<float>(ticks % 240) / 240.0f);
    });
    timer.start(250);
    QTest::qWaitFor([&] { return ticks >= 120; }, 60000);
    timer.stop();

    // 10 000 positions, each delivered and handed to the page before the next.
    const double beforeMany = TreePssMb();
    for (int i = 0; i < 10000; ++i) {
        const int target = mainWindow.delivered + 1;
        post(static_cast<float>(i % 600) / 600.0f);
        while (mainWindow.delivered < target)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
    }
    QTest::qWait(3000);
    const double afterMany = TreePssMb();
    std::printf("PSS: %.1f MB before 10 000 positions, %.1f MB after\n", beforeMany, afterMany);

    session.RemoveListener(&mainWindow);
    delete pane;
    session.Shutdown();
    std::printf("RESULT pane_pss_mb=%.1f growth_mb_10k=%.1f first_load_ms=%.0f ui_late_p99_ms=%.1f ui_late_max_ms=%.1f\n",
                loaded - baseline, afterMany - beforeMany, firstLoadMs, Percentile(late, 0.99),
                *std::max_element(late.begin(), late.end()));
    return 0;
}
