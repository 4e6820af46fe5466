#include "session/PendingRecordings.h"

#include "SessionTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

#include <string>
#include <vector>

namespace {

RecordingList ListOf(const std::vector<std::string>& names)
{
    RecordingList list;
    for (const std::string& name : names)
        list.push_back(std::make_unique<RecordingItem>(DateTime::FromCalendar(2012, 8, 20, 10, 0, 0), Always,
                                                       "/card/" + name, name));
    return list;
}

// Hands the pending list over on VIDEO_LIST_UPDATE, as the main window does, and notes what the session
// holds at each message.
struct HandingOverListener : IListener {
    HandingOverListener(PlaybackSession& s, PendingRecordings& p, DeliveryLog& l) : session(s), pending(p), log(l)
    {
    }
    void update(int32_t message, MessageParam* param) override
    {
        if (message == VIDEO_LIST_UPDATE)
            pending.HandOver();
        std::string names;
        for (RecordingItem* item : session.GetRecordings())
            names += item->fileName;
        log.Add({names, message, param ? param->index : -1});
    }
    PlaybackSession& session;
    PendingRecordings& pending;
    DeliveryLog& log;
};

}  // namespace

TEST(PendingRecordings, PostsTheOpeningSequenceAndHandsTheListOverOnTheListUpdate)
{
    PlaybackSession session;
    PendingRecordings pending(session);
    DeliveryLog log;
    HandingOverListener listener(session, pending, log);
    session.AddListener(&listener);
    pending.SetVideoFiles(ListOf({"a", "b"}));
    ASSERT_TRUE(log.WaitForCount(5));
    using E = DeliveryLog::Entry;
    EXPECT_EQ(log.Snapshot(), (std::vector<E>{{"ab", VIDEO_LIST_UPDATE, 0},
                                              {"ab", VIDEO_FILES_OPENED, 0},
                                              {"ab", VIDEO_INDEX_SELECT, 0},
                                              {"ab", VIDEO_MEDIA_LOAD, 0},
                                              {"ab", NEW_VIDEO_PLAY, 0}}));
    EXPECT_FALSE(pending.HasPending());
    session.RemoveListener(&listener);
}

TEST(PendingRecordings, TwoQuickListsLeaveTheSecondInTheSessionAndFreeTheFirst)
{
    PlaybackSession session;
    PendingRecordings pending(session);
    DeliveryLog log;
    HandingOverListener listener(session, pending, log);
    // Hold the dispatch thread so both lists are stored before either sequence is delivered.
    Gate gate;
    LoggingListener blocker("blocker", log);
    blocker.onUpdate = [&](int32_t message, MessageParam*) {
        if (message == VIDEO_PAUSE)
            gate.WaitInside();
    };
    session.AddListener(&blocker);
    session.AddListener(&listener);
    session.Post(VIDEO_PAUSE, std::make_unique<MessageParam>());
    ASSERT_TRUE(gate.WaitUntilEntered());

    std::thread first([&] { pending.SetVideoFiles(ListOf({"a", "b", "c"})); });
    std::thread second([&] { pending.SetVideoFiles(ListOf({"x", "y"})); });
    first.join();
    second.join();
    gate.Open();
    // The pause, then two sequences of five, each seen by both listeners.
    ASSERT_TRUE(log.WaitForCount(2 + 20));
    session.RemoveListener(&listener);
    session.RemoveListener(&blocker);

    // Whichever list was stored last is the session's, handed over by the first update; the second
    // update finds nothing waiting and leaves it alone. The other list was freed unseen (LeakSanitizer
    // and AddressSanitizer watch that).
    std::vector<std::string> held;
    for (const DeliveryLog::Entry& entry : log.Snapshot())
        if (entry.listener != "blocker" && entry.message != VIDEO_PAUSE)
            held.push_back(entry.listener);
    ASSERT_EQ(held.size(), 10u);
    EXPECT_TRUE(held[0] == "abc" || held[0] == "xy") << held[0];
    for (const std::string& names : held)
        EXPECT_EQ(names, held[0]);
    EXPECT_FALSE(pending.HasPending());
    std::vector<int32_t> messages;
    for (const DeliveryLog::Entry& entry : log.Snapshot())
        if (entry.listener != "blocker" && entry.message != VIDEO_PAUSE)
            messages.push_back(entry.message);
    EXPECT_EQ(messages, (std::vector<int32_t>{0, 1, 10, 11, 16, 0, 1, 10, 11, 16}));
}
