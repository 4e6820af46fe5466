#include "recording/AVIFileLoader.h"

#include "support/RiffBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

const char* const kSentence = "$GPRMC,231500.000,A,3730.1200,N,12700.6000,E,10.0,90.0,200812,,,A";

RecordingItem ItemFor(const std::string& path)
{
    return RecordingItem(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, path, "REC.avi");
}

// A recording whose text stream holds the given records, each after a video frame.
std::string RecordingWith(const std::vector<std::string>& records, uint32_t videoLength = 1800)
{
    riff::CameraFile file;
    file.length = videoLength;
    file.totalFrames = 123;
    for (const std::string& record : records) {
        file.chunks.push_back({"00dc", std::string(600, 'v')});
        file.chunks.push_back({"03tx", record});
    }
    return file.Bytes() + std::string(31000, '\0');  // keep clear of the aborted-recording size
}

RecordingItem ItemWithGSensorTimes(std::size_t count, int duration)
{
    RecordingItem item = ItemFor("x.avi");
    item.duration = duration;
    double time = 0;
    for (std::size_t i = 0; i < count; ++i) {
        time += static_cast<double>(duration) / static_cast<double>(count);
        item.gSensorTimes.push_back(time);
        item.gSensorSamples.push_back({static_cast<double>(i), 0, 0});
    }
    return item;
}

}  // namespace

TEST(AVIFileLoader, ParsesTheCameraSentence)
{
    const auto fix = AVIFileLoader::ParseGpsRecord(riff::GpsRecord(kSentence));
    ASSERT_TRUE(fix);
    EXPECT_EQ(fix->time, 81500);  // 23:15:00 UTC is 08:15:00 on the camera's clock
    EXPECT_NEAR(fix->latitude, 37.502, 1e-9);
    EXPECT_NEAR(fix->longitude, 127.01, 1e-9);
    EXPECT_NEAR(fix->speed, 18.52, 1e-9);
    EXPECT_TRUE(fix->valid);

    // Every RMC record gives a sample, so that sample i stays second i; one without a fix, or cut
    // before its '*', is not valid and has no position (the fresh -1).
    struct Case {
        std::string record;
        bool parsed;
        bool valid;
        int time;
        double latitude;
    };
    const Case cases[] = {
        {riff::GpsRecord("$GPRMC,153045.000,V,3730.1200,N,12700.6000,E,0.0,,200812,,,N"), true, false, 3045,
         37.502},  // wraps at midnight without carrying into the date
        {riff::GpsRecord("$GPRMC,000000.000,A,3730.1200,N,12700.6000,E,0.0,,200812,,,A"), true, true, 90000, 37.502},
        {riff::GpsRecord("$GPRMC,150000.000,A,3730.1200,N,12700.6000,E,0.0,,200812,,,A"), true, true, 0, 37.502},
        {riff::GpsRecord("$GPRMC,153045.000,V,,,,,,,200812,,,N"), true, false, 3045, -1.0},  // no fix
        {riff::GpsRecord("$GPRMC,,V,,,,,,,,,,N"), true, false, 0, -1.0},  // not even a time yet
        {riff::GpsRecord("$GPRMC,231500.000,A,3730.1200,N"), true, false, 81500, -1.0},  // too few fields
        {"G$GPRMC,231500.000,A,3730.1200,N,12700.6000,E,10.0,90.0,200812", true, false, 0, -1.0},  // no '*'
        {riff::GpsRecord("$GPRMC"), true, false, 0, -1.0},
        {riff::GpsRecord("$GPGGA,153045.000,3730.1200,N,12700.6000,E,1,08,0.9,545.4,M"), false, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        const auto sample = AVIFileLoader::ParseGpsRecord(c.record);
        ASSERT_EQ(sample.has_value(), c.parsed);
        if (sample) {
            EXPECT_EQ(sample->valid, c.valid);
            EXPECT_EQ(sample->time, c.time);
            EXPECT_NEAR(sample->latitude, c.latitude, 1e-9);
        }
    }
    // Fields that are not numbers count as 0; "nan" and hexadecimal are not numbers here.
    const auto odd = AVIFileLoader::ParseGpsRecord("G$GPRMC,nan,A,nan.5,N,inf,E,0x10,*");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->time, 90000);
    EXPECT_EQ(odd->latitude, 0.0);
    EXPECT_EQ(odd->longitude, 0.0);
    EXPECT_EQ(odd->speed, 0.0);
    EXPECT_FALSE(AVIFileLoader::ParseGpsRecord("G"));
    EXPECT_FALSE(AVIFileLoader::ParseGpsRecord(""));
}

TEST(AVIFileLoader, ReadsSamplesInRecordOrder)
{
    TempDir dir;
    const std::string path = dir / "REC.avi";
    WriteFileBytes(path, RecordingWith({riff::GSensorRecord(0x20, -32, 0), riff::GpsRecord(kSentence),
                                        "X not a record", "G$GPGSV,not rmc*", riff::GSensorRecord(16, 8, -128),
                                        riff::GpsRecord("$GPRMC,231501.000,V,3730.1300,N,12700.6100,E,1.0,,,,,")}));
    RecordingItem item = ItemFor(path);
    AVIFileLoader loader;
    ASSERT_TRUE(loader.GetMetadataFromAVIFile(item));
    EXPECT_TRUE(item.metadataLoaded);
    EXPECT_TRUE(item.metadataReady);
    EXPECT_EQ(item.duration, 60);
    EXPECT_EQ(item.duration64, 60);
    EXPECT_EQ(item.channelCount, 2);
    EXPECT_EQ(item.totalFrames, 123);

    ASSERT_EQ(item.gSensorSamples.size(), 2u);
    EXPECT_EQ(item.gSensorSamples[0].x, 1.0);
    EXPECT_EQ(item.gSensorSamples[0].y, -1.0);
    EXPECT_EQ(item.gSensorSamples[0].z, 0.0);
    EXPECT_EQ(item.gSensorSamples[1].x, 0.5);
    EXPECT_EQ(item.gSensorSamples[1].y, 0.25);
    EXPECT_EQ(item.gSensorSamples[1].z, -4.0);
    EXPECT_EQ(item.gSensorTimes, (std::vector<double>{30.0, 60.0}));

    ASSERT_EQ(item.gpsSamples.size(), 2u);
    EXPECT_EQ(item.gpsSamples[0].time, 81500);
    EXPECT_TRUE(item.gpsSamples[0].valid);
    EXPECT_EQ(item.gpsSamples[1].time, 81501);
    EXPECT_FALSE(item.gpsSamples[1].valid);

    // Extraction runs once per item: a second call does not read the (now missing) file again.
    item.gpsSamples.clear();
    std::filesystem::remove(path);
    EXPECT_TRUE(loader.GetMetadataFromAVIFile(item));
    EXPECT_TRUE(item.gpsSamples.empty());
}

TEST(AVIFileLoader, ReadsAGpsRecordOnlyUpToTheEndOfItsChunk)
{
    TempDir dir;
    const std::string path = dir / "REC.avi";
    // The first record has lost its '*'; the star of the next chunk must not complete it.
    const std::string cut = riff::GpsRecord(kSentence).substr(0, 40);
    WriteFileBytes(path, RecordingWith({cut, riff::GpsRecord(kSentence)}));
    RecordingItem item = ItemFor(path);
    AVIFileLoader loader;
    ASSERT_TRUE(loader.GetMetadataFromAVIFile(item));
    ASSERT_EQ(item.gpsSamples.size(), 2u);
    EXPECT_FALSE(item.gpsSamples[0].valid);
    EXPECT_TRUE(item.gpsSamples[1].valid);
    EXPECT_EQ(item.gpsSamples[1].time, 81500);
}

// A tunnel: the receiver loses its fix for a second and writes a sentence with empty position fields.
// The seconds after it must still show their own positions, and that second shows none.
TEST(AVIFileLoader, ASecondWithoutAFixKeepsTheLaterSecondsInPlace)
{
    TempDir dir;
    const std::string path = dir / "REC.avi";
    WriteFileBytes(path, RecordingWith({riff::GpsRecord("$GPRMC,231500.000,A,3730.1200,N,12700.6000,E,10.0,,200812,,,A"),
                                        riff::GpsRecord("$GPRMC,231501.000,V,,,,,,,200812,,,N"),
                                        riff::GpsRecord("$GPRMC,231502.000,A,3730.1400,N,12700.6000,E,12.0,,200812,,,A"),
                                        riff::GpsRecord("$GPRMC,231503.000,A,3730.1500,N,12700.6000,E,13.0,,200812,,,A")},
                                       4 * 30));
    RecordingItem item = ItemFor(path);
    ASSERT_TRUE(AVIFileLoader().GetMetadataFromAVIFile(item));
    ASSERT_EQ(item.gpsSamples.size(), 4u);
    const std::pair<double, std::optional<int>> cases[] = {
        {0.5, 81500}, {1.0, std::nullopt}, {1.9, std::nullopt}, {2.0, 81502}, {3.7, 81503}, {10.0, 81503}};
    for (const auto& [seconds, clock] : cases) {
        const std::optional<GpsSample> sample = GetGpsSampleAt(item, seconds);
        ASSERT_EQ(sample.has_value(), clock.has_value()) << seconds;
        if (sample) {
            EXPECT_EQ(sample->time, *clock) << seconds;
        }
    }
}

TEST(AVIFileLoader, HandlesFilesWithoutSamples)
{
    TempDir dir;
    riff::CameraFile noIndex;
    noIndex.chunks = {{"03tx", riff::GpsRecord(kSentence)}};
    noIndex.withIndex = false;
    WriteFileBytes(dir / "noindex.avi", noIndex.Bytes() + std::string(31000, '\0'));
    WriteFileBytes(dir / "aborted.avi", std::string(1000, '\0'));
    WriteFileBytes(dir / "broken.avi", "RIFF" + riff::Le32(0) + std::string(40000, '\0'));

    RecordingItem withoutIndex = ItemFor(dir / "noindex.avi");
    EXPECT_TRUE(AVIFileLoader().GetMetadataFromAVIFile(withoutIndex));
    EXPECT_EQ(withoutIndex.duration, 60);
    EXPECT_EQ(withoutIndex.channelCount, 2);
    EXPECT_TRUE(withoutIndex.gpsSamples.empty());
    EXPECT_TRUE(withoutIndex.metadataLoaded);

    RecordingItem aborted = ItemFor(dir / "aborted.avi");
    EXPECT_TRUE(AVIFileLoader().GetMetadataFromAVIFile(aborted));
    EXPECT_FALSE(aborted.metadataLoaded);
    EXPECT_EQ(aborted.duration, 0);

    for (const std::string name : {"broken.avi", "missing.avi"}) {
        RecordingItem item = ItemFor(dir / name);
        EXPECT_FALSE(AVIFileLoader().GetMetadataFromAVIFile(item)) << name;
        EXPECT_FALSE(item.metadataLoaded) << name;
    }
}

TEST(AVIFileLoader, SurvivesAHostileIndex)
{
    TempDir dir;
    std::string bytes = RecordingWith({riff::GpsRecord(kSentence), riff::GSensorRecord(1, 2, 3)});
    const std::size_t index = bytes.find("idx1");
    ASSERT_NE(index, std::string::npos);
    // Text entries pointing before the file, past its end, and at the last byte.
    const std::string entries = "03tx" + riff::Le32(0) + riff::Le32(0x80000000u) + riff::Le32(8) + "03tx" +
                                riff::Le32(0) + riff::Le32(0x7FFFFFF0u) + riff::Le32(8) + "03tx" + riff::Le32(0) +
                                riff::Le32(static_cast<uint32_t>(bytes.size() - 1 - 536)) + riff::Le32(8);
    bytes.replace(index + 8, entries.size(), entries);
    bytes.back() = 'M';
    WriteFileBytes(dir / "hostile.avi", bytes);
    RecordingItem item = ItemFor(dir / "hostile.avi");
    ASSERT_TRUE(AVIFileLoader().GetMetadataFromAVIFile(item));
    // The entry at the last byte makes a sample whose values lie past the end and read as 0; the
    // untouched fourth entry still gives its record.
    ASSERT_EQ(item.gSensorSamples.size(), 2u);
    EXPECT_EQ(item.gSensorSamples[0].x, 0.0);
    EXPECT_EQ(item.gSensorSamples[1].z, 3.0 / 32);
}

TEST(SampleLookup, FindsTheGSensorSampleNearestInTime)
{
    const RecordingItem item = ItemWithGSensorTimes(60, 60);  // sample i at time i + 1
    const std::pair<double, double> cases[] = {
        {0.0, 0}, {30.0, 29}, {59.4, 58}, {59.5, 58} /* tie: lower */, {1000.0, 59}, {-5.0, 0}, {1.5, 0}, {1.6, 1},
    };
    for (const auto& [time, expected] : cases) {
        const auto sample = GetGSensorSampleAt(item, time);
        ASSERT_TRUE(sample) << time;
        EXPECT_EQ(sample->x, expected) << time;
    }
    EXPECT_TRUE(GetGSensorSampleAt(item, std::nan("")));
    EXPECT_FALSE(GetGSensorSampleAt(ItemWithGSensorTimes(0, 60), 1.0));
    EXPECT_EQ(GetGSensorSampleAt(ItemWithGSensorTimes(1, 60), 0.0)->x, 0.0);
}

TEST(SampleLookup, FindsTheGpsSampleOfTheWholeSecond)
{
    RecordingItem item = ItemFor("x.avi");
    EXPECT_FALSE(GetGpsSampleAt(item, 1.0));
    for (int i = 0; i < 60; ++i)
        item.gpsSamples.push_back({0, 0, 0, i, true});
    const std::pair<double, int> cases[] = {{12.9, 12}, {-1.0, 0}, {75.0, 59}, {1e300, 59}, {-1e300, 0}};
    for (const auto& [time, expected] : cases)
        EXPECT_EQ(GetGpsSampleAt(item, time)->time, expected) << time;
    EXPECT_EQ(GetGpsSampleAt(item, std::nan(""))->time, 0);
}
