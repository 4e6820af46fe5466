#include "output/SnapshotNames.h"

#include <gtest/gtest.h>

namespace tessaro {
namespace {

TEST(SnapshotNames, TimeStampPadsTheClockButNotTheDateNorTheMilliseconds)
{
    struct Case {
        LocalMoment moment;
        const char* expected;
    };
    const Case cases[] = {
        {{2014, 1, 2, 3, 4, 5, 67}, "-2014-1-2-03h04m05s67"},
        {{2012, 8, 20, 7, 9, 37, 123}, "-2012-8-20-07h09m37s123"},
        {{2026, 12, 31, 23, 59, 59, 0}, "-2026-12-31-23h59m59s"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SnapshotTimeStamp(c.moment), c.expected);
}

TEST(SnapshotNames, CaptureNameDropsTheLastFourCharactersOnly)
{
    const LocalMoment moment{2014, 1, 2, 3, 4, 5, 67};
    EXPECT_EQ(CaptureFileName("REC_20130405_101010.avi", moment), "REC_20130405_101010-2014-1-2-03h04m05s67.png");
    EXPECT_EQ(CaptureFileName("REC_1.AVI", moment), "REC_1-2014-1-2-03h04m05s67.png");
    EXPECT_EQ(CaptureFileName("abc", moment), "-2014-1-2-03h04m05s67.png");
}

}  // namespace
}  // namespace tessaro
