#include "SampleCardSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

// The fields the camera fills in when it closes a recording, as positions in the file.
std::set<size_t> ClosingFieldPositions(const ParsedAvi& finished)
{
    std::set<size_t> positions = {4, finished.moviOffset + 4u, 48};
    for (const AviStreamHeader& s : finished.streams) {
        positions.insert(s.headerOffset + 32u);  // dwLength
        positions.insert(s.headerOffset + 36u);  // dwSuggestedBufferSize
    }
    return positions;
}

// The copy is the finished file's prefix, except that every closing field reads 0.
void ExpectPrefixWithClosingFieldsZeroed(const std::string& copy, const ParsedAvi& finished)
{
    const std::set<size_t> fields = ClosingFieldPositions(finished);
    ASSERT_LE(copy.size(), finished.bytes.size());
    for (size_t position : fields) {
        if (position + 4 <= copy.size()) {
            EXPECT_EQ(U32At(copy, position), 0u) << position;
        }
    }
    std::string expected = finished.bytes.substr(0, copy.size());
    for (size_t position : fields)
        if (position + 4 <= expected.size())
            expected.replace(position, 4, std::string(4, '\0'));
    EXPECT_TRUE(copy == expected) << "only the closing fields differ";
}

}  // namespace

TEST(Copies, PowerCutCopyEndsWithTheMovieDataAndHasNoIndex)
{
    for (const GeneratedFile* file : {&TwoChannelRecording(), &OneChannelEvent()}) {
        SCOPED_TRACE(file->path);
        TempDir folder;
        const std::string out = folder / "PAK_20120820_153012_F.avi";
        const RunResult run = RunSampleCard({"powercut", file->path, out});
        ASSERT_EQ(run.exitCode, 0) << run.output;

        const std::string copy = ReadFileBytes(out);
        EXPECT_EQ(copy.size(), file->avi.idx1Offset);
        ExpectPrefixWithClosingFieldsZeroed(copy, file->avi);
        const ParsedAvi cut = ParseAvi(out);
        EXPECT_FALSE(cut.hasIndex);
        EXPECT_EQ(cut.chunks.size(), file->avi.chunks.size());

        const JsonValue truth = JsonValue::ParseFile(out + ".json");
        EXPECT_TRUE(truth["powerCut"].AsBool());
        EXPECT_FALSE(truth["cutInsideLastChunk"].AsBool());
        EXPECT_EQ(truth["recording"]["totalFrames"].AsInt(), file->avi.totalFrames);
    }
}

TEST(Copies, CutLastEndsInsideTheLastChunksData)
{
    const GeneratedFile& file = TwoChannelRecording();
    TempDir folder;
    const std::string out = folder / "cut.avi";
    ASSERT_EQ(RunSampleCard({"powercut", file.path, out, "--cut-last"}).exitCode, 0);

    const std::string copy = ReadFileBytes(out);
    const AviChunk& last = file.avi.chunks.back();
    EXPECT_GT(copy.size(), last.offset + 8u);
    EXPECT_LT(copy.size(), last.offset + 8u + last.size);
    ExpectPrefixWithClosingFieldsZeroed(copy, file.avi);

    const JsonValue truth = JsonValue::ParseFile(out + ".json");
    EXPECT_TRUE(truth["cutInsideLastChunk"].AsBool());
    EXPECT_EQ(truth["lastChunk"]["offset"].AsInt(), last.offset);
    EXPECT_EQ(truth["lastChunk"]["id"].AsString(), last.id);
    EXPECT_EQ(truth["lastChunk"]["size"].AsInt(), last.size);
    EXPECT_EQ(truth["lastChunk"]["dataBytesKept"].AsInt(), static_cast<int64_t>(copy.size() - last.offset - 8));
}

TEST(Copies, AbortedFileIsAShortPowerCutCopy)
{
    const GeneratedFile& file = TwoChannelRecording();
    TempDir folder;
    for (const char* bytes : {"20000", "30720"}) {
        const std::string out = folder / (std::string("REC_") + bytes + ".avi");
        ASSERT_EQ(RunSampleCard({"aborted", file.path, out, "--bytes", bytes}).exitCode, 0);
        const std::string copy = ReadFileBytes(out);
        EXPECT_EQ(copy.size(), std::stoul(bytes));
        ExpectPrefixWithClosingFieldsZeroed(copy, file.avi);
    }
    EXPECT_EQ(RunSampleCard({"aborted", file.path, folder / "big.avi", "--bytes", "30721"}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(folder / "big.avi"));
}

TEST(Copies, RefusesWhatIsNotAFinishedRecordingAndNeverReplacesTheSource)
{
    TempDir folder;
    const std::string source = folder / "REC_20120820_153012_F.avi";
    ASSERT_EQ(RunSampleCard({"recording", source, "--seconds", "1"}).exitCode, 0);
    const std::string original = ReadFileBytes(source);
    const std::string powerCut = folder / "pc.avi";
    ASSERT_EQ(RunSampleCard({"powercut", source, powerCut}).exitCode, 0);
    WriteFileBytes(folder / "text.avi", "just some text, not a recording");

    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {source, source},                          // would replace its own source
        {powerCut, folder / "again.avi"},          // already cut: no index, sizes 0
        {folder / "text.avi", folder / "t.avi"},   // not RIFF
        {folder / "missing.avi", folder / "m.avi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in + " -> " + c.out);
        const std::string before = std::filesystem::exists(c.out) ? ReadFileBytes(c.out) : "";
        const RunResult run = RunSampleCard({"powercut", c.in, c.out});
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << "one line: " << run.output;
        EXPECT_EQ(std::filesystem::exists(c.out) ? ReadFileBytes(c.out) : "", before);
    }
    EXPECT_EQ(ReadFileBytes(source), original);
}
