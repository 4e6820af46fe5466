#include "GeneratedFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

// Header fields a camera fills in only when it closes the file.
const size_t kClosingFields[] = {4, 48, 60, 140, 144, 264, 268, 388, 392, 488, 492, 524};

TEST(SampleCardVariants, PowerCutCopyKeepsEveryChunkButLosesIndexAndCounts)
{
    const SharedRecording& rec = FiveSecondRecording();
    const std::string out = rec.dir / "REC_20120820_153012_P.avi";
    const ProgramRun run = RunSampleCard({"powercut", rec.path, out});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const std::string copy = ReadFileBytes(out);
    const auto idx1 = FindChunk(TopLevelChunks(rec.bytes), "idx1");
    ASSERT_TRUE(idx1.has_value());
    ASSERT_EQ(copy.size(), idx1->offset) << "the copy ends where the index began";
    std::string expected = rec.bytes.substr(0, idx1->offset);
    for (size_t position : kClosingFields) {
        EXPECT_EQ(U32At(copy, position), 0u) << "at " << position;
        expected.replace(position, 4, std::string(4, '\0'));
    }
    EXPECT_TRUE(copy == expected) << "only the closing fields differ from the finished recording";
    EXPECT_EQ(LoadGroundTruth(out).variant, "powercut");
    EXPECT_EQ(LoadGroundTruth(out).gps.size(), rec.truth.gps.size());
}

TEST(SampleCardVariants, CutLastEndsTheFileInsideTheLastChunk)
{
    const SharedRecording& rec = FiveSecondRecording();
    const std::string plain = rec.dir / "REC_20120820_153012_Q.avi";
    const std::string cut = rec.dir / "REC_20120820_153012_C.avi";
    ASSERT_EQ(RunSampleCard({"powercut", rec.path, plain}).exitCode, 0);
    ASSERT_EQ(RunSampleCard({"powercut", rec.path, cut, "--cut-last"}).exitCode, 0);

    const std::string whole = ReadFileBytes(plain), cutBytes = ReadFileBytes(cut);
    const std::vector<ChunkAt> chunks = ChunksBetween(whole, 532, whole.size());
    ASSERT_FALSE(chunks.empty());
    const ChunkAt& last = chunks.back();
    EXPECT_GT(cutBytes.size(), last.offset + 8) << "the last chunk's header is complete";
    EXPECT_LT(cutBytes.size(), last.offset + 8 + last.size) << "but its data is not";
    EXPECT_EQ(cutBytes, whole.substr(0, cutBytes.size()));
    EXPECT_EQ(LoadGroundTruth(cut).variant, "powercut-cut-last");
}

TEST(SampleCardVariants, AbortedFileIsASmallUnfinishedRecording)
{
    TempDir dir;
    const std::string out = dir / "REC_20120820_153012_F.avi";
    const ProgramRun run = RunSampleCard({"aborted", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string bytes = ReadFileBytes(out);
    EXPECT_LE(bytes.size(), 30720u);
    EXPECT_GT(bytes.size(), 532u + 8);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(U32At(bytes, 4), 0u);
    EXPECT_EQ(bytes.substr(520, 12), std::string("LIST\0\0\0\0movi", 12));
    EXPECT_FALSE(FindChunk(TopLevelChunks(bytes), "idx1").has_value());
}

TEST(SampleCardVariants, SameSeedGivesTheSameBytesAndAnotherSeedDoesNot)
{
    TempDir first, second;
    const std::vector<std::string> args{"--seconds", "2", "--seed", "42"};
    const std::string a = MakeRecording(first.path(), args);
    const std::string b = MakeRecording(second.path(), args);
    EXPECT_TRUE(ReadFileBytes(a) == ReadFileBytes(b));
    EXPECT_EQ(ReadFileBytes(GroundTruthPath(a)), ReadFileBytes(GroundTruthPath(b)));

    const std::string c = MakeRecording(second.path(), {"--seconds", "2", "--seed", "43"}, "REC_20120820_153012_G.avi");
    EXPECT_FALSE(ReadFileBytes(a) == ReadFileBytes(c));
}

TEST(SampleCardVariants, OneChannelRecordingHasNoRearStream)
{
    TempDir dir;
    const std::string path = MakeRecording(dir.path(), {"--seconds", "2", "--channels", "1"});
    const std::string bytes = ReadFileBytes(path);
    const GroundTruth truth = LoadGroundTruth(path);
    EXPECT_EQ(truth.channels, 1);
    ASSERT_EQ(truth.streams.size(), 3u);
    EXPECT_EQ(U32At(bytes, 56), 3u) << "avih dwStreams";

    // Chunk ids follow the stream numbers: 00dc, 01wb, 02tx.
    const ChunkAt* movi = nullptr;
    const std::vector<ChunkAt> top = TopLevelChunks(bytes);
    for (const ChunkAt& chunk : top)
        if (chunk.id == "LIST" && bytes.substr(chunk.offset + 8, 4) == "movi")
            movi = &chunk;
    ASSERT_NE(movi, nullptr);
    std::set<std::string> ids;
    for (const ChunkAt& chunk : MovieChunks(bytes, movi->offset))
        ids.insert(chunk.id);
    EXPECT_EQ(ids, (std::set<std::string>{"00dc", "01wb", "02tx"}));
    EXPECT_EQ(U32At(bytes, 48), static_cast<uint32_t>(truth.Stream("00dc")->chunks)) << "dwTotalFrames";

    const ProgramRun probe = RunProgram({"ffprobe", "-v", "error", "-show_entries", "stream=codec_type", "-of",
                                         "csv=p=0", path});
    EXPECT_EQ(probe.out.substr(0, 12), "video\naudio\n");
    EXPECT_EQ(std::count(probe.out.begin(), probe.out.end(), '\n'), 3);
}

TEST(SampleCardVariants, AnyOtherOutputNameIsUsedAsGiven)
{
    TempDir dir;
    const std::string name = "clip \"one\" of two.avi";
    const std::string path = MakeRecording(dir.path(), {"--seconds", "1"}, name);
    ASSERT_TRUE(fs::exists(path));
    const GroundTruth truth = LoadGroundTruth(path);
    EXPECT_EQ(truth.file, name);
    EXPECT_EQ(truth.kind, "REC");
    EXPECT_EQ(truth.start, "20120820_153012");
}

TEST(SampleCardVariants, BadRequestsFailWithOneLineAndLeaveNoFile)
{
    TempDir dir;
    const std::string out = dir / "REC_20120820_153012_F.avi";
    const std::string notAvi = dir / "notes.avi";
    WriteFileBytes(notAvi, "these are not the bytes of a recording");
    // A power cut cannot happen twice: a file without its index is refused.
    const std::string& finished = FiveSecondRecording().bytes;
    const std::string unindexed = dir / "unindexed.avi";
    WriteFileBytes(unindexed, finished.substr(0, finished.size() / 2));
    const std::vector<std::vector<std::string>> requests = {
        {"recording", out, "--channels", "3"},
        {"recording", out, "--kind", "XYZ"},
        {"recording", out, "--seconds", "0"},
        {"recording", out, "--seconds", "5x"},
        {"recording", out, "--start", "20121340_101010"},
        {"recording", out, "--start", "20120230_101010"},
        {"recording", out, "--colour", "red"},
        {"recording", out, "--seed"},
        {"recording", (dir.path() / "missing" / "REC.avi").string()},
        {"powercut", notAvi, out},
        {"powercut", unindexed, out},
        {"powercut", (dir.path() / "absent.avi").string(), out},
        {"card"},
        {"fly"},
    };
    for (const auto& request : requests) {
        std::string shown;
        for (const std::string& arg : request)
            shown += arg + " ";
        SCOPED_TRACE(shown);
        const ProgramRun run = RunSampleCard(request);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_FALSE(fs::exists(out));
    }
    // Nothing half-written is left behind either.
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path().filename() == "notes.avi" || entry.path().filename() == "unindexed.avi")
            << entry.path();
}

}  // namespace
