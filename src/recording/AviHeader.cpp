#include "recording/AviHeader.h"

#include "recording/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Streams are numbered with two digits in chunk ids; the camera writes four, ffmpeg a handful.
constexpr int kMaxStreams = 100;

// A chunk header as found in the file: id, size field and the four bytes after them.
struct RawChunk {
    unsigned char bytes[12] = {};
    bool Is(const char* fourcc) const { return std::memcmp(bytes, fourcc, 4) == 0; }
    uint32_t Size() const { return LoadLE32(bytes + 4); }
    bool TypeIs(const char* fourcc) const { return std::memcmp(bytes + 8, fourcc, 4) == 0; }
};

int64_t NextChunk(int64_t pos, uint32_t size)
{
    return pos + 8 + size + (size & 1);
}

uint32_t Field(const ByteReader& read, int64_t pos)
{
    unsigned char bytes[4];
    return read(pos, bytes, sizeof bytes) ? LoadLE32(bytes) : 0;
}

StreamKind StreamKindOf(const unsigned char fccType[4])
{
    if (std::memcmp(fccType, "vids", 4) == 0)
        return StreamKind::Video;
    if (std::memcmp(fccType, "auds", 4) == 0)
        return StreamKind::Audio;
    if (std::memcmp(fccType, "txts", 4) == 0)
        return StreamKind::Text;
    return StreamKind::Other;
}

AviStream ReadAviStream(const ByteReader& read, int number, int64_t headerPos)
{
    AviStream stream;
    unsigned char fccType[4];
    stream.number = number;
    stream.kind = read(headerPos, fccType, sizeof fccType) ? StreamKindOf(fccType) : StreamKind::Other;
    stream.chunkId = StreamChunkId(number, stream.kind);
    stream.headerPos = headerPos;
    stream.scale = Field(read, headerPos + AviStream::kScaleOffset);
    stream.rate = Field(read, headerPos + AviStream::kRateOffset);
    stream.length = Field(read, headerPos + AviStream::kLengthOffset);
    return stream;
}

// Finds the main header and the stream lists of the header list at pos; each must be whole.
Result FindHeaderListPlaces(const ByteReader& read, int64_t pos, int64_t end, AviHeaderPlaces& places)
{
    for (int64_t child = pos + 12; child + 12 <= end; ) {
        RawChunk entry;
        if (!read(child, entry.bytes, sizeof entry.bytes))
            return Result::Failure("read error in the header");
        if (entry.Is("avih") && places.mainHeaderPos < 0) {
            if (entry.Size() < AviHeader::kMainHeaderMinimumSize)
                return Result::Failure("main header too short");
            places.mainHeaderPos = child + 8;
        } else if (entry.Is("LIST") && entry.TypeIs("strl")) {
            RawChunk streamHeader;
            if (!read(child + 12, streamHeader.bytes, sizeof streamHeader.bytes))
                return Result::Failure("read error in the header");
            if (!streamHeader.Is("strh") || streamHeader.Size() < AviStream::kMinimumSize)
                return Result::Failure("stream list without a full stream header");
            if (places.streams.size() >= kMaxStreams)
                return Result::Failure("too many streams");
            places.streams.push_back({static_cast<int>(places.streams.size()), child + 20});
        }
        child = NextChunk(child, entry.Size());
    }
    return Result::Success();
}

}  // namespace

std::string StreamChunkId(int number, StreamKind kind)
{
    const char* letters = kind == StreamKind::Video   ? "dc"
                          : kind == StreamKind::Audio ? "wb"
                          : kind == StreamKind::Text  ? "tx"
                                                      : nullptr;
    if (!letters || number < 0 || number >= kMaxStreams)
        return {};
    return std::string{static_cast<char>('0' + number / 10), static_cast<char>('0' + number % 10)} + letters;
}

AviHeader ReadAviHeaderAt(const ByteReader& read, const AviHeaderPlaces& places, StreamsOfKind streams)
{
    AviHeader header;
    header.headerListPos = places.headerListPos;
    header.headerListEnd = places.headerListEnd;
    header.movieListPos = places.movieListPos;
    if (places.mainHeaderPos >= 0) {
        header.mainHeaderPos = places.mainHeaderPos;
        header.totalFrames = Field(read, places.mainHeaderPos + AviHeader::kTotalFramesOffset);
    }
    for (const AviHeaderPlaces::Stream& place : places.streams) {
        AviStream stream = ReadAviStream(read, place.number, place.headerPos);
        if (streams == StreamsOfKind::Any || stream.kind != StreamKind::Other)
            header.streams.push_back(std::move(stream));
    }
    return header;
}

const AviStream* AviHeader::FirstVideo() const
{
    for (const AviStream& stream : streams)
        if (stream.IsVideo())
            return &stream;
    return nullptr;
}

const AviStream* AviHeader::StreamWithChunkId(const std::string& chunkId) const
{
    for (const AviStream& stream : streams)
        if (!stream.chunkId.empty() && stream.chunkId == chunkId)
            return &stream;
    return nullptr;
}

int AviHeader::VideoStreams() const
{
    return static_cast<int>(std::count_if(streams.begin(), streams.end(), [](const AviStream& s) { return s.IsVideo(); }));
}

std::vector<std::string> AviHeader::ChunkIds() const
{
    std::vector<std::string> ids;
    for (const AviStream& stream : streams)
        if (!stream.chunkId.empty())
            ids.push_back(stream.chunkId);
    return ids;
}

Result ReadAviHeader(const ByteReader& read, int64_t fileSize, AviHeader& header)
{
    header = {};
    RawChunk riff;
    if (fileSize < 12 || !read(0, riff.bytes, sizeof riff.bytes))
        return Result::Failure("cannot read the header");
    if (!riff.Is("RIFF"))
        return Result::Failure("not a RIFF file");
    if (!riff.TypeIs("AVI "))
        return Result::Failure("not an AVI file");

    AviHeaderPlaces places;
    for (int64_t pos = 12; pos + 12 <= fileSize;) {
        RawChunk chunk;
        if (!read(pos, chunk.bytes, sizeof chunk.bytes))
            return Result::Failure("read error in the header");
        if (chunk.Is("LIST") && chunk.TypeIs("movi")) {
            if (places.headerListPos < 0 || places.mainHeaderPos < 0 || places.streams.empty())
                break;
            places.movieListPos = pos;
            header = ReadAviHeaderAt(read, places, StreamsOfKind::Any);
            return Result::Success();
        }
        if (chunk.Is("LIST") && chunk.TypeIs("hdrl") && places.headerListPos < 0) {
            places.headerListPos = pos;
            places.headerListEnd = std::min<int64_t>(pos + 8 + chunk.Size(), fileSize);
            if (Result list = FindHeaderListPlaces(read, pos, places.headerListEnd, places); !list)
                return list;
        }
        pos = NextChunk(pos, chunk.Size());
    }
    return Result::Failure("header layout not understood (no main header, stream headers or movie list)");
}
