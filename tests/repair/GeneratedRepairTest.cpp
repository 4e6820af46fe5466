// The repair on recordings made by the sample-card generator (real H.264, PCM audio, GPS and G-sensor
// records in the camera's layout) and on its power-cut copies.

#include "recording/AVIFileRecovery.h"

#include "repair/CameraFileFixture.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>

namespace fs = std::filesystem;

namespace {

struct PowerCutCase {
    const char* name;
    std::vector<std::string> recordingArgs;
    bool cutLast;
};

}  // namespace

TEST(GeneratedRepair, PowerCutCopiesComeBackAsTheOriginal)
{
    const PowerCutCase cases[] = {
        {"two channels", {"--seconds", "4", "--seed", "11"}, false},
        {"one channel", {"--seconds", "4", "--channels", "1", "--seed", "12"}, false},
        {"parking, two channels", {"--seconds", "3", "--kind", "PRK", "--seed", "13"}, false},
        {"two channels, cut inside the last chunk", {"--seconds", "4", "--seed", "14"}, true},
        {"one channel, cut inside the last chunk", {"--seconds", "3", "--channels", "1", "--seed", "15"}, true},
    };
    for (const PowerCutCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        fs::create_directories(dir.path() / "card");
        std::string original = MakeRecording(dir.path(), c.recordingArgs, "REC_20240301_120000_F.avi");
        std::string broken = (dir.path() / "card" / "REC_20240301_120000_F.avi").string();
        std::vector<std::string> command{"powercut", original, broken};
        if (c.cutLast)
            command.push_back("--cut-last");
        ASSERT_EQ(RunSampleCard(command).exitCode, 0);
        const std::string brokenBytes = ReadFileBytes(broken);
        const std::string originalBytes = ReadFileBytes(original);

        AVIFileRecovery recovery(dir.path() / "BROKENFILES");
        std::string repaired;
        ASSERT_TRUE(recovery.Recover(broken, repaired).Ok());
        EXPECT_EQ(repaired, broken);
        const std::string bytes = ReadFileBytes(broken);
        EXPECT_TRUE(ReadFileBytes(dir.path() / "BROKENFILES" / "REC_20240301_120000_F.avi") == brokenBytes);

        if (!c.cutLast) {
            EXPECT_EQ(bytes.size(), originalBytes.size());
            EXPECT_TRUE(bytes == originalBytes) << "the repaired file differs from the original";
            continue;
        }
        // The index is the original's without the cut chunk, and the movie list ends where the cut chunk
        // began: a decoder must not read the cut chunk's declared size over the new index. The fields
        // count the chunks indexed.
        std::string expectedIndex = IndexEntries(originalBytes);
        const size_t movieData = static_cast<size_t>(recovery.Header().MovieFourCCPos());
        const size_t cutChunkPos = movieData + ReadLE32(expectedIndex, int64_t(expectedIndex.size()) - 8);
        expectedIndex.resize(expectedIndex.size() - 16);
        EXPECT_TRUE(IndexEntries(bytes) == expectedIndex);
        EXPECT_EQ(bytes.size(), cutChunkPos + 8 + expectedIndex.size());
        EXPECT_EQ(bytes.substr(cutChunkPos, 4), "idx1");
        EXPECT_TRUE(bytes.compare(movieData, cutChunkPos - movieData, brokenBytes, movieData, cutChunkPos - movieData) == 0);
        EXPECT_FALSE(recovery.WrittenTally().Partial()) << "a cut last chunk is what a power cut leaves";
        EXPECT_EQ(ReadLE32(bytes, 4), bytes.size() - 8);
        // The header is the original's except for the sizes and the cut chunk's stream, whose length
        // is one chunk shorter.
        const std::string originalIndex = IndexEntries(originalBytes);
        const std::string cutId = originalIndex.substr(originalIndex.size() - 16, 4);
        const AviHeader& header = recovery.Header();
        std::set<int64_t> changed = {4, header.movieListPos + 4, header.mainHeaderPos + 16};
        for (const auto& stream : header.streams)
            if (stream.chunkId == cutId) {
                changed.insert({stream.headerPos + 32, stream.headerPos + 36});
                EXPECT_EQ(ReadLE32(bytes, stream.headerPos + 32), ReadLE32(originalBytes, stream.headerPos + 32) - 1);
            }
        for (int64_t pos = 0; pos < static_cast<int64_t>(movieData); pos += 4) {
            if (!changed.count(pos)) {
                EXPECT_EQ(ReadLE32(bytes, pos), ReadLE32(originalBytes, pos)) << "at " << pos;
            }
        }
    }
}
