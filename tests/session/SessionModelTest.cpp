#include "session/PlaybackSession.h"

#include "infra/StringIds.h"
#include "support/RiffBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<RecordingItem> Item(int type, int day = 20, int hour = 15, int minute = 30, int second = 12,
                                    const std::string& name = "")
{
    return std::make_unique<RecordingItem>(DateTime::FromCalendar(2012, 8, day, hour, minute, second), type,
                                           "/card/" + name, name);
}

// A negative type is a recording of that kind listed as unreadable.
std::vector<std::unique_ptr<RecordingItem>> ItemsOfTypes(const std::vector<int>& types)
{
    std::vector<std::unique_ptr<RecordingItem>> items;
    for (size_t i = 0; i < types.size(); ++i) {
        items.push_back(Item(std::abs(types[i]), 20, 10, 0, 0, "item" + std::to_string(i)));
        if (types[i] < 0)
            items.back()->unreadable = StringId::kUnreadableEmpty;
    }
    return items;
}

std::vector<std::string> Names(PlaybackSession& session)
{
    std::vector<std::string> names;
    for (RecordingItem* item : session.GetRecordings())
        names.push_back(item->fileName);
    return names;
}

TEST(SessionNavigation, PreviousAndNextUnderEveryFilter)
{
    struct Case {
        const char* what;
        std::vector<int> types;
        int32_t filter, current;
        bool nextFound;
        int32_t next;
        bool previousFound;
        int32_t previous;
    };
    const Case cases[] = {
        {"Event from the first", {1, 2, 1, 2}, 1, 0, true, 2, false, 0},
        {"Event wraps to the start", {1, 2, 1, 2}, 1, 2, true, 0, true, 0},
        {"only Event is the current one", {2, 1, 2}, 1, 1, false, 0, false, 1},
        {"Parking covers parking motion", {1, 4, 3}, 3, 0, true, 1, true, 1},
        {"Parking backwards over motion", {3, 2, 4, 2}, 3, 3, true, 0, true, 2},
        {"all, at the last item", {1, 2, 3}, 0, 2, false, 0, true, 1},
        {"all, at the first item", {1, 2, 3}, 0, 0, true, 1, false, 0},
        {"no Always at all: previous steps back unfiltered", {1, 1, 1}, 2, 2, false, 0, true, 1},
        {"empty list", {}, 0, 0, false, 0, false, 0},
        {"empty list under a filter", {}, 1, 0, false, 0, false, 0},
        {"all, over unreadable ones", {2, -2, -1, 2}, 0, 0, true, 3, false, 0},
        {"all, back over unreadable ones", {2, -2, -1, 2}, 0, 3, false, 0, true, 0},
        {"all, only unreadable ones after", {1, 2, -2}, 0, 1, false, 0, true, 0},
        {"Always over unreadable Always, wrapping", {2, -2, 1, 2, -2}, 2, 3, true, 0, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaybackSession session;
        session.SetRecordings(ItemsOfTypes(c.types));
        session.filter = c.filter;
        if (!c.types.empty()) {
            ASSERT_TRUE(session.SetCurrentIndex(c.current));
        }
        int32_t next = -7, previous = -7;
        EXPECT_EQ(session.GetNextIndex(next), c.nextFound);
        EXPECT_EQ(next, c.next);
        EXPECT_EQ(session.GetPreviousIndex(previous), c.previousFound);
        EXPECT_EQ(previous, c.previous);
        EXPECT_EQ(session.currentIndex, c.current) << "navigation only looks";
    }
}

TEST(SessionNavigation, AnUnreadableRecordingIsNeverCurrentNorHandedOut)
{
    PlaybackSession session;
    session.SetRecordings(ItemsOfTypes({-1, 2, -2}));
    EXPECT_EQ(session.currentIndex, 1) << "the first one that can be played";
    for (int32_t asked : {0, 2}) {
        EXPECT_TRUE(session.SetCurrentIndex(asked));
        EXPECT_EQ(session.currentIndex, 1) << asked;
    }
    // Nothing to play at all: nothing is current, whatever the index says.
    session.SetRecordings(ItemsOfTypes({-1, -2}));
    EXPECT_EQ(session.GetCurrentRecording(), nullptr);
    EXPECT_FALSE(session.SetCurrentIndex(1));
    EXPECT_FALSE(session.LoadCurrentMetadata());
}

TEST(SessionNavigation, NoNeighbourOnceTheListIsClearedUnderTheCurrentIndex)
{
    // A missing file clears the list while the current index stays: previous must not offer an index
    // that is no longer in the list.
    PlaybackSession session;
    session.SetRecordings(ItemsOfTypes({1, 2, 1, 2, 1}));
    ASSERT_TRUE(session.SetCurrentIndex(3));
    session.ClearRecordings();
    for (int32_t filter : {0, 1}) {
        session.filter = filter;
        int32_t index = -7;
        EXPECT_FALSE(session.GetPreviousIndex(index)) << "filter " << filter;
        EXPECT_EQ(index, 3);
        EXPECT_FALSE(session.GetNextIndex(index)) << "filter " << filter;
        EXPECT_EQ(index, 0);
    }
    EXPECT_EQ(session.GetCurrentRecording(), nullptr);
}

TEST(SessionRecordings, SortsAreStableAndAscendingAndRenumberFollowsTheOrder)
{
    PlaybackSession session;
    auto list = [] {
        std::vector<std::unique_ptr<RecordingItem>> items;
        items.push_back(Item(2, 21, 9, 0, 0, "A"));   // next day, morning
        items.push_back(Item(1, 20, 15, 30, 12, "B"));
        items.push_back(Item(4, 20, 8, 0, 0, "C"));
        items.push_back(Item(1, 21, 9, 0, 0, "D"));   // same date and time as A
        items.push_back(Item(3, 19, 23, 59, 59, "E"));
        return items;
    };

    session.SetRecordings(list());
    session.SortByTime();
    EXPECT_EQ(Names(session), (std::vector<std::string>{"C", "A", "D", "B", "E"})) << "time of day alone";

    session.SetRecordings(list());
    session.SortByDate();
    EXPECT_EQ(Names(session), (std::vector<std::string>{"E", "B", "C", "A", "D"}));

    session.SetRecordings(list());
    session.SortByType();
    EXPECT_EQ(Names(session), (std::vector<std::string>{"B", "D", "A", "E", "C"}));

    session.Renumber();
    std::vector<int32_t> numbers;
    for (RecordingItem* item : session.GetRecordings())
        numbers.push_back(item->number);
    EXPECT_EQ(numbers, (std::vector<int32_t>{1, 2, 3, 4, 5}));
}

TEST(SessionRecordings, SortsKeepTheCurrentRecordingCurrent)
{
    PlaybackSession session;
    std::vector<std::unique_ptr<RecordingItem>> items;
    items.push_back(Item(2, 21, 9, 0, 0, "A"));
    items.push_back(Item(1, 20, 15, 30, 12, "B"));
    items.push_back(Item(4, 19, 8, 0, 0, "C"));
    session.SetRecordings(std::move(items));
    session.currentIndex = 0;  // A is playing
    session.SortByDate();      // C, B, A
    ASSERT_NE(session.GetCurrentRecording(), nullptr);
    EXPECT_EQ(session.GetCurrentRecording()->fileName, "A");
    EXPECT_EQ(session.currentIndex, 2);
    session.SortByType();  // B, A, C
    EXPECT_EQ(session.GetCurrentRecording()->fileName, "A");
    session.Renumber();
    EXPECT_EQ(session.GetCurrentRecording()->number, 2);
}

TEST(SessionRecordings, CurrentIndexStaysInsideTheList)
{
    PlaybackSession session;
    EXPECT_EQ(session.GetCurrentRecording(), nullptr);
    EXPECT_FALSE(session.LoadCurrentMetadata());

    session.SetRecordings(ItemsOfTypes({1, 2, 3}));
    EXPECT_TRUE(session.SetCurrentIndex(2));
    for (int32_t outside : {3, 100, -1})
        EXPECT_FALSE(session.SetCurrentIndex(outside)) << outside;
    EXPECT_EQ(session.currentIndex, 2);
    EXPECT_EQ(session.GetCurrentRecording()->fileName, "item2");

    // A new list starts at its first item.
    session.SetRecordings(ItemsOfTypes({2, 2}));
    EXPECT_EQ(session.currentIndex, 0);
    EXPECT_EQ(session.GetCurrentRecording()->fileName, "item0");
}

TEST(SessionRecordings, LoadsTheMetadataOfTheCurrentRecordingOnly)
{
    TempDir dir;
    const std::string path = dir / "REC_20120820_153012.avi";
    WriteFileBytes(path, riff::ValidRecording());
    std::vector<std::unique_ptr<RecordingItem>> list;
    list.push_back(std::make_unique<RecordingItem>(DateTime{}, Always, path, "REC_20120820_153012.avi"));
    list.push_back(std::make_unique<RecordingItem>(DateTime{}, Always, dir / "gone.avi", "gone.avi"));
    PlaybackSession session;
    session.SetRecordings(std::move(list));

    EXPECT_TRUE(session.LoadCurrentMetadata());
    const std::vector<RecordingItem*> items = session.GetRecordings();
    EXPECT_TRUE(items[0]->metadataLoaded);
    EXPECT_GT(items[0]->duration, 0);
    EXPECT_FALSE(items[1]->metadataLoaded);

    ASSERT_TRUE(session.SetCurrentIndex(1));
    EXPECT_FALSE(session.LoadCurrentMetadata()) << "the file is missing";
}

TEST(SessionRecordings, NullEntriesOfAListAreSkipped)
{
    PlaybackSession session;
    std::vector<std::unique_ptr<RecordingItem>> list;
    list.push_back(nullptr);
    list.push_back(Item(1, 20, 1, 2, 3, "only"));
    session.SetRecordings(std::move(list));
    EXPECT_EQ(Names(session), std::vector<std::string>{"only"});
}

}  // namespace
