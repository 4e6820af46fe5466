#include "recording/AVIFileParser.h"

#include "support/RiffBuilder.h"
#include "support/BytesRead.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using riff::Chunk;
using riff::Le32;
using riff::List;

riff::CameraFile SmallRecording(int channels)
{
    riff::CameraFile file;
    file.channels = channels;
    file.totalFrames = 4;
    file.chunks = {{"00dc", std::string(3000, 'a')}, {"01dc", std::string(1500, 'b')},
                   {"02wb", std::string(800, 'c')},  {"03tx", riff::GSensorRecord(32, -32, 0) + '\0'},  // even: see below
                   {"00dc", std::string(2500, 'd')}, {"03tx", std::string(40000, 'e')}};
    return file;
}

std::vector<std::string> Ids(const ChunkList& nodes)
{
    std::vector<std::string> ids;
    for (const auto& node : nodes)
        ids.push_back(node->id);
    return ids;
}

}  // namespace

TEST(AVIFileParser, ReadsTheCameraLayout)
{
    TempDir dir;
    for (int channels : {1, 2}) {
        const std::string path = dir / ("REC_" + std::to_string(channels) + ".avi");
        const riff::CameraFile recording = SmallRecording(channels);
        WriteFileBytes(path, recording.Bytes());

        AVIFileParser parser;
        ASSERT_TRUE(parser.Open(path)) << channels;
        EXPECT_EQ(parser.CountVideoStreams(), channels);
        EXPECT_EQ(parser.GetTotalFrames(), 4);
        EXPECT_EQ(parser.GetDurationSeconds(), 60);
        const std::vector<std::string> expectedIds =
            channels == 2 ? std::vector<std::string>{"00dc", "01dc", "02wb", "03tx"}
                          : std::vector<std::string>{"00dc", "01wb", "02tx"};
        EXPECT_EQ(parser.GetStreamChunkIds(), expectedIds);

        ASSERT_EQ(parser.FindChunks("idx1").size(), 1u);
        ChunkNode* movie = parser.FindListByType("movi");
        ASSERT_NE(movie, nullptr);
        EXPECT_EQ(movie->id, "LIST");
        if (channels == 2) {
            EXPECT_EQ(movie->offset, 520);  // the camera's fixed header length
        }
        ASSERT_EQ(movie->Children().size(), recording.chunks.size());
        int32_t expectedOffset = movie->offset + 12;
        for (std::size_t i = 0; i < recording.chunks.size(); ++i) {
            const ChunkNode& chunk = *movie->Children()[i];
            EXPECT_EQ(chunk.id, recording.chunks[i].id);
            EXPECT_EQ(chunk.offset, expectedOffset);
            EXPECT_EQ(chunk.size, static_cast<int32_t>(recording.chunks[i].data.size()));
            expectedOffset += 8 + chunk.size + chunk.size % 2;
        }
        EXPECT_EQ(parser.FindChunks("03tx").size(), 2u);
        EXPECT_EQ(parser.FindListByType("hdrl")->offset, 12);
    }
}

TEST(AVIFileParser, FindsTheIndexEvenWhenTheMovieListIsWalkedLater)
{
    TempDir dir;
    const std::string path = dir / "REC.avi";
    WriteFileBytes(path, SmallRecording(2).Bytes());
    AVIFileParser parser;
    ASSERT_TRUE(parser.Open(path));
    const std::vector<ChunkNode*> index = parser.FindChunks("idx1");
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(index[0]->size, 6 * 16);
    // Top level holds the RIFF, whose children are the header list, the movie list and the index.
    ASSERT_EQ(parser.TopLevel().size(), 1u);
    EXPECT_EQ(Ids(parser.TopLevel()[0]->Children()), (std::vector<std::string>{"LIST", "LIST", "idx1"}));
}

TEST(AVIFileParser, RecordingWithoutIndexHasNoIndexChunk)
{
    TempDir dir;
    riff::CameraFile recording = SmallRecording(2);
    recording.withIndex = false;
    WriteFileBytes(dir / "REC.avi", recording.Bytes());
    AVIFileParser parser;
    ASSERT_TRUE(parser.Open(dir / "REC.avi"));
    EXPECT_TRUE(parser.FindChunks("idx1").empty());
}

TEST(AVIFileParser, SortsOutSmallFilesAsAbortedUnlessMarked)
{
    TempDir dir;
    ScopedCurrentPath inside(dir.path());
    const std::string riffOf20000 = List("RIFF", "AVI ", Chunk("JUNK", std::string(20000 - 20, '\0')));
    ASSERT_EQ(riffOf20000.size(), 20000u);
    std::string riffOf30721 = List("RIFF", "AVI ", Chunk("JUNK", std::string(30721 - 20, '\0')));
    struct Case {
        std::string path;
        const std::string* bytes;
        bool parsed;
    };
    const Case cases[] = {
        {dir / "REC_1.avi", &riffOf20000, false},
        {dir / "REC_SDEXIT_1.avi", &riffOf20000, true},
        {"SDEXIT_1.avi", &riffOf20000, false},  // marker at character 0 does not count
        {"xSDEXIT.avi", &riffOf20000, true},
        {dir / "REC_2.avi", &riffOf30721, true},
    };
    for (const Case& c : cases) {
        WriteFileBytes(c.path, *c.bytes);
        AVIFileParser parser;
        EXPECT_TRUE(parser.Open(c.path)) << c.path;
        EXPECT_EQ(!parser.TopLevel().empty(), c.parsed) << c.path;
        EXPECT_EQ(parser.IsOpen(), c.parsed) << c.path;
        EXPECT_EQ(ReadFileBytes(c.path), *c.bytes) << "left untouched: " << c.path;
    }
}

TEST(AVIFileParser, RefusesWhatIsNotAnAviRecording)
{
    TempDir dir;
    const std::string good = SmallRecording(2).Bytes();
    std::string riffSizeZero = good;
    riffSizeZero.replace(4, 4, Le32(0));
    std::string riffSizeTooLarge = good;
    riffSizeTooLarge.replace(4, 4, Le32(static_cast<uint32_t>(good.size())));
    std::string riffSizeNegative = good;
    riffSizeNegative.replace(4, 4, Le32(0x80000010u));

    std::filesystem::create_directory(dir / "folder.avi");
    const std::string longName(255 - dir.path().string().size() - 1 - 4, 'n');
    struct Case {
        std::string name;
        std::string bytes;  // empty: do not write
        bool opens;
    };
    const Case cases[] = {
        {"UPPER.AVI", good, false},
        {"clip.mp4", good, false},
        {"missing.avi", "", false},
        {"folder.avi", "", false},
        {"empty.avi", std::string(), false},
        {"riffzero.avi", riffSizeZero, false},
        {"rifflarge.avi", riffSizeTooLarge, false},
        {"riffnegative.avi", riffSizeNegative, false},
        {"notriff.avi", "LIST" + good.substr(4), false},
        {longName + ".avi", good, true},  // exactly 255 bytes of path
        {longName + "x.avi", good, false},
    };
    for (const Case& c : cases) {
        const std::string path = dir / c.name;
        if (!c.bytes.empty() || c.name == "empty.avi")
            WriteFileBytes(path, c.bytes);
        AVIFileParser parser;
        EXPECT_EQ(parser.Open(path), c.opens) << c.name;
        if (!c.opens) {
            EXPECT_FALSE(parser.IsOpen()) << c.name;
        }
        if (!c.bytes.empty()) {
            EXPECT_EQ(ReadFileBytes(path), c.bytes) << c.name;
        }
    }
}

TEST(AVIFileParser, WalksOddSizedChunksWithoutSkippingAPadByte)
{
    TempDir dir;
    // Two chunks back to back, the first of odd size and without a pad byte; then filler so that the
    // file is not taken for an aborted recording.
    const std::string body = Chunk("odd1", std::string(1001, 'x')) + Chunk("next", std::string(8, 'y')) +
                             Chunk("fill", std::string(31000, '\0'));
    WriteFileBytes(dir / "odd.avi", List("RIFF", "AVI ", body));
    AVIFileParser parser;
    ASSERT_TRUE(parser.Open(dir / "odd.avi"));
    const ChunkList& children = parser.TopLevel()[0]->Children();
    ASSERT_EQ(Ids(children), (std::vector<std::string>{"odd1", "next", "fill"}));
    EXPECT_EQ(children[1]->offset, 12 + 8 + 1001);

    // In a movie list the camera pads odd chunks, so the walk meets the pad byte and stops there;
    // the index still lists every chunk.
    riff::CameraFile padded = SmallRecording(2);
    padded.chunks[1].data.push_back('b');
    WriteFileBytes(dir / "padded.avi", padded.Bytes());
    AVIFileParser paddedParser;
    ASSERT_TRUE(paddedParser.Open(dir / "padded.avi"));
    EXPECT_EQ(Ids(paddedParser.FindListByType("movi")->Children()), (std::vector<std::string>{"00dc", "01dc"}));
    EXPECT_EQ(paddedParser.FindChunks("idx1").size(), 1u);
}

TEST(AVIFileParser, ReadsBytesInsideTheFileOnly)
{
    TempDir dir;
    std::string bytes = SmallRecording(2).Bytes();
    bytes.replace(bytes.size() - 4, 4, Le32(0x80000001u));
    WriteFileBytes(dir / "r.avi", bytes);
    AVIFileParser parser;
    ASSERT_TRUE(parser.Open(dir / "r.avi"));
    const int32_t size = parser.FileSize();
    EXPECT_EQ(parser.ReadUInt32(0), 0x46464952);  // "RIFF"
    EXPECT_EQ(parser.ReadUInt32(size - 4), static_cast<int32_t>(0x80000001u));
    for (int32_t offset : {size - 3, size, -1, -4, INT32_MIN, INT32_MAX})
        EXPECT_EQ(parser.ReadUInt32(offset), 0) << offset;
    EXPECT_EQ(parser.ReadFourCC(size - 2), std::string("\0\x80\0\0", 4));  // bytes past the end are zeros

    char buffer[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_FALSE(parser.ReadBytes(size - 4, 8, buffer));
    EXPECT_EQ(std::string(buffer, 8), std::string(8, '\0'));
    EXPECT_FALSE(parser.ReadBytes(0, 0, buffer));
    EXPECT_FALSE(parser.ReadBytes(-8, 4, buffer));
    ASSERT_TRUE(parser.ReadBytes(8, 4, buffer));
    EXPECT_EQ(std::string(buffer, 4), "AVI ");
}

TEST(AVIFileParser, FindListByTypeFallsBackToTheLastTopLevelNode)
{
    TempDir dir;
    const std::string body = riff::CameraFile{}.Header() + Chunk("fill", std::string(31000, '\0'));
    WriteFileBytes(dir / "nomovie.avi", List("RIFF", "AVI ", body) + Chunk("tail", std::string(8, 't')));
    AVIFileParser parser;
    ASSERT_TRUE(parser.Open(dir / "nomovie.avi"));
    ASSERT_EQ(Ids(parser.TopLevel()), (std::vector<std::string>{"RIFF", "tail"}));
    EXPECT_EQ(parser.FindListByType("movi"), parser.TopLevel()[1].get());
    EXPECT_EQ(parser.FindListByType("hdrl")->offset, 12);

    AVIFileParser closed;
    EXPECT_EQ(closed.FindListByType("movi"), nullptr);
    EXPECT_EQ(closed.CountVideoStreams(), 0);
    EXPECT_EQ(closed.GetTotalFrames(), 0);
    EXPECT_EQ(closed.GetDurationSeconds(), 0);
    EXPECT_TRUE(closed.GetStreamChunkIds().empty());
}

TEST(AVIFileParser, SecondOpenKeepsTheFirstTreeAndItsAnswers)
{
    TempDir dir;
    WriteFileBytes(dir / "a.avi", SmallRecording(2).Bytes());
    riff::CameraFile other = SmallRecording(1);
    other.chunks.resize(2);
    WriteFileBytes(dir / "b.avi", other.Bytes() + std::string(31000, '\0'));
    AVIFileParser parser;
    ASSERT_TRUE(parser.Open(dir / "a.avi"));
    ASSERT_TRUE(parser.Open(dir / "b.avi"));
    ASSERT_EQ(parser.TopLevel().size(), 2u);
    // The first file's movie list is walked only now, still from the first file.
    EXPECT_EQ(parser.FindChunks("03tx").size(), 2u);
    EXPECT_EQ(parser.FindChunks("idx1").size(), 2u);
}

TEST(AVIFileParser, SurvivesHostileSizes)
{
    TempDir dir;
    // Chunks nested inside one another hundreds of thousands deep: every plain chunk is walked into.
    const int depth = 200000;
    std::string nested(static_cast<std::size_t>(depth) * 12 + 64, '\0');
    for (int level = 0; level < depth; ++level) {
        const std::size_t pos = 12 + static_cast<std::size_t>(level) * 12;
        const uint32_t size = static_cast<uint32_t>(nested.size() - pos - 8 - 4);
        nested.replace(pos, 8, "deep" + Le32(size));
    }
    nested.replace(0, 12, "RIFF" + Le32(static_cast<uint32_t>(nested.size() - 8)) + "AVI ");

    std::string negative = SmallRecording(2).Bytes();
    negative.replace(524, 4, Le32(0xFFFFFFF0u));  // movie list size -16

    std::string hugeChild = List("RIFF", "AVI ", Chunk("big!", std::string(40000, '\0')));
    hugeChild.replace(16, 4, Le32(static_cast<uint32_t>(hugeChild.size() - 1)));

    for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"nested.avi", nested},
                                      {"negative.avi", negative}, {"huge.avi", hugeChild}}) {
        WriteFileBytes(dir / name, bytes);
        AVIFileParser parser;
        EXPECT_TRUE(parser.Open(dir / name)) << name;
        parser.FindChunks("idx1");
        parser.GetStreamChunkIds();
        parser.GetDurationSeconds();
    }
}

TEST(AVIFileParser, PositionsBeyondTwoGigabytesDoNotWrap)
{
    TempDir dir;
    const std::string path = dir / "sparse.avi";
    const int64_t length = INT32_MAX;
    {
        std::ofstream out(path, std::ios::binary);
        out << List("RIFF", "AVI ", "").replace(4, 4, Le32(static_cast<uint32_t>(length - 8)));
        // A chunk whose size takes the next position past 2 GiB.
        out << "big!" << Le32(static_cast<uint32_t>(length - 1));
    }
    std::error_code error;
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(length), error);
    if (error)
        GTEST_SKIP() << "no sparse files here";
    AVIFileParser parser;
    ASSERT_TRUE(parser.Open(path));
    EXPECT_EQ(Ids(parser.TopLevel()[0]->Children()), std::vector<std::string>{"big!"});
}

TEST(AVIFileParser, OpeningReadsOnlyTheHeadersWhateverTheLength)
{
    TempDir dir;
    riff::CameraFile file;
    for (int i = 0; i < 4000; ++i) {
        file.chunks.push_back({"00dc", std::string(1200, 'v')});
        file.chunks.push_back({"03tx", riff::GSensorRecord(1, 2, 3) + '\0'});
    }
    const std::string path = dir / "REC_long.avi";
    WriteFileBytes(path, file.Bytes());
    ASSERT_GT(fs::file_size(path), 5'000'000u);

    const long long before = BytesReadSoFar();
    if (before < 0)
        GTEST_SKIP() << "no /proc/self/io";
    AVIFileParser parser;
    ASSERT_TRUE(parser.Open(path));
    EXPECT_EQ(parser.CountVideoStreams(), 2);
    EXPECT_EQ(parser.GetDurationSeconds(), 60);
    const long long read = BytesReadSoFar() - before;
    EXPECT_LE(read, 64 * 1024);
    RecordProperty("bytesRead", std::to_string(read));

    // Asking for the movie list's children walks them, and finds them all.
    EXPECT_EQ(parser.FindListByType("movi")->Children().size(), 8000u);
}
