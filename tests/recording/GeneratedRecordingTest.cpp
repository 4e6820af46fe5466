// The reader, the metadata loader and the scan against recordings written by the sample-card
// generator, compared with the ground truth it writes beside each recording.

#include "recording/AVIFileLoader.h"
#include "recording/AVIFileParser.h"
#include "recording/AviHeader.h"
#include "recording/CFileLoader.h"

#include "support/GroundTruth.h"
#include "support/RecordingReporter.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// One generated card (every kind, one- and two-channel, power-cut, marked and aborted files) plus a
// one-channel PAK recording, the kind the card only has as a power-cut copy, long enough to hold seconds
// without a GPS fix. Made once for the suite.
struct GeneratedCard {
    TempDir dir;
    fs::path card;
    std::vector<fs::path> complete;  // recordings whose sidecar says "complete"
    std::vector<fs::path> powerCut;
    fs::path aborted;

    GeneratedCard()
    {
        card = dir.path() / "card";
        const ProgramRun run = RunSampleCard({"card", card.string(), "--recordings", "8", "--seconds", "2"});
        if (run.exitCode != 0)
            throw std::runtime_error("tessaro-samplecard card failed: " + run.err);
        fs::create_directories(dir.path() / "extra");
        MakeRecording(dir.path() / "extra", {"--seconds", "8", "--channels", "1", "--seed", "5"},
                      "PAK_20120821_101010_F.avi");
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            if (entry.path().extension() != ".avi")
                continue;
            if (!fs::exists(GroundTruthPath(entry.path()))) {
                aborted = entry.path();
                continue;
            }
            const GroundTruth truth = LoadGroundTruth(entry.path());
            (truth.variant == "complete" ? complete : powerCut).push_back(entry.path());
        }
        std::sort(complete.begin(), complete.end());
        std::sort(powerCut.begin(), powerCut.end());
    }
};

const GeneratedCard& Card()
{
    static const GeneratedCard card;
    return card;
}

}  // namespace

TEST(GeneratedRecordings, CoverEveryKindAndBothChannelCounts)
{
    std::vector<std::string> kinds;
    std::vector<int> channels;
    for (const fs::path& path : Card().complete) {
        const GroundTruth truth = LoadGroundTruth(path);
        kinds.push_back(truth.kind);
        channels.push_back(truth.channels);
    }
    for (const char* kind : {"REC", "EVT", "EVS", "PRK", "PAK", "MDI"})
        EXPECT_NE(std::find(kinds.begin(), kinds.end(), kind), kinds.end()) << kind;
    EXPECT_NE(std::find(channels.begin(), channels.end(), 1), channels.end());
    EXPECT_NE(std::find(channels.begin(), channels.end(), 2), channels.end());
    const GroundTruth longest = LoadGroundTruth(Card().dir.path() / "extra" / "PAK_20120821_101010_F.avi");
    EXPECT_TRUE(std::any_of(longest.gps.begin(), longest.gps.end(), [](const TruthGps& g) { return !g.valid; }))
        << "a recording with seconds without a fix";
    EXPECT_EQ(Card().powerCut.size(), 2u);
    EXPECT_FALSE(Card().aborted.empty());
}

TEST(GeneratedRecordings, ReaderGivesWhatTheGeneratorWrote)
{
    for (const fs::path& path : Card().complete) {
        SCOPED_TRACE(path.filename().string());
        const GroundTruth truth = LoadGroundTruth(path);
        AVIFileParser parser;
        ASSERT_TRUE(parser.Open(path.string()));
        ASSERT_FALSE(parser.TopLevel().empty());
        EXPECT_EQ(parser.CountVideoStreams(), truth.channels);
        EXPECT_EQ(parser.GetTotalFrames(), truth.totalFrames);
        EXPECT_EQ(parser.GetDurationSeconds(), truth.durationSeconds);
        std::vector<std::string> ids;
        for (const TruthStream& stream : truth.streams)
            ids.push_back(stream.id);
        EXPECT_EQ(parser.GetStreamChunkIds(), ids);
        EXPECT_EQ(parser.FindChunks("idx1").size(), 1u);
        EXPECT_EQ(parser.FindListByType("movi")->offset, truth.channels == 2 ? 520 : 520 - 124);
    }
}

// The reader finds the header's parts in its chunk tree, the repair by its own strict walk; in every
// recording the camera writes both must come to the same header, field by field.
TEST(GeneratedRecordings, ReaderAndRepairFindTheSameHeader)
{
    for (const fs::path& path : Card().complete) {
        SCOPED_TRACE(path.filename().string());
        AVIFileParser parser;
        ASSERT_TRUE(parser.Open(path.string()));
        const AviHeader& reader = parser.Header();
        const std::string bytes = ReadFileBytes(path);
        const ByteReader read = [&bytes](int64_t pos, unsigned char* out, size_t count) {
            if (pos < 0 || static_cast<uint64_t>(pos) + count > bytes.size())
                return false;
            std::memcpy(out, bytes.data() + pos, count);
            return true;
        };
        AviHeader repair;
        ASSERT_TRUE(ReadAviHeader(read, static_cast<int64_t>(bytes.size()), repair).Ok());

        EXPECT_EQ(reader.headerListPos, repair.headerListPos);
        EXPECT_EQ(reader.headerListEnd, repair.headerListEnd);
        EXPECT_EQ(reader.mainHeaderPos, repair.mainHeaderPos);
        EXPECT_EQ(reader.totalFrames, repair.totalFrames);
        EXPECT_EQ(reader.movieListPos, repair.movieListPos);
        ASSERT_EQ(reader.streams.size(), repair.streams.size());
        for (std::size_t s = 0; s < reader.streams.size(); ++s) {
            const AviStream& a = reader.streams[s];
            const AviStream& b = repair.streams[s];
            EXPECT_EQ(std::tie(a.number, a.kind, a.chunkId, a.headerPos, a.scale, a.rate, a.length),
                      std::tie(b.number, b.kind, b.chunkId, b.headerPos, b.scale, b.rate, b.length))
                << "stream " << s;
        }
    }
}

TEST(GeneratedRecordings, MetadataMatchesTheSidecar)
{
    for (const fs::path& path : Card().complete) {
        SCOPED_TRACE(path.filename().string());
        const GroundTruth truth = LoadGroundTruth(path);
        RecordingItem item(DateTime{}, Unknown, path.string(), path.filename().string());
        ASSERT_TRUE(AVIFileLoader().GetMetadataFromAVIFile(item));
        ASSERT_TRUE(item.metadataLoaded);
        EXPECT_EQ(item.duration, truth.durationSeconds);
        EXPECT_EQ(item.channelCount, truth.channels);
        EXPECT_EQ(item.totalFrames, truth.totalFrames);

        // One sample per GPS record, those of the seconds without a fix included, so that sample i is
        // second i; the lookup answers only for seconds with a fix.
        ASSERT_EQ(item.gpsSamples.size(), truth.gps.size());
        for (std::size_t i = 0; i < truth.gps.size(); ++i) {
            SCOPED_TRACE("gps " + std::to_string(i));
            EXPECT_EQ(item.gpsSamples[i].time, truth.gps[i].time);
            EXPECT_EQ(item.gpsSamples[i].valid, truth.gps[i].valid);
            const std::optional<GpsSample> shown = GetGpsSampleAt(item, i + 0.5);
            ASSERT_EQ(shown.has_value(), truth.gps[i].valid);
            if (shown) {
                EXPECT_NEAR(shown->latitude, truth.gps[i].latitude, 1e-9);
                EXPECT_NEAR(shown->longitude, truth.gps[i].longitude, 1e-9);
                EXPECT_NEAR(shown->speed, truth.gps[i].speed, 1e-9);
            }
        }

        ASSERT_EQ(item.gSensorSamples.size(), truth.gsensor.size());
        for (std::size_t i = 0; i < truth.gsensor.size(); ++i) {
            EXPECT_EQ(item.gSensorSamples[i].x, truth.gsensor[i].x) << i;
            EXPECT_EQ(item.gSensorSamples[i].y, truth.gsensor[i].y) << i;
            EXPECT_EQ(item.gSensorSamples[i].z, truth.gsensor[i].z) << i;
        }
        ASSERT_EQ(item.gSensorTimes.size(), truth.gsensor.size());
        if (!item.gSensorTimes.empty()) {
            EXPECT_NEAR(item.gSensorTimes.back(), truth.durationSeconds, 1e-9);
        }
        if (truth.impactSample >= 0) {
            // The playback time of the impact finds the impact's own sample.
            const double at = item.gSensorTimes[static_cast<std::size_t>(truth.impactSample)];
            const auto sample = GetGSensorSampleAt(item, at);
            ASSERT_TRUE(sample);
            EXPECT_EQ(sample->x, truth.gsensor[static_cast<std::size_t>(truth.impactSample)].x);
        }
    }
}

TEST(GeneratedRecordings, PowerCutAndAbortedFilesAreNotReadAsRecordings)
{
    for (const fs::path& path : Card().powerCut) {
        AVIFileParser parser;
        EXPECT_FALSE(parser.Open(path.string())) << path;
        RecordingItem item(DateTime{}, Unknown, path.string(), path.filename().string());
        EXPECT_FALSE(AVIFileLoader().GetMetadataFromAVIFile(item)) << path;
    }
    AVIFileParser parser;
    EXPECT_TRUE(parser.Open(Card().aborted.string()));
    EXPECT_TRUE(parser.TopLevel().empty());

    // A plain power-cut copy (not cut inside its last chunk) fails too.
    TempDir dir;
    const std::string cut = dir / "REC_20120820_153012_F.avi";
    const ProgramRun run = RunSampleCard({"powercut", Card().complete.front().string(), cut});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    AVIFileParser cutParser;
    EXPECT_FALSE(cutParser.Open(cut));
}

TEST(GeneratedRecordings, ScanListsTheCardInStartOrder)
{
    class Spy final : public IRecordingRepair {
    public:
        Result Recover(const std::string& path, std::string&) override
        {
            handed.push_back(path);
            return Result::Failure("only noted");
        }
        std::vector<std::string> handed;
    } repair;
    RecordingReporter reporter;
    const auto before = fs::file_size(Card().aborted);
    const RecordingList list = CFileLoader(&repair).ScanRecordings({Card().card.string()}, {});
    EXPECT_TRUE(reporter.messages.empty());

    std::vector<std::string> expected;
    for (const fs::path& path : Card().complete)
        if (path.string().starts_with(Card().card.string()))
            expected.push_back(path.filename().string());
    // Names carry consecutive start times, so start order is name order after the prefix.
    std::sort(expected.begin(), expected.end(),
              [](const std::string& a, const std::string& b) { return a.substr(4) < b.substr(4); });
    // The power-cut recordings this repair left broken are listed too, as unreadable.
    std::vector<std::string> listed, unreadable;
    for (const auto& item : list)
        (item->IsPlayable() ? listed : unreadable).push_back(item->path);
    for (std::string& path : listed)
        path = fs::path(path).filename().string();
    EXPECT_EQ(listed, expected);
    std::sort(unreadable.begin(), unreadable.end());
    EXPECT_EQ(unreadable.size(), Card().powerCut.size());
    for (std::size_t i = 0; i < unreadable.size() && i < Card().powerCut.size(); ++i)
        EXPECT_EQ(unreadable[i], Card().powerCut[i].string());

    std::vector<std::string> handed = repair.handed;
    std::sort(handed.begin(), handed.end());
    ASSERT_EQ(handed.size(), Card().powerCut.size());
    for (std::size_t i = 0; i < handed.size(); ++i)
        EXPECT_EQ(handed[i], Card().powerCut[i].string());
    // The aborted recording is left out, and left alone.
    EXPECT_EQ(fs::file_size(Card().aborted), before);
    for (const auto& item : list) {
        EXPECT_EQ(item->type, CFileLoader::GetRecordingType(item->fileName));
        EXPECT_EQ(item->dateText, "2012-08-20");
    }
}
