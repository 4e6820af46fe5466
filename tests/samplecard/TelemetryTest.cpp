#include "support/GeneratedFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

std::vector<std::string> TextRecords(const std::string& bytes, char kind)
{
    std::vector<std::string> records;
    for (const ChunkAt& chunk : MovieChunks(bytes, 520))
        if (chunk.id == "03tx" && chunk.size > 0 && bytes[chunk.offset + 8] == kind)
            records.push_back(chunk.Data(bytes));
    return records;
}

std::vector<std::string> Fields(const std::string& sentence)
{
    std::vector<std::string> fields;
    size_t begin = 0;
    for (size_t comma; (comma = sentence.find(',', begin)) != std::string::npos; begin = comma + 1)
        fields.push_back(sentence.substr(begin, comma - begin));
    fields.push_back(sentence.substr(begin));
    return fields;
}

bool ChecksumHolds(const std::string& sentence)
{
    const size_t star = sentence.find('*');
    if (sentence.empty() || sentence[0] != '$' || star == std::string::npos || star + 3 != sentence.size())
        return false;
    unsigned checksum = 0;
    for (size_t i = 1; i < star; ++i)
        checksum ^= static_cast<unsigned char>(sentence[i]);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", checksum);
    return sentence.substr(star + 1) == hex;
}

double Angle(const std::string& field, size_t degreeDigits)
{
    return std::atof(field.substr(0, degreeDigits).c_str()) + std::atof(field.substr(degreeDigits).c_str()) / 60.0;
}

// Checks every 'G' record against the sidecar by decoding the sentence independently.
void ExpectGpsMatchesSidecar(const std::string& bytes, const GroundTruth& truth)
{
    const std::vector<std::string> records = TextRecords(bytes, 'G');
    ASSERT_EQ(records.size(), static_cast<size_t>(truth.seconds)) << "one GPS record per second";
    ASSERT_EQ(truth.gps.size(), records.size());
    for (size_t s = 0; s < records.size(); ++s) {
        SCOPED_TRACE("second " + std::to_string(s) + ": " + records[s]);
        const std::string sentence = records[s].substr(1);
        const TruthGps& expected = truth.gps[s];
        EXPECT_EQ(sentence, expected.sentence);
        EXPECT_TRUE(ChecksumHolds(sentence));
        const std::vector<std::string> f = Fields(sentence.substr(0, sentence.find('*')));
        ASSERT_EQ(f.size(), 13u);
        EXPECT_EQ(f[0], "$GPRMC");
        const int utc = std::atoi(f[1].c_str());
        EXPECT_EQ(f[1].substr(6), ".000");
        EXPECT_EQ((utc + 90000) % 240000, expected.time) << "UTC+9 clock time";
        EXPECT_EQ(f[2] == "A", expected.valid);
        if (expected.valid) {
            EXPECT_EQ(f[4], "N");
            EXPECT_EQ(f[6], "E");
            EXPECT_NEAR(Angle(f[3], 2), expected.latitude, 1e-9);
            EXPECT_NEAR(Angle(f[5], 3), expected.longitude, 1e-9);
            EXPECT_NEAR(std::atof(f[7].c_str()) * 1.852, expected.speed, 1e-9);
            EXPECT_NEAR(expected.latitude, 37.5, 0.1);
            EXPECT_NEAR(expected.longitude, 127.0, 0.1);
            EXPECT_GE(expected.speed, 0.0);
            EXPECT_LE(expected.speed, 120.0);
        } else {
            EXPECT_EQ(f[2], "V");
            for (int empty : {3, 4, 5, 6, 7, 8})
                EXPECT_EQ(f[static_cast<size_t>(empty)], "") << "field " << empty;
        }
    }
}

TEST(SampleCardTelemetry, GpsRecordsAreCheckedRmcSentencesThatMatchTheSidecar)
{
    const SharedRecording& rec = FiveSecondRecording();
    ExpectGpsMatchesSidecar(rec.bytes, rec.truth);
    int withoutFix = 0;
    for (const TruthGps& g : rec.truth.gps)
        withoutFix += !g.valid;
    EXPECT_GE(withoutFix, 1) << "a few seconds without a fix";
    EXPECT_TRUE(rec.truth.gps.front().valid);
    EXPECT_EQ(rec.truth.gps.front().time, 153012);
}

TEST(SampleCardTelemetry, ClockCrossingUtcMidnightChangesTheSentenceDate)
{
    TempDir dir;
    // 08:59:58 local is 23:59:58 UTC of the previous day.
    const std::string path = MakeRecording(dir.path(), {"--seconds", "4", "--start", "20120821_085958"});
    const GroundTruth truth = LoadGroundTruth(path);
    ExpectGpsMatchesSidecar(ReadFileBytes(path), truth);
    ASSERT_EQ(truth.gps.size(), 4u);
    EXPECT_EQ(truth.gps[0].time, 85958);
    EXPECT_EQ(truth.gps[2].time, 90000);
    EXPECT_EQ(Fields(truth.gps[0].sentence)[1], "235958.000");
    EXPECT_EQ(Fields(truth.gps[0].sentence)[9], "200812");
    EXPECT_EQ(Fields(truth.gps[2].sentence)[1], "000000.000");
    EXPECT_EQ(Fields(truth.gps[2].sentence)[9], "210812");
}

std::vector<TruthGSensor> DecodeGSensor(const std::string& bytes)
{
    std::vector<TruthGSensor> values;
    for (const std::string& record : TextRecords(bytes, 'M')) {
        EXPECT_EQ(record.size(), 7u);
        auto g = [&](size_t i) { return static_cast<signed char>(record.at(i)) / 32.0; };
        values.push_back({g(1), g(2), g(3)});
    }
    return values;
}

TEST(SampleCardTelemetry, GSensorRecordsHoldSignedThirtySecondsOfG)
{
    const SharedRecording& rec = FiveSecondRecording();
    const std::vector<TruthGSensor> values = DecodeGSensor(rec.bytes);
    ASSERT_EQ(values.size(), rec.truth.gsensor.size());
    EXPECT_EQ(values.size(), 5u * 9) << "nine G-sensor records a second";
    double vertical = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_DOUBLE_EQ(values[i].x, rec.truth.gsensor[i].x) << i;
        EXPECT_DOUBLE_EQ(values[i].y, rec.truth.gsensor[i].y) << i;
        EXPECT_DOUBLE_EQ(values[i].z, rec.truth.gsensor[i].z) << i;
        vertical += values[i].z;
    }
    EXPECT_NEAR(vertical / values.size(), 1.0, 0.1) << "gravity on the z axis";
}

double LargestJolt(const std::vector<TruthGSensor>& values, size_t& at)
{
    double largest = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        const double jolt = std::max({std::abs(values[i].x), std::abs(values[i].y), std::abs(values[i].z - 1.0)});
        if (jolt > largest) {
            largest = jolt;
            at = i;
        }
    }
    return largest;
}

TEST(SampleCardTelemetry, OnlyEventRecordingsCarryAnImpact)
{
    TempDir dir;
    for (const char* kind : {"EVT", "EVS", "REC", "PRK"}) {
        SCOPED_TRACE(kind);
        const std::string path =
            MakeRecording(dir.path(), {"--seconds", "2", "--seed", "5"}, std::string(kind) + "_20120820_153012_F.avi");
        const GroundTruth truth = LoadGroundTruth(path);
        EXPECT_EQ(truth.kind, kind) << "the kind comes from the file name";
        size_t at = 0;
        const double jolt = LargestJolt(DecodeGSensor(ReadFileBytes(path)), at);
        if (truth.kind[0] == 'E') {
            EXPECT_GE(jolt, 2.0);
            EXPECT_EQ(static_cast<int>(at), truth.impactSample);
        } else {
            EXPECT_LT(jolt, 1.0);
            EXPECT_EQ(truth.impactSample, -1);
        }
    }
}

}  // namespace
