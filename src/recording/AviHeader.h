#pragma once

#include "infra/Result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The header of a recording (a RIFF AVI file), read once into named fields: where the header list, the
// main header and the movie list lie, and per stream its number, kind, chunk id, header position and
// timing. The container reader, the repair and the clip writer all work from this one value. Where the parts
// lie is found by a walk of the file (ReadAviHeader's own, or the container parser's chunk tree); their
// fields are read in one place, ReadAviHeaderAt.

enum class StreamKind { Video, Audio, Text, Other };

// The chunk id of a stream's media chunks: the stream number in two digits and two letters for the kind
// ("00dc", "01dc", "02wb", "03tx"); empty for a kind whose chunks the viewer does not know.
std::string StreamChunkId(int number, StreamKind kind);

struct AviStream {
    // Offsets of the fields inside a stream header's data.
    static constexpr int64_t kScaleOffset = 20;
    static constexpr int64_t kRateOffset = 24;
    static constexpr int64_t kLengthOffset = 32;
    static constexpr int64_t kSuggestedBufferOffset = 36;
    static constexpr int64_t kMinimumSize = 56;

    int number = 0;  // position among the header list's stream lists
    StreamKind kind = StreamKind::Other;
    std::string chunkId;     // see StreamChunkId
    int64_t headerPos = 0;   // first data byte of the stream header ("strh"), where its fccType lies
    uint32_t scale = 0;      // dwScale
    uint32_t rate = 0;       // dwRate: rate / scale units per second
    uint32_t length = 0;     // dwLength: frames, audio blocks or text records

    bool IsVideo() const { return kind == StreamKind::Video; }
};

struct AviHeader {
    static constexpr int64_t kMainHeaderMinimumSize = 56;
    static constexpr int64_t kTotalFramesOffset = 16;  // inside the main header's data

    int64_t headerListPos = -1;  // the header list's "LIST" id
    int64_t headerListEnd = 0;   // first byte after the header list
    int64_t mainHeaderPos = -1;  // first data byte of the main header ("avih")
    uint32_t totalFrames = 0;    // dwTotalFrames
    int64_t movieListPos = -1;   // the movie list's "LIST" id
    std::vector<AviStream> streams;

    int64_t MovieFourCCPos() const { return movieListPos + 8; }  // index offsets count from "movi"
    int64_t FirstChunkPos() const { return movieListPos + 12; }

    const AviStream* FirstVideo() const;
    const AviStream* StreamWithChunkId(const std::string& chunkId) const;
    int VideoStreams() const;
    // The chunk ids of the streams of known kinds, in stream order.
    std::vector<std::string> ChunkIds() const;
};

// Reads count bytes at pos into out; bytes past the end of the file may read as zero. False on an error.
using ByteReader = std::function<bool(int64_t pos, unsigned char* out, size_t count)>;

// Where the parts of a header lie, as a walk of the file found them; ReadAviHeaderAt reads the fields there.
struct AviHeaderPlaces {
    struct Stream {
        int number = 0;         // the number its chunk id carries
        int64_t headerPos = 0;  // first data byte of its stream header, where its fccType lies
    };
    int64_t headerListPos = -1;
    int64_t headerListEnd = 0;
    int64_t mainHeaderPos = -1;  // -1: none, so no total frames either
    int64_t movieListPos = -1;
    std::vector<Stream> streams;  // in file order
};

// Which stream headers of the places become streams: every one, or only those whose fccType names a kind
// the viewer knows (a walk that cannot tell stream headers from other chunks offers them all).
enum class StreamsOfKind { Any, Known };

// Reads the header's fields at the given places: the main header's total frames, and per stream its kind
// (from its fccType), chunk id, scale, rate and length. Fields that cannot be read are 0 (kind Other).
AviHeader ReadAviHeaderAt(const ByteReader& read, const AviHeaderPlaces& places, StreamsOfKind streams);

// Reads the header of the RIFF AVI file of fileSize bytes: walks the top-level chunks after "RIFF....AVI "
// up to the movie list and the header list's main header and stream lists, then reads their fields with
// ReadAviHeaderAt (every stream, of whatever kind). Only the sizes of the header's own chunks are trusted
// (they are final when the camera starts a file); the RIFF size may be anything. Fails for a file that is
// not RIFF AVI, or whose header list, main header, stream headers or movie list are missing or short, and
// then leaves header empty.
Result ReadAviHeader(const ByteReader& read, int64_t fileSize, AviHeader& header);
