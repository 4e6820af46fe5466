#include "SampleCardSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

struct ExpectedStream {
    const char* chunkId;
    const char* fccType;
    uint32_t rate;
    uint32_t formatSize;
    uint32_t chunksPerSecond;
};

// Header fields that the camera fills in when it closes a recording, checked against the chunks.
void ExpectFinishedHeader(const GeneratedFile& file, const std::vector<ExpectedStream>& expected, int seconds)
{
    const ParsedAvi& avi = file.avi;
    EXPECT_EQ(avi.riffSize, avi.bytes.size() - 8);
    ASSERT_EQ(avi.streams.size(), expected.size());
    EXPECT_EQ(avi.streamCount, expected.size());
    ASSERT_TRUE(avi.hasIndex);
    EXPECT_EQ(avi.idx1Offset, avi.moviOffset + 8 + avi.moviSize) << "idx1 follows the movie list directly";
    EXPECT_EQ(avi.idx1Offset + 8 + avi.index.size() * 16, avi.bytes.size()) << "idx1 is the last chunk";

    uint32_t videoFrames = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].chunkId);
        const AviStreamHeader& s = avi.streams[i];
        const auto chunks = avi.ChunksWithId(expected[i].chunkId);
        EXPECT_EQ(s.fccType, expected[i].fccType);
        EXPECT_EQ(s.rate, expected[i].rate);
        EXPECT_EQ(s.formatSize, expected[i].formatSize);
        EXPECT_EQ(chunks.size(), expected[i].chunksPerSecond * seconds);
        EXPECT_EQ(s.length, chunks.size());
        uint32_t largest = 0;
        for (const AviChunk* c : chunks)
            largest = std::max(largest, c->size);
        EXPECT_EQ(s.suggestedBufferSize, largest);
        // About the nominal rate, and the whole seconds come back when the frames are divided by it.
        const double perSecond = static_cast<double>(s.rate) / s.scale;
        EXPECT_NEAR(perSecond, expected[i].chunksPerSecond, expected[i].chunksPerSecond * 0.005);
        EXPECT_EQ(static_cast<int>(s.length / perSecond), seconds);
        if (s.fccType == "vids")
            videoFrames += s.length;

        const JsonValue& truth = file.truth["streams"][i];
        EXPECT_EQ(truth["chunkId"].AsString(), expected[i].chunkId);
        EXPECT_EQ(truth["length"].AsInt(), s.length);
        EXPECT_EQ(truth["suggestedBufferSize"].AsInt(), s.suggestedBufferSize);
        EXPECT_EQ(truth["scale"].AsInt(), s.scale);
    }
    EXPECT_EQ(avi.totalFrames, videoFrames);
    EXPECT_EQ(file.truth["totalFrames"].AsInt(), videoFrames);
    EXPECT_EQ(file.truth["durationSeconds"].AsInt(), seconds);
    EXPECT_EQ(file.truth["fileLength"].AsInt(), static_cast<int64_t>(avi.bytes.size()));
}

// Every idx1 entry points at its chunk (offsets count from "movi"), in file order, with the camera's
// key flags; every chunk is padded to an even length.
void ExpectIndexMatchesChunks(const ParsedAvi& avi)
{
    ASSERT_EQ(avi.index.size(), avi.chunks.size());
    for (size_t i = 0; i < avi.chunks.size(); ++i) {
        const AviChunk& chunk = avi.chunks[i];
        const AviIndexEntry& entry = avi.index[i];
        SCOPED_TRACE("chunk " + std::to_string(i) + " " + chunk.id);
        EXPECT_EQ(entry.id, chunk.id);
        EXPECT_EQ(avi.moviOffset + 8 + entry.offset, chunk.offset);
        EXPECT_EQ(entry.size, chunk.size);
        EXPECT_EQ(chunk.offset % 2, 0u) << "chunks start at even positions";
        const bool audioOrText = chunk.id.substr(2) == "wb" || chunk.id.substr(2) == "tx";
        const auto fifth = chunk.data.size() > 4 ? static_cast<uint8_t>(chunk.data[4]) : 0;
        const bool key = audioOrText || fifth == 0x67 || fifth == 0x65;
        EXPECT_EQ(entry.flags, key ? 16u : 0u);
    }
    const AviChunk& last = avi.chunks.back();
    EXPECT_EQ(last.offset + 8 + last.size + last.size % 2, avi.idx1Offset);
}

}  // namespace

TEST(RecordingLayout, TwoChannelRecordingHasTheCameraHeaderAndIndex)
{
    const GeneratedFile& file = TwoChannelRecording();
    EXPECT_EQ(file.avi.moviOffset, 520u);
    ASSERT_FALSE(file.avi.chunks.empty());
    EXPECT_EQ(file.avi.chunks.front().offset, 532u);
    EXPECT_EQ(file.avi.chunks.front().id, "00dc");
    ExpectFinishedHeader(file,
                         {{"00dc", "vids", 22056, 40, 30},
                          {"01dc", "vids", 9342, 40, 10},
                          {"02wb", "auds", 44100, 16, 10},
                          {"03tx", "txts", 20250, 0, 10}},
                         6);
    ExpectIndexMatchesChunks(file.avi);
    // The camera's fixed positions of the fields the repair rewrites.
    const std::string& b = file.avi.bytes;
    EXPECT_EQ(U32At(b, 48), file.avi.totalFrames);
    struct Fixed {
        size_t ratePosition;
        uint32_t rate;
    };
    const Fixed fixed[] = {{132, 22056}, {256, 9342}, {380, 44100}, {480, 20250}};
    for (size_t i = 0; i < 4; ++i) {
        const auto [position, rate] = fixed[i];
        EXPECT_EQ(U32At(b, position), rate) << position;
        const AviStreamHeader& s = file.avi.streams[i];
        EXPECT_EQ(U32At(b, position + 8), s.length) << position;
        EXPECT_EQ(U32At(b, position + 12), s.suggestedBufferSize) << position;
    }
}

TEST(RecordingLayout, OneChannelRecordingHasNoRearStreamAtAll)
{
    const GeneratedFile& file = OneChannelEvent();
    ExpectFinishedHeader(file,
                         {{"00dc", "vids", 22056, 40, 30},
                          {"01wb", "auds", 44100, 16, 10},
                          {"02tx", "txts", 20250, 0, 10}},
                         4);
    ExpectIndexMatchesChunks(file.avi);
    EXPECT_TRUE(file.avi.ChunksWithId("01dc").empty());
    EXPECT_EQ(file.truth["channels"].AsInt(), 1);
}

TEST(RecordingLayout, ChunksInterleaveInRecordingOrder)
{
    // Within each second: the front frame comes first, a rear frame right after the front frame of the
    // same moment, then that moment's audio block and text record.
    const ParsedAvi& avi = TwoChannelRecording().avi;
    std::map<std::string, int> seen;
    for (const AviChunk& chunk : avi.chunks) {
        const int front = seen["00dc"];
        if (chunk.id == "01dc" || chunk.id == "02wb" || chunk.id == "03tx") {
            const int n = seen[chunk.id];
            EXPECT_EQ(front, n * 3 + 1) << chunk.id << " " << n << " follows front frame " << n * 3;
        }
        ++seen[chunk.id];
    }
}

TEST(RecordingLayout, FiveSecondRecordingStaysSmall)
{
    // A 5-second two-channel recording stays well under 400 KB.
    TempDir folder;
    const std::string path = folder / "REC_20120820_153012_F.avi";
    const RunResult run = RunSampleCard({"recording", path});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_LT(ReadFileBytes(path).size(), 400u * 1024);
}
