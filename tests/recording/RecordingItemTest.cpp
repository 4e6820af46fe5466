#include "recording/RecordingItem.h"

#include "infra/StringTable.h"

#include <gtest/gtest.h>

TEST(RecordingItem, FormatsDateAndTimeTexts)
{
    const RecordingItem item(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, "/card/REC_1.avi", "REC_1.avi");
    EXPECT_EQ(item.dateText, "2012-08-20");
    EXPECT_EQ(item.timeText, "15:30:12");
    EXPECT_EQ(item.number, 0);
    EXPECT_EQ(item.duration, 0);
    EXPECT_FALSE(item.metadataLoaded);
}

TEST(RecordingItem, PrintsMinusOneForAnInvalidStartTime)
{
    const RecordingItem item(DateTime{}, Unknown, "x.avi", "x.avi");
    EXPECT_EQ(item.dateText, "-1--01--01");
    EXPECT_EQ(item.timeText, "-01:-01:-01");
}

TEST(RecordingItem, LabelsKindsInBothLanguages)
{
    struct Case {
        int type;
        const char* english;
        const char* korean;
    };
    const Case cases[] = {{Event, "Event", "이벤트"},    {Always, "Always", "상시"},
                          {Parking, "Parking", "주차 상시"}, {ParkingMotion, "Parking", "주차 모션"},
                          {Unknown, "Unknown", "Unknown"}, {0, "", ""},
                          {6, "", ""}};
    for (const Case& c : cases) {
        SetCurrentLanguage(Language::English);
        EXPECT_EQ(GetRecordingTypeLabel(c.type), c.english) << c.type;
        SetCurrentLanguage(Language::Korean);
        EXPECT_EQ(GetRecordingTypeLabel(c.type), c.korean) << c.type;
    }
    SetCurrentLanguage(Language::English);
}

TEST(DateTime, RoundTripsCalendarFieldsAndRejectsImpossibleDates)
{
    const DateTime value = DateTime::FromCalendar(2012, 8, 20, 15, 30, 12);
    ASSERT_TRUE(value.IsValid());
    EXPECT_NEAR(value.value, 41141.646, 0.001);  // days since 1899-12-30
    const DateTime::Fields fields = value.ToFields();
    EXPECT_EQ(fields.year, 2012);
    EXPECT_EQ(fields.month, 8);
    EXPECT_EQ(fields.day, 20);
    EXPECT_EQ(fields.hour, 15);
    EXPECT_EQ(fields.minute, 30);
    EXPECT_EQ(fields.second, 12);
    EXPECT_EQ(DateTime::FromCalendar(1899, 12, 30, 0, 0, 0).value, 0.0);
    EXPECT_TRUE(DateTime::FromCalendar(2012, 2, 29, 23, 59, 59).IsValid());
    EXPECT_FALSE(DateTime::FromCalendar(2013, 2, 29, 0, 0, 0).IsValid());
    EXPECT_FALSE(DateTime::FromCalendar(2012, 13, 1, 0, 0, 0).IsValid());
    EXPECT_FALSE(DateTime::FromCalendar(2012, 4, 31, 0, 0, 0).IsValid());
    EXPECT_FALSE(DateTime::FromCalendar(2012, 1, 1, 24, 0, 0).IsValid());
}
