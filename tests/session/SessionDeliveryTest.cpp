#include "session/PlaybackSession.h"

#include "SessionTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using Entry = DeliveryLog::Entry;

TEST(SessionDelivery, EachMessageReachesEveryListenerInOrderBeforeTheNextOne)
{
    DeliveryLog log;
    LoggingListener first("first", log), second("second", log);
    PlaybackSession session;
    session.AddListener(&first);
    session.AddListener(&second);

    // A message posted while another is being delivered waits until the current one reached everyone,
    // behind whatever was already waiting.
    Gate gate;
    first.onUpdate = [&](int32_t message, MessageParam*) {
        if (message == VIDEO_INDEX_SELECT)
            gate.WaitInside();
        if (message == VIDEO_OPENING)
            session.Post(VIDEO_METADATA_CREATED);
    };
    session.Post(VIDEO_INDEX_SELECT, WithIndex(4));
    ASSERT_TRUE(gate.WaitUntilEntered());
    session.Post(VIDEO_OPENING);
    session.Post(VIDEO_STOP);
    gate.Open();
    ASSERT_TRUE(log.WaitForCount(8));
    EXPECT_EQ(log.Snapshot(), (std::vector<Entry>{
                                  {"first", VIDEO_INDEX_SELECT, 4},
                                  {"second", VIDEO_INDEX_SELECT, 4},
                                  {"first", VIDEO_OPENING, -1},
                                  {"second", VIDEO_OPENING, -1},
                                  {"first", VIDEO_STOP, -1},
                                  {"second", VIDEO_STOP, -1},
                                  {"first", VIDEO_METADATA_CREATED, -1},
                                  {"second", VIDEO_METADATA_CREATED, -1},
                              }));
}

TEST(SessionDelivery, ClearQueueDropsWaitingMessagesButNotTheOneBeingDelivered)
{
    DeliveryLog log;
    LoggingListener mainWindow("main", log), pane("pane", log);
    Gate gate;
    PlaybackSession session;
    session.AddListener(&mainWindow);
    session.AddListener(&pane);
    // Like the main window: a play command replaces whatever was waiting behind it.
    mainWindow.onUpdate = [&](int32_t message, MessageParam*) {
        if (message == VIDEO_PAUSE)
            gate.WaitInside();
        if (message == VIDEO_PLAY)
            session.ClearQueue();
    };

    session.Post(VIDEO_PAUSE);
    ASSERT_TRUE(gate.WaitUntilEntered());
    session.Post(VIDEO_PLAY);
    session.Post(CHANGE_VIDEO_SPEED, WithIndex(1));
    session.Post(CHANGE_VIDEO_VOLUME, WithIndex(2));
    gate.Open();
    ASSERT_TRUE(log.WaitForCount(4));

    // The queue goes on working after it was cleared.
    session.Post(CHANGE_VIDEO_BRIGHTNESS);
    ASSERT_TRUE(log.WaitForCount(6));
    EXPECT_EQ(log.Snapshot(), (std::vector<Entry>{
                                  {"main", VIDEO_PAUSE, -1},
                                  {"pane", VIDEO_PAUSE, -1},
                                  {"main", VIDEO_PLAY, -1},
                                  {"pane", VIDEO_PLAY, -1},
                                  {"main", CHANGE_VIDEO_BRIGHTNESS, -1},
                                  {"pane", CHANGE_VIDEO_BRIGHTNESS, -1},
                              }));
}

TEST(SessionDelivery, DroppingWaitingSeeksKeepsEveryOtherMessageInItsOrder)
{
    DeliveryLog log;
    LoggingListener pane("pane", log);
    Gate gate;
    PlaybackSession session;
    session.AddListener(&pane);
    pane.onUpdate = [&](int32_t message, MessageParam*) {
        if (message == VIDEO_PAUSE)
            gate.WaitInside();
    };

    session.Post(VIDEO_PAUSE);
    ASSERT_TRUE(gate.WaitUntilEntered());
    // What may wait behind a drag: old position reports and seeks between an opening and an end sequence.
    session.Post(VIDEO_FRAME_POSITION_CHANGED, WithIndex(1));
    session.Post(VIDEO_OPENING);
    session.Post(CHANGE_VIDEO_FRAME_POSITION, WithIndex(2));
    session.Post(VIDEO_METADATA_CREATED);
    session.Post(VIDEO_FRAME_POSITION_CHANGED, WithIndex(3));
    session.Post(VIDEO_INDEX_SELECT, WithIndex(4));
    session.Post(VIDEO_MEDIA_LOAD);
    session.Post(VIDEO_STOP);
    session.DropWaitingMessages({VIDEO_FRAME_POSITION_CHANGED, CHANGE_VIDEO_FRAME_POSITION});
    session.Post(CHANGE_VIDEO_FRAME_POSITION, WithIndex(5));
    gate.Open();
    ASSERT_TRUE(log.WaitForCount(7));

    EXPECT_EQ(log.Snapshot(), (std::vector<Entry>{
                                  {"pane", VIDEO_PAUSE, -1},
                                  {"pane", VIDEO_OPENING, -1},
                                  {"pane", VIDEO_METADATA_CREATED, -1},
                                  {"pane", VIDEO_INDEX_SELECT, 4},
                                  {"pane", VIDEO_MEDIA_LOAD, -1},
                                  {"pane", VIDEO_STOP, -1},
                                  {"pane", CHANGE_VIDEO_FRAME_POSITION, 5},
                              }));
}

TEST(SessionDelivery, ListenersMayJoinAndLeaveDuringADelivery)
{
    DeliveryLog log;
    LoggingListener leaver("leaver", log), removed("removed", log), after("after", log), late("late", log);
    PlaybackSession session;
    session.AddListener(&leaver);
    session.AddListener(&removed);
    session.AddListener(&after);
    // The first listener leaves, takes the second with it and brings a new one; the third must still be
    // called, the second must not, and the newcomer starts with the next message.
    leaver.onUpdate = [&](int32_t, MessageParam*) {
        session.RemoveListener(&leaver);
        session.RemoveListener(&removed);
        session.AddListener(&late);
    };
    session.Post(VIDEO_PLAY);
    session.Post(VIDEO_STOP);
    ASSERT_TRUE(log.WaitForCount(4));
    EXPECT_EQ(log.Snapshot(), (std::vector<Entry>{
                                  {"leaver", VIDEO_PLAY, -1},
                                  {"after", VIDEO_PLAY, -1},
                                  {"after", VIDEO_STOP, -1},
                                  {"late", VIDEO_STOP, -1},
                              }));
}

TEST(SessionDelivery, StoppingDuringADeliveryReachesNoFurtherListenerAndDropsLaterPosts)
{
    DeliveryLog log;
    LoggingListener closing("closing", log), other("other", log);
    PlaybackSession session;
    session.AddListener(&closing);
    session.AddListener(&other);
    closing.onUpdate = [&](int32_t, MessageParam*) { session.StopDelivery(); };
    session.Post(VIDEO_PLAY);
    ASSERT_TRUE(log.WaitForCount(1));
    session.Shutdown();
    session.Post(VIDEO_STOP, WithIndex(3));
    EXPECT_EQ(log.Snapshot(), (std::vector<Entry>{{"closing", VIDEO_PLAY, -1}}));
    EXPECT_FALSE(session.IsRunning());
}

TEST(SessionDelivery, ShutdownWaitsForTheDeliveryInProgressAndDropsTheRest)
{
    DeliveryLog log;
    LoggingListener listener("view", log);
    Gate gate;
    std::atomic<bool> updateFinished{false};
    PlaybackSession session;
    session.AddListener(&listener);
    listener.onUpdate = [&](int32_t message, MessageParam*) {
        if (message == VIDEO_PAUSE)
            gate.WaitInside();
        updateFinished = true;
    };
    auto items = std::vector<std::unique_ptr<RecordingItem>>();
    items.push_back(std::make_unique<RecordingItem>(DateTime{}, 1, "/a", "a"));
    session.SetRecordings(std::move(items));

    session.Post(VIDEO_PAUSE);
    ASSERT_TRUE(gate.WaitUntilEntered());
    session.Post(VIDEO_NEXT, WithIndex(1));
    // As the main window closes: delivery stops first, the session is shut down later.
    session.StopDelivery();
    std::thread closing([&] { session.Shutdown(); });
    gate.Open();
    closing.join();

    EXPECT_TRUE(updateFinished) << "Shutdown returned while a listener was still being called";
    EXPECT_TRUE(session.GetRecordings().empty());
    session.Post(VIDEO_PLAY);  // after shutdown: dropped, nothing runs any more
    session.Shutdown();        // a second shutdown is harmless
    EXPECT_EQ(log.Snapshot(), (std::vector<Entry>{{"view", VIDEO_PAUSE, -1}}));
}

TEST(SessionDelivery, ItemsClearedDuringADeliveryStayUsableUntilTheNextList)
{
    DeliveryLog log;
    LoggingListener listPane("list", log), player("player", log);
    PlaybackSession session;
    std::vector<std::unique_ptr<RecordingItem>> items;
    items.push_back(std::make_unique<RecordingItem>(DateTime{}, 2, "/card/REC_1.avi", "REC_1.avi"));
    session.SetRecordings(std::move(items));

    std::string seenAfterClear;
    RecordingItem* heldByPlayer = nullptr;
    // The player took the current item before the list pane clears the list on a missing file.
    session.AddListener(&player);
    session.AddListener(&listPane);
    player.onUpdate = [&](int32_t message, MessageParam*) {
        if (message == VIDEO_FILE_NOT_FOUND)
            heldByPlayer = session.GetCurrentRecording();
        if (message == VIDEO_STOP)
            seenAfterClear = heldByPlayer ? heldByPlayer->fileName : "none";
    };
    listPane.onUpdate = [&](int32_t message, MessageParam*) {
        if (message == VIDEO_FILE_NOT_FOUND)
            session.ClearRecordings();
    };
    session.Post(VIDEO_FILE_NOT_FOUND);
    session.Post(VIDEO_STOP);
    ASSERT_TRUE(log.WaitForCount(4));
    EXPECT_EQ(seenAfterClear, "REC_1.avi");
    EXPECT_TRUE(session.GetRecordings().empty());
    EXPECT_EQ(session.GetCurrentRecording(), nullptr);
}

// Two threads post 100 000 messages in all while a third keeps adding and removing listeners. The
// permanent listener must see every message once, each poster's in its order; a listener must never be
// called once RemoveListener has returned.
TEST(SessionDelivery, StressManyMessagesWhileListenersJoinAndLeave)
{
    constexpr int kPosters = 2;
    constexpr int kPerPoster = 50000;

    class Permanent : public IListener {
    public:
        void update(int32_t message, MessageParam* param) override
        {
            if (message != CHANGE_VIDEO_VOLUME || !param)
                return;
            const int poster = param->volume;
            if (param->index != nextIndex[poster])
                ++outOfOrder;
            nextIndex[poster] = param->index + 1;
            if (++received == kPosters * kPerPoster) {
                std::lock_guard lock(mutex);
                done.notify_all();
            }
        }
        int nextIndex[kPosters] = {};
        int outOfOrder = 0;
        std::atomic<int> received{0};
        std::mutex mutex;
        std::condition_variable done;
    };

    class Transient : public IListener {
    public:
        void update(int32_t, MessageParam*) override
        {
            if (!registered)
                ++calledWhileAway;
            ++calls;
        }
        std::atomic<bool> registered{false};
        std::atomic<int> calledWhileAway{0};
        std::atomic<int> calls{0};
    };

    PlaybackSession session;
    Permanent permanent;
    Transient transients[4];
    session.AddListener(&permanent);

    std::atomic<bool> posting{true};
    std::thread churn([&] {
        for (int round = 0; posting; ++round) {
            Transient& t = transients[round % 4];
            t.registered = true;
            session.AddListener(&t);
            std::this_thread::yield();
            session.RemoveListener(&t);
            t.registered = false;
        }
    });
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p)
        posters.emplace_back([&session, p] {
            for (int i = 0; i < kPerPoster; ++i) {
                auto param = std::make_unique<MessageParam>();
                param->index = i;
                param->volume = p;
                session.Post(CHANGE_VIDEO_VOLUME, std::move(param));
            }
        });
    for (auto& t : posters)
        t.join();
    {
        std::unique_lock lock(permanent.mutex);
        EXPECT_TRUE(permanent.done.wait_for(lock, std::chrono::seconds(60),
                                            [&] { return permanent.received == kPosters * kPerPoster; }));
    }
    posting = false;
    churn.join();
    session.Shutdown();

    EXPECT_EQ(permanent.received, kPosters * kPerPoster);
    EXPECT_EQ(permanent.outOfOrder, 0);
    int calledWhileAway = 0;
    for (const Transient& t : transients)
        calledWhileAway += t.calledWhileAway;
    EXPECT_EQ(calledWhileAway, 0);
}

}  // namespace
