#include "repair/CameraFileFixture.h"

#include "devsupport/ByteOrder.h"

#include <algorithm>
#include <stdexcept>

namespace {

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
    if (kinds.find('v') == std::string::npos)
        throw std::logic_error("a camera file has a video stream");
    // Header with every count and rate at zero: the state in which the camera starts a recording.
    std::vector<avi::AviStream> streams;
    for (size_t s = 0; s < kinds.size(); ++s) {
        const char kind = kinds[s];
        avi::AviStream& stream = streams.emplace_back();
        stream.chunkId = "0" + std::to_string(s) + (kind == 'v' ? "dc" : kind == 't' ? "tx" : "wb");
        stream.type = kind == 'v' ? "vids" : kind == 't' ? "txts" : "auds";
        stream.scale = 1000;
        stream.rate = 0;
        stream.format = std::string(kind == 'v' ? 40 : kind == 't' ? 0 : 16, '\x05');
        stream.quality = 0;
    }
    avi::AviWriting how;
    how.padChunks = how.padMovieList = padOddChunks;
    how.withIndex = false;
    how.sizesAtZero = true;

    CameraFixture fixture;
    fixture.powerCut = avi::WriteAvi({}, streams, chunks, how);
    // Closed: the sizes, the counts, the rates and the index filled in.
    avi::AviMainHeader main;
    main.totalFrames = avi::CountChunks(streams, chunks);
    int videoNumber = 0;
    for (size_t s = 0; s < kinds.size(); ++s)
        streams[s].rate = kinds[s] == 'v' ? kRates[std::min(videoNumber++, 1)] : kinds[s] == 't' ? 20250 : 44100;
    how.withIndex = true;
    how.sizesAtZero = false;
    fixture.complete = avi::WriteAvi(main, streams, chunks, how);
    avi::AviLandmarks at;
    std::string reason;
    if (!avi::FindLandmarks(fixture.complete, at, reason))
        throw std::logic_error(reason);
    fixture.movieListPos = static_cast<int64_t>(at.movi);
    return fixture;
}

std::string IndexEntries(const std::string& file)
{
    size_t at = file.rfind("idx1");
    if (at == std::string::npos)
        return {};
    return file.substr(at + 8, ReadLE32(file, static_cast<int64_t>(at) + 4));
}
