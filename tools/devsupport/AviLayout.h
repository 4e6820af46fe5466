#pragma once

// The camera's recording layout: the one builder behind the sample-card generator's recordings and the
// tests' camera files. WriteAvi lays out a file with every header field as given; BuildAvi first fills in the
// fields the camera fills in when it closes a file. Also what a power cut or an early switch-off leaves.

#include <cstdint>
#include <string>
#include <vector>

namespace avi {

// One stream of a recording: its header fields and its format chunk.
struct AviStream {
    std::string chunkId;  // "00dc", "01dc", "02wb", "03tx"
    std::string type;     // "vids", "auds", "txts"
    std::string handler;  // four bytes, or empty for none
    uint32_t scale = 1;
    uint32_t rate = 1;
    uint32_t sampleSize = 0;  // bytes per sample for audio; 0 when every chunk is one sample
                              // (dwLength counts chunks either way, as the camera writes it)
    uint16_t width = 0, height = 0;
    std::string format;       // the "strf" payload

    uint32_t length = 0;
    uint32_t suggestedBufferSize = 0;
    uint64_t playedUnits = 0;  // what the stream plays in units of scale / rate: chunks, or audio samples
    uint32_t quality = 0xFFFFFFFF;  // dwQuality: the default
};

// The main header's fields; its stream count is the number of streams written.
struct AviMainHeader {
    uint32_t microSecondsPerFrame = 0;
    uint32_t maxBytesPerSec = 0;
    uint32_t flags = 0;
    uint32_t totalFrames = 0;
    uint32_t width = 0, height = 0;
};

struct MediaChunk {
    std::string id;
    std::string data;
};

// How WriteAvi lays the file out; the defaults are the camera's finished file.
struct AviWriting {
    bool padChunks = true;     // an odd media chunk gets a pad byte (a writer that does not pad: false)
    bool padMovieList = true;  // so does the movie list (odd only when its chunks are not padded)
    bool keyFlagsFromData = true;  // index flags by IndexFlags; false: every entry marked a key chunk
    bool withIndex = true;         // the idx1 index after the movie list
    bool sizesAtZero = false;      // RIFF and movie list sizes 0, as they stay until the camera closes a file
};

std::string VideoFormat(uint16_t width, uint16_t height);             // 40-byte BITMAPINFOHEADER, H.264
std::string PcmFormat(uint32_t samplesPerSecond);                     // 16-byte 16-bit mono PCM
uint32_t IndexFlags(const std::string& id, const std::string& data);  // 0x10 for key chunks

// The header list: "LIST" "hdrl" with the main header ("avih") and one stream list ("strl": "strh" and
// "strf") per stream, every field as given.
std::string HeaderList(const AviMainHeader& main, const std::vector<AviStream>& streams);

// A recording with every header field as given: "RIFF" "AVI ", the header list, the movie list with the
// chunks in the given order and (unless `how` leaves it out) the idx1 index.
std::string WriteAvi(const AviMainHeader& main, const std::vector<AviStream>& streams,
                     const std::vector<MediaChunk>& chunks, const AviWriting& how = {});

// Fills in each stream's length, suggestedBufferSize and playedUnits from the chunks whose id is its
// chunkId, as the camera does when it closes a file. Returns the total frames: the video streams' lengths.
uint32_t CountChunks(std::vector<AviStream>& streams, const std::vector<MediaChunk>& chunks);

// A complete recording as the camera closes it: the counts from the chunks (CountChunks) and the main
// header's rates and picture size, each chunk padded to even length unless padChunks is false.
std::string BuildAvi(std::vector<AviStream>& streams, const std::vector<MediaChunk>& chunks,
                     uint32_t microSecondsPerFrame, bool padChunks = true);

// Turns a complete recording into what a power cut leaves behind: no idx1, RIFF and movie list sizes,
// dwTotalFrames and every stream's dwLength and dwSuggestedBufferSize at 0, exactly the fields that the
// camera fills in when it closes a file (and that the viewer's repair rewrites). With `cutLast` the file
// also ends inside the last chunk's data. False (with a reason) when the bytes are not such a recording.
bool MakePowerCut(std::string& bytes, bool cutLast, std::string& reason);

// Keeps the header and the whole chunks that end within `limit` bytes: what a camera leaves when it is
// switched off moments after starting a file (after MakePowerCut).
bool CutAfterWholeChunks(std::string& bytes, size_t limit, std::string& reason);

// Positions found by walking a recording's top-level chunks.
struct AviLandmarks {
    size_t hdrl = 0, movi = 0, moviEnd = 0, idx1 = 0;  // 0 when absent
};
bool FindLandmarks(const std::string& bytes, AviLandmarks& landmarks, std::string& reason);

}  // namespace avi
