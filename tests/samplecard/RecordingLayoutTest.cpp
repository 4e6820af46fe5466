#include "support/GeneratedFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

struct StreamFacts {
    uint32_t chunks = 0;
    uint32_t largest = 0;
    uint64_t bytes = 0;
};

// Counts and sizes measured from the movie list itself, not taken from the generator's claims.
std::map<std::string, StreamFacts> MeasureStreams(const std::string& bytes)
{
    std::map<std::string, StreamFacts> facts;
    for (const ChunkAt& chunk : MovieChunks(bytes, 520)) {
        StreamFacts& f = facts[chunk.id];
        ++f.chunks;
        f.largest = std::max(f.largest, chunk.size);
        f.bytes += chunk.size;
    }
    return facts;
}

TEST(SampleCardLayout, HeaderFieldsHoldWhatAFinishedRecordingHas)
{
    const SharedRecording& rec = FiveSecondRecording();
    const std::string& bytes = rec.bytes;
    auto facts = MeasureStreams(bytes);
    const auto idx1 = FindChunk(TopLevelChunks(bytes), "idx1");
    ASSERT_TRUE(idx1.has_value());

    EXPECT_EQ(bytes.substr(520, 4), "LIST");
    EXPECT_EQ(bytes.substr(528, 4), "movi");
    EXPECT_EQ(bytes.substr(532, 4), "00dc");

    struct Field {
        size_t position;
        uint64_t expected;
        const char* what;
    };
    const Field fields[] = {
        {4, bytes.size() - 8, "RIFF size"},
        {48, facts["00dc"].chunks + facts["01dc"].chunks, "dwTotalFrames"},
        {56, 4, "dwStreams"},
        {60, 0, "avih dwSuggestedBufferSize: never filled in"},
        {128, 735, "front dwScale"},
        {132, 22056, "front dwRate"},
        {140, facts["00dc"].chunks, "front dwLength"},
        {144, facts["00dc"].largest, "front dwSuggestedBufferSize"},
        {252, 934, "rear dwScale"},
        {256, 9342, "rear dwRate"},
        {264, facts["01dc"].chunks, "rear dwLength"},
        {268, facts["01dc"].largest, "rear dwSuggestedBufferSize"},
        {376, 10, "audio dwScale: 4410 samples a second"},
        {380, 44100, "audio dwRate"},
        {388, facts["02wb"].chunks, "audio dwLength in chunks, as the camera counts them"},
        {392, facts["02wb"].largest, "audio dwSuggestedBufferSize"},
        {476, 2025, "text dwScale: ten records a second"},
        {480, 20250, "text dwRate"},
        {488, facts["03tx"].chunks, "text dwLength"},
        {492, facts["03tx"].largest, "text dwSuggestedBufferSize"},
        {524, idx1->offset - 528, "movie list size"},
    };
    for (const Field& field : fields)
        EXPECT_EQ(U32At(bytes, field.position), field.expected) << field.what << " at " << field.position;

    // Five seconds of camera time: every frame before the end, so the header's duration reads 5.
    EXPECT_EQ(facts["00dc"].chunks, 151u);
    EXPECT_EQ(facts["01dc"].chunks, 51u);
    EXPECT_EQ(facts["02wb"].bytes / 2, 5u * 4410);
    EXPECT_EQ(facts["03tx"].chunks, 5u * 10);
    EXPECT_EQ(rec.truth.durationSeconds, 5);
}

TEST(SampleCardLayout, SidecarAgreesWithTheFile)
{
    const SharedRecording& rec = FiveSecondRecording();
    auto facts = MeasureStreams(rec.bytes);
    const GroundTruth& truth = rec.truth;
    EXPECT_EQ(truth.variant, "complete");
    EXPECT_EQ(truth.channels, 2);
    EXPECT_EQ(truth.totalFrames, U32At(rec.bytes, 48));
    ASSERT_EQ(truth.streams.size(), 4u);
    const size_t rateAt[] = {132, 256, 380, 480};
    for (size_t i = 0; i < truth.streams.size(); ++i) {
        const TruthStream& s = truth.streams[i];
        SCOPED_TRACE(s.id);
        EXPECT_EQ(s.rate, U32At(rec.bytes, rateAt[i]));
        EXPECT_EQ(s.scale, U32At(rec.bytes, rateAt[i] - 4));
        EXPECT_EQ(s.length, U32At(rec.bytes, rateAt[i] + 8));
        EXPECT_EQ(s.suggestedBufferSize, U32At(rec.bytes, rateAt[i] + 12));
        EXPECT_EQ(s.chunks, facts[s.id].chunks);
    }
    EXPECT_EQ(truth.Stream("00dc")->width, 640);
    EXPECT_EQ(truth.Stream("01dc")->height, 180);
    EXPECT_EQ(truth.gps.size(), 5u);
    EXPECT_EQ(truth.gsensor.size(), 45u);
}

TEST(SampleCardLayout, IndexPointsAtEveryChunkWithTheCameraFlags)
{
    const std::string& bytes = FiveSecondRecording().bytes;
    const std::vector<ChunkAt> movie = MovieChunks(bytes, 520);
    const std::vector<ChunkAt> top = TopLevelChunks(bytes);
    ASSERT_EQ(top.back().id, "idx1");
    const ChunkAt& idx1 = top.back();
    // The padded chunks fill the movie list exactly, and the index ends the file.
    ASSERT_FALSE(movie.empty());
    const ChunkAt& last = movie.back();
    EXPECT_EQ(last.offset + 8 + last.size + (last.size & 1), idx1.offset);
    EXPECT_EQ(idx1.offset + 8 + idx1.size, bytes.size());
    EXPECT_TRUE(std::any_of(movie.begin(), movie.end(), [](const ChunkAt& c) { return c.size % 2 == 1; }))
        << "no odd-sized chunk: padding is not exercised";

    ASSERT_EQ(idx1.size, movie.size() * 16);
    for (size_t i = 0; i < movie.size(); ++i) {
        const size_t entry = idx1.offset + 8 + i * 16;
        const ChunkAt& chunk = movie[i];
        const std::string data = chunk.Data(bytes);
        const bool key = chunk.id == "02wb" || chunk.id == "03tx" || data[4] == 0x67 || data[4] == 0x65;
        ASSERT_EQ(bytes.substr(entry, 4), chunk.id) << "entry " << i;
        ASSERT_EQ(U32At(bytes, entry + 4), key ? 16u : 0u) << "entry " << i;
        ASSERT_EQ(U32At(bytes, entry + 8) + 528, chunk.offset) << "entry " << i;
        ASSERT_EQ(U32At(bytes, entry + 12), chunk.size) << "entry " << i;
    }
}

TEST(SampleCardLayout, StreamsAreInterleavedInTimeOrder)
{
    // Before the GPS record of second s the front camera has written about 30 s frames, the rear
    // about 10 s and the audio 10 s blocks of a tenth of a second.
    std::map<std::string, int> seen;
    int second = 0;
    for (const ChunkAt& chunk : MovieChunks(FiveSecondRecording().bytes, 520)) {
        if (chunk.id == "03tx" && FiveSecondRecording().bytes[chunk.offset + 8] == 'G') {
            SCOPED_TRACE("second " + std::to_string(second));
            EXPECT_NEAR(seen["00dc"], 30 * second, 1);
            EXPECT_NEAR(seen["01dc"], 10 * second, 1);
            EXPECT_NEAR(seen["02wb"], 10 * second, 1);
            ++second;
        }
        ++seen[chunk.id];
    }
    EXPECT_EQ(second, 5);
}

}  // namespace
