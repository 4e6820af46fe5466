#include "support/GeneratedFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace {

namespace fs = std::filesystem;

// Header fields a camera fills in only when it closes the file.
const size_t kClosingFields[] = {4, 48, 140, 144, 264, 268, 388, 392, 488, 492, 524};

void PutU32(std::string& bytes, size_t position, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(position + i) = static_cast<char>(value >> (8 * i));
}

// Closes a power-cut file the way the camera closes a recording, which is also what the viewer's repair
// rebuilds: the chunks from 532 on are indexed (audio and text blocks are key blocks, video chunks when
// their first NAL unit is an SPS or an IDR slice), and each stream header gets its fixed rate, its chunk
// count and its largest chunk.
std::string CloseLikeTheCamera(std::string bytes)
{
    struct Totals {
        uint32_t count = 0, largest = 0;
    };
    std::map<std::string, Totals> totals;
    std::string index;
    for (size_t pos = 532; pos + 8 <= bytes.size();) {
        const std::string id = bytes.substr(pos, 4);
        const uint32_t size = U32At(bytes, pos + 4);
        const auto fifth = pos + 12 < bytes.size() ? static_cast<unsigned char>(bytes[pos + 12]) : 0;
        const uint32_t flags = id == "02wb" || id == "03tx" || fifth == 0x67 || fifth == 0x65 ? 16 : 0;
        std::string entry = id + std::string(12, '\0');
        PutU32(entry, 4, flags);
        PutU32(entry, 8, static_cast<uint32_t>(pos - 528));
        PutU32(entry, 12, size);
        index += entry;
        Totals& t = totals[id];
        ++t.count;
        t.largest = std::max(t.largest, size);
        pos += 8 + size + size % 2;
    }
    PutU32(bytes, 524, static_cast<uint32_t>(bytes.size() - 528));
    std::string idx1Header = "idx1" + std::string(4, '\0');
    PutU32(idx1Header, 4, static_cast<uint32_t>(index.size()));
    bytes += idx1Header + index;
    PutU32(bytes, 4, static_cast<uint32_t>(bytes.size() - 8));
    PutU32(bytes, 48, totals["00dc"].count + totals["01dc"].count);
    const struct {
        const char* id;
        size_t ratePosition;
        uint32_t rate;
    } streams[] = {{"00dc", 132, 22056}, {"01dc", 256, 9342}, {"02wb", 380, 44100}, {"03tx", 480, 20250}};
    for (const auto& s : streams) {
        PutU32(bytes, s.ratePosition, s.rate);
        PutU32(bytes, s.ratePosition + 8, totals[s.id].count);
        PutU32(bytes, s.ratePosition + 12, totals[s.id].largest);
    }
    return bytes;
}

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

TEST(SampleCardVariants, ClosingThePowerCutCopyLikeTheCameraGivesBackTheFinishedRecording)
{
    // The repair of a power-cut file can only restore the recording byte for byte when the finished
    // file holds exactly what the camera writes on closing: the audio length counted in blocks, and no
    // other header field that only the end of the recording could tell.
    const SharedRecording& rec = FiveSecondRecording();
    const std::string out = rec.dir / "REC_20120820_153012_R.avi";
    ASSERT_EQ(RunSampleCard({"powercut", rec.path, out}).exitCode, 0);
    EXPECT_TRUE(CloseLikeTheCamera(ReadFileBytes(out)) == rec.bytes);
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

// The sidecar stays valid JSON whatever the name: bytes that are not UTF-8 are written as U+FFFD.
TEST(SampleCardVariants, AnyOtherOutputNameIsUsedAsGiven)
{
    TempDir dir;
    const std::pair<std::string, std::string> names[] = {
        {"clip \"one\" of two.avi", "clip \"one\" of two.avi"},
        {"clip &<\xff\\.avi", "clip &<\xef\xbf\xbd\\.avi"},
    };
    for (const auto& [name, inSidecar] : names) {
        SCOPED_TRACE(name);
        const std::string path = MakeRecording(dir.path(), {"--seconds", "1"}, name);
        ASSERT_TRUE(fs::exists(path));
        const GroundTruth truth = LoadGroundTruth(path);
        EXPECT_EQ(truth.file, inSidecar);
        EXPECT_EQ(truth.kind, "REC");
        EXPECT_EQ(truth.start, "20120820_153012");
    }
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
