#pragma once

// Helpers of the interface suite: recordings made up by kind and day, what listeners saw, and waiting
// for the interface thread to catch up with the dispatch thread.

#include "session/PlaybackSession.h"
#include "../session/SessionTestSupport.h"

#include <QTest>

#include <memory>
#include <string>
#include <vector>

// A recording of the given kind on 2012-08-<day> at hh:00:00, named after its order.
inline std::unique_ptr<RecordingItem> MadeUpRecording(int type, int day, int hour, const std::string& name)
{
    return std::make_unique<RecordingItem>(DateTime::FromCalendar(2012, 8, day, hour, 0, 0), type,
                                           "/card/" + name, name);
}

// Waits (at most a generous while) until the condition holds, processing the interface's events.
template <typename Condition>
bool WaitUntil(Condition condition)
{
    return QTest::qWaitFor(condition, 20000);
}

// Posts a message and waits until the dispatch thread has delivered it and the interface thread has run
// what it queued.
inline void PostAndSettle(PlaybackSession& session, int32_t message, int32_t index = 0)
{
    struct Marker : IListener {
        std::atomic<bool> seen{false};
        int32_t wanted;
        void update(int32_t m, MessageParam*) override
        {
            if (m == wanted)
                seen = true;
        }
    } marker;
    marker.wanted = message;
    session.AddListener(&marker);
    session.Post(message, WithIndex(index));
    WaitUntil([&] { return marker.seen.load(); });
    session.RemoveListener(&marker);
    // The view queued its change before the marker saw the message; run it.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}
