#include "SampleCardSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

std::vector<std::string> SplitKeepingEmpty(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// Checks "$...*HH" and returns the comma-separated fields between '$' and '*'.
std::vector<std::string> CheckedFields(const std::string& sentence)
{
    const size_t star = sentence.find('*');
    EXPECT_EQ(sentence.rfind("$GPRMC,", 0), 0u) << sentence;
    EXPECT_NE(star, std::string::npos) << sentence;
    if (star == std::string::npos || star + 3 != sentence.size())
        return {};
    unsigned sum = 0;
    for (size_t i = 1; i < star; ++i)
        sum ^= static_cast<uint8_t>(sentence[i]);
    char expected[3];
    std::snprintf(expected, sizeof expected, "%02X", sum);
    EXPECT_EQ(sentence.substr(star + 1), expected) << sentence;
    return SplitKeepingEmpty(sentence.substr(1, star - 1), ',');
}

// ddmm.mmmm or dddmm.mmmm to degrees, as a reader of the sentence computes it.
double Degrees(const std::string& field, size_t degreeDigits)
{
    return std::atof(field.substr(0, degreeDigits).c_str()) + std::atof(field.substr(degreeDigits).c_str()) / 60.0;
}

int ClockAfterUtc(const std::string& utcField)
{
    int t = static_cast<int>(std::atof(utcField.c_str())) + 90000;  // the camera's clock is UTC+9
    return t >= 240000 ? t - 240000 : t;
}

}  // namespace

TEST(TextStream, OneGpsRecordThenGSensorRecordsEachSecond)
{
    const GeneratedFile& file = TwoChannelRecording();
    const auto records = file.avi.ChunksWithId("03tx");
    ASSERT_EQ(records.size(), 60u);
    for (size_t i = 0; i < records.size(); ++i) {
        const std::string& data = records[i]->data;
        ASSERT_FALSE(data.empty());
        if (i % 10 == 0)
            EXPECT_EQ(data.substr(0, 7), "G$GPRMC") << i;
        else
            EXPECT_TRUE(data.size() == 7 && data[0] == 'M') << i;  // odd size: the pad byte is exercised
    }
}

TEST(TextStream, GpsSentencesMatchTheGroundTruth)
{
    const GeneratedFile& file = TwoChannelRecording();
    const auto records = file.avi.ChunksWithId("03tx");
    const auto& gps = file.truth["gps"].AsArray();
    ASSERT_EQ(gps.size(), 6u);
    int withoutFix = 0, withoutPosition = 0;
    for (size_t s = 0; s < gps.size(); ++s) {
        SCOPED_TRACE("second " + std::to_string(s));
        const std::string sentence = records[s * 10]->data.substr(1);
        EXPECT_EQ(sentence, gps[s]["sentence"].AsString());
        const std::vector<std::string> f = CheckedFields(sentence);
        ASSERT_GE(f.size(), 10u);
        EXPECT_EQ(ClockAfterUtc(f[1]), gps[s]["time"].AsInt());
        EXPECT_EQ(f[2] == "A", gps[s]["valid"].AsBool());
        withoutFix += f[2] == "V";
        if (f[3].empty()) {
            ++withoutPosition;
            EXPECT_EQ(f[2], "V") << "only a receiver without a fix leaves the position out";
            EXPECT_TRUE(gps[s]["latitude"].IsNull());
            continue;
        }
        EXPECT_EQ(f[4], "N");
        EXPECT_EQ(f[6], "E");
        EXPECT_DOUBLE_EQ(Degrees(f[3], 2), gps[s]["latitude"].AsNumber());
        EXPECT_DOUBLE_EQ(Degrees(f[5], 3), gps[s]["longitude"].AsNumber());
        EXPECT_DOUBLE_EQ(std::atof(f[7].c_str()) * 1.852, gps[s]["speed"].AsNumber());
        EXPECT_NEAR(gps[s]["latitude"].AsNumber(), 37.5, 0.15);
        EXPECT_NEAR(gps[s]["longitude"].AsNumber(), 127.0, 0.15);
        EXPECT_GE(gps[s]["speed"].AsNumber(), 0.0);
        EXPECT_LE(gps[s]["speed"].AsNumber(), 125.0);
    }
    // A six-second recording drives through a short tunnel: three seconds without a fix, the first still
    // with the last position, then none.
    EXPECT_EQ(withoutFix, 3);
    EXPECT_EQ(withoutPosition, 2);
}

TEST(TextStream, ClockTimesRunOnAcrossMidnightWhileTheUtcFieldsKeepTheirDate)
{
    // REC_20120820_235958: local 23:59:58 .. 00:00:03 is UTC 14:59:58 .. 15:00:03 of 20 August.
    const auto& gps = TwoChannelRecording().truth["gps"].AsArray();
    const int expected[] = {235958, 235959, 0, 1, 2, 3};
    for (size_t s = 0; s < gps.size(); ++s) {
        EXPECT_EQ(gps[s]["time"].AsInt(), expected[s]) << s;
        EXPECT_EQ(SplitKeepingEmpty(gps[s]["sentence"].AsString(), ',')[9], "200812") << s;
    }
    // EVT_20120821_083000: 08:30 local is 23:30 UTC of the day before.
    const auto& early = OneChannelEvent().truth["gps"].AsArray();
    EXPECT_EQ(SplitKeepingEmpty(early[0]["sentence"].AsString(), ',')[1], "233000.000");
    EXPECT_EQ(SplitKeepingEmpty(early[0]["sentence"].AsString(), ',')[9], "200812");
    EXPECT_EQ(early[0]["time"].AsInt(), 83000);
}

TEST(TextStream, GSensorRecordsMatchTheGroundTruthAndShowTheImpactOfAnEvent)
{
    struct Case {
        const GeneratedFile* file;
        const char* textId;
        bool event;
    };
    for (const Case& c : {Case{&TwoChannelRecording(), "03tx", false}, Case{&OneChannelEvent(), "02tx", true}}) {
        SCOPED_TRACE(c.file->path);
        std::vector<const AviChunk*> records;
        for (const AviChunk* chunk : c.file->avi.ChunksWithId(c.textId))
            if (chunk->data[0] == 'M')
                records.push_back(chunk);
        const auto& truth = c.file->truth["gsensor"].AsArray();
        ASSERT_EQ(records.size(), truth.size());
        double peak = 0.0;
        size_t peakIndex = 0;
        for (size_t i = 0; i < records.size(); ++i) {
            for (int b = 0; b < 6; ++b)
                EXPECT_EQ(static_cast<int8_t>(records[i]->data[1 + b]), truth[i]["bytes"][b].AsInt()) << i;
            const double x = static_cast<int8_t>(records[i]->data[1]) / 32.0;
            const double y = static_cast<int8_t>(records[i]->data[2]) / 32.0;
            const double z = static_cast<int8_t>(records[i]->data[3]) / 32.0;
            EXPECT_DOUBLE_EQ(truth[i]["x"].AsNumber(), x);
            // Gravity pulls on z; an ordinary drive stays within half a g of it.
            const double g = std::sqrt(x * x + y * y + (z - 1.0) * (z - 1.0));
            if (g > peak) {
                peak = g;
                peakIndex = i;
            }
        }
        if (c.event) {
            EXPECT_GT(peak, 3.0);
            EXPECT_EQ(static_cast<int64_t>(peakIndex), c.file->truth["impact"]["gsensorIndex"].AsInt());
        } else {
            EXPECT_LT(peak, 0.5);
            EXPECT_TRUE(c.file->truth["impact"].IsNull());
        }
    }
}

TEST(TextStream, SameSeedGivesTheSameFileAndAnotherSeedAnotherDrive)
{
    TempDir folder;
    for (const char* name : {"a.avi", "b.avi"})
        ASSERT_EQ(RunSampleCard({"recording", folder / name, "--seconds", "2", "--seed", "11"}).exitCode, 0);
    ASSERT_EQ(RunSampleCard({"recording", folder / "c.avi", "--seconds", "2", "--seed", "12"}).exitCode, 0);
    const std::string a = ReadFileBytes(folder / "a.avi");
    EXPECT_EQ(a, ReadFileBytes(folder / "b.avi"));
    EXPECT_NE(a, ReadFileBytes(folder / "c.avi"));
}
