#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One stream of a camera recording: its header fields and its format chunk. BuildAvi fills in
// `length` and `suggestedBufferSize` from the chunks, as the camera does when it closes a file.
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
};

struct MediaChunk {
    std::string id;
    std::string data;
};

std::string VideoFormat(uint16_t width, uint16_t height);             // 40-byte BITMAPINFOHEADER, H.264
std::string PcmFormat(uint32_t samplesPerSecond);                     // 16-byte 16-bit mono PCM
uint32_t IndexFlags(const std::string& id, const std::string& data);  // 0x10 for key chunks

// A complete recording: RIFF header, hdrl (avih and one strl per stream), the movie list with the
// chunks in the given order (each padded to even length, as the camera does, unless padChunks is false)
// and the idx1 index.
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
