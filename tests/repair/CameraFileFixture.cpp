#include "repair/CameraFileFixture.h"

#include "support/RiffBuilder.h"

#include <stdexcept>

namespace {

using riff::Le32;

std::string Chunk(const std::string& id, const std::string& data, bool padded = true)
{
    return padded ? riff::PaddedChunk(id, data) : riff::Chunk(id, data);
}

constexpr uint32_t kRates[] = {22056, 9342};

}  // namespace

uint32_t ReadLE32(const std::string& bytes, int64_t pos)
{
    (void)bytes.at(static_cast<size_t>(pos + 3));  // out of range throws, failing the test that asked
    return GetU32(bytes, static_cast<size_t>(pos));
}

void PutLE32(std::string& bytes, int64_t pos, uint32_t value)
{
    (void)bytes.at(static_cast<size_t>(pos + 3));
    PutU32(bytes, static_cast<size_t>(pos), value);
}

std::string VideoFrame(unsigned char nalHeader, size_t size, size_t setupBytes)
{
    const std::string startCode("\0\0\0\1", 4);
    std::string frame = startCode + static_cast<char>(nalHeader);
    if (nalHeader == 0x67) {
        frame += std::string(setupBytes - 12, 'S') + startCode + "\x68PP";  // the SPS's data, then the PPS
        frame += startCode + "\x65";
    }
    for (size_t i = frame.size(); i < size; ++i)
        frame += static_cast<char>('a' + i % 23);
    return frame.substr(0, size);
}

std::vector<FixtureChunk> TypicalChunks(int seconds, bool twoChannels)
{
    std::vector<FixtureChunk> chunks;
    const std::string audio = twoChannels ? "02wb" : "01wb";
    const std::string text = twoChannels ? "03tx" : "02tx";
    for (int s = 0; s < seconds; ++s) {
        for (int frame = 0; frame < 3; ++frame) {
            unsigned char nal = frame > 0 ? 0x41 : s == 0 ? 0x67 : 0x65;
            chunks.push_back({"00dc", VideoFrame(nal, 301 + 40 * frame + s)});
            if (twoChannels && frame != 1)
                chunks.push_back({"01dc", VideoFrame(nal, 120 + 7 * frame + s)});
        }
        chunks.push_back({audio, std::string(882, '\x11')});
        chunks.push_back({text, "$GPRMC,fixture*00" + std::string(s % 2, ' ')});
    }
    return chunks;
}

CameraFixture BuildCameraFile(const std::vector<FixtureChunk>& chunks, const std::string& kinds, bool padOddChunks)
{
    // Per-stream tallies for the header counts.
    std::vector<std::string> ids;
    int video = 0;
    for (size_t s = 0; s < kinds.size(); ++s) {
        std::string number = "0" + std::to_string(s);
        ids.push_back(number + (kinds[s] == 'v' ? "dc" : kinds[s] == 't' ? "tx" : "wb"));
        video += kinds[s] == 'v';
    }

    // Header with every count at zero: the state in which the camera starts a recording.
    constexpr int64_t kFirstStreamList = 12 + 12 + 8 + 56;  // after "RIFF....AVI ", "LIST....hdrl", avih
    std::string streamLists;
    std::vector<int64_t> streamHeaderPos;
    for (char kind : kinds) {
        const std::string fcc = kind == 'v' ? "vids" : kind == 't' ? "txts" : "auds";
        const size_t formatSize = kind == 'v' ? 40 : kind == 't' ? 0 : 16;
        streamHeaderPos.push_back(kFirstStreamList + static_cast<int64_t>(streamLists.size()) + 12 + 8);
        streamLists += riff::List("LIST", "strl", riff::StreamHeader(fcc, 1000, 0, 0) +
                                                      riff::Chunk("strf", std::string(formatSize, '\x05')));
    }
    const auto streams = static_cast<uint32_t>(kinds.size());
    std::string file = "RIFF" + Le32(0) + "AVI " + riff::List("LIST", "hdrl", riff::MainHeader(0, streams) + streamLists);
    CameraFixture fixture;
    fixture.movieListPos = static_cast<int64_t>(file.size());
    file += "LIST" + Le32(0) + "movi";

    std::string index;
    std::vector<uint32_t> counts(kinds.size()), largest(kinds.size());
    for (const FixtureChunk& chunk : chunks) {
        int64_t offset = static_cast<int64_t>(file.size()) - (fixture.movieListPos + 8);
        bool key = chunk.id.ends_with("wb") || chunk.id.ends_with("tx") ||
                   (chunk.data.size() > 4 && (chunk.data[4] == '\x65' || chunk.data[4] == '\x67'));
        index += chunk.id + Le32(key ? 16 : 0) + Le32(static_cast<uint32_t>(offset)) +
                 Le32(static_cast<uint32_t>(chunk.data.size()));
        file += Chunk(chunk.id, chunk.data, padOddChunks);
        for (size_t s = 0; s < ids.size(); ++s)
            if (ids[s] == chunk.id) {
                ++counts[s];
                largest[s] = std::max(largest[s], static_cast<uint32_t>(chunk.data.size()));
            }
    }
    fixture.powerCut = file;

    std::string& complete = fixture.complete;
    complete = file;
    PutLE32(complete, fixture.movieListPos + 4, static_cast<uint32_t>(complete.size() - fixture.movieListPos - 8));
    complete += "idx1" + Le32(static_cast<uint32_t>(index.size())) + index;
    PutLE32(complete, 4, static_cast<uint32_t>(complete.size() - 8));
    uint32_t totalFrames = 0;
    int videoNumber = 0;
    for (size_t s = 0; s < kinds.size(); ++s) {
        uint32_t rate = kinds[s] == 'v' ? kRates[std::min(videoNumber++, 1)] : kinds[s] == 't' ? 20250 : 44100;
        PutLE32(complete, streamHeaderPos[s] + 24, rate);
        PutLE32(complete, streamHeaderPos[s] + 32, counts[s]);
        PutLE32(complete, streamHeaderPos[s] + 36, largest[s]);
        if (kinds[s] == 'v')
            totalFrames += counts[s];
    }
    PutLE32(complete, 48, totalFrames);
    if (video == 0)
        throw std::logic_error("a camera file has a video stream");
    return fixture;
}

std::string IndexEntries(const std::string& file)
{
    size_t at = file.rfind("idx1");
    if (at == std::string::npos)
        return {};
    return file.substr(at + 8, ReadLE32(file, static_cast<int64_t>(at) + 4));
}
