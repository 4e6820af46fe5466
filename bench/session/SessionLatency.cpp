// Post-to-delivery latency of the session hub: single messages posted to an idle session (the dispatch
// thread is waiting), and messages posted in bursts (they queue behind each other).
#include "session/PlaybackSession.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class TimingListener : public IListener {
public:
    explicit TimingListener(size_t capacity) : posted(capacity), latencyUs(capacity) {}

    void update(int32_t, MessageParam* param) override
    {
        const auto now = Clock::now();
        latencyUs[param->index] = std::chrono::duration<double, std::micro>(now - posted[param->index]).count();
        delivered.fetch_add(1, std::memory_order_release);
    }

    void WaitFor(int count) const
    {
        while (delivered.load(std::memory_order_acquire) < count)
            std::this_thread::yield();
    }

    std::vector<Clock::time_point> posted;  // written before Post, read after: Post orders the two
    std::vector<double> latencyUs;
    std::atomic<int> delivered{0};
};

void Post(PlaybackSession& session, TimingListener& listener, int index)
{
    auto param = std::make_unique<MessageParam>();
    param->index = index;
    listener.posted[index] = Clock::now();
    session.Post(CHANGE_VIDEO_FRAME_POSITION, std::move(param));
}

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(fraction * static_cast<double>(values.size())));
    return values[at];
}

void Print(const char* what, const std::vector<double>& values)
{
    std::printf("%-6s n=%zu p50=%.1f us p99=%.1f us max=%.1f us\n", what, values.size(), Percentile(values, 0.50),
                Percentile(values, 0.99), Percentile(values, 1.0));
}

}  // namespace

int main()
{
    constexpr int kIdle = 2000;
    constexpr int kBursts = 20;
    constexpr int kBurstSize = 1000;

    PlaybackSession session;
    TimingListener idle(kIdle);
    session.AddListener(&idle);
    for (int i = 0; i < kIdle; ++i) {
        // Let the dispatch thread go back to waiting, so every message finds the session idle.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        Post(session, idle, i);
        idle.WaitFor(i + 1);
    }
    session.RemoveListener(&idle);

    TimingListener burst(kBursts * kBurstSize);
    session.AddListener(&burst);
    for (int b = 0; b < kBursts; ++b) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        for (int i = 0; i < kBurstSize; ++i)
            Post(session, burst, b * kBurstSize + i);
        burst.WaitFor((b + 1) * kBurstSize);
    }
    session.Shutdown();

    Print("idle", idle.latencyUs);
    std::printf("burst of %d:\n", kBurstSize);
    Print("burst", burst.latencyUs);
    std::printf("RESULT idle_p50_us=%.1f idle_p99_us=%.1f burst_p99_us=%.1f\n", Percentile(idle.latencyUs, 0.50),
                Percentile(idle.latencyUs, 0.99), Percentile(burst.latencyUs, 0.99));
    return 0;
}
