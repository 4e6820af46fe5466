#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The camera's RIFF AVI layout: hdrl (avih, one strl per stream), the movie list, then idx1.
// With the camera's four streams and their format sizes (40, 40, 16, 0) the movie list lands at 520
// and its first chunk at 532, which the viewer's repair relies on.
namespace samplecard {

struct AviStream {
    std::string fccType;   // vids, auds, txts
    std::string handler;   // four bytes
    std::string chunkId;   // 00dc, 01dc, 02wb, 03tx
    uint32_t scale = 1;
    uint32_t rate = 1;
    std::string format;    // the strf chunk's data
    uint16_t width = 0, height = 0;  // the picture of a video stream
};

struct AviChunk {
    int stream = 0;
    std::string data;
};

struct StreamTotals {
    uint32_t chunks = 0;
    uint32_t largest = 0;
};

struct BuiltAvi {
    std::string bytes;
    uint32_t moviOffset = 0;  // position of the movie list's "LIST" id
    uint32_t idx1Offset = 0;
    uint32_t totalFrames = 0;  // video chunks of every stream
    std::vector<StreamTotals> streams;
};

// The index flag the camera gives a chunk: key (16) for audio and text chunks, and for video chunks
// whose first NAL unit is a parameter set or an IDR slice (fifth data byte 0x67 or 0x65).
uint32_t IndexFlags(const std::string& chunkId, const std::string& data);

// A finished recording: every size, count and largest-chunk field filled in, idx1 written, every
// chunk padded to an even length. Chunks are written in the order given.
BuiltAvi BuildAvi(const std::vector<AviStream>& streams, const std::vector<AviChunk>& chunks);

// Where the fields that the camera fills in when it closes a recording lie in a finished file.
struct ClosingFields {
    uint32_t moviOffset = 0;
    uint32_t idx1Offset = 0;
    uint32_t totalFramesOffset = 0;
    std::vector<uint32_t> streamHeaderOffsets;  // first data byte of each strh
    uint32_t lastChunkOffset = 0;               // the movie list's last chunk
};

// Throws with the reason when the bytes are not a finished recording of this layout.
ClosingFields FindClosingFields(const std::string& bytes);

// The file as a power cut leaves it: no idx1, the RIFF and movie-list sizes, dwTotalFrames and every
// stream's dwLength and dwSuggestedBufferSize still 0. With `cutInsideLastChunk` the file also ends
// halfway through the data of the movie list's last chunk.
struct PowerCut {
    std::string bytes;
    std::string lastChunkId;
    uint32_t lastChunkOffset = 0;
    uint32_t lastChunkSize = 0;
    uint32_t lastChunkBytesKept = 0;  // of its data
};
PowerCut PowerCutCopy(const std::string& finished, bool cutInsideLastChunk);

}  // namespace samplecard
