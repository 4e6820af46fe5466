#include "devsupport/AviLayout.h"

#include "devsupport/ByteOrder.h"
#include "devsupport/RiffWriter.h"

#include <algorithm>

namespace avi {
namespace {

constexpr uint32_t kKeyFrameFlag = 0x10;
constexpr uint32_t kHasIndex = 0x10;
constexpr uint32_t kIsInterleaved = 0x100;
constexpr size_t kChunkHeader = 8;

size_t Padded(size_t size) { return size + (size & 1); }

using riff::FourCC;

std::string Chunk(const std::string& id, const std::string& data, bool pad = true)
{
    return pad ? riff::PaddedChunk(FourCC(id), data) : riff::Chunk(FourCC(id), data);
}

std::string List(const std::string& type, const std::string& children, bool pad = true)
{
    return Chunk("LIST", FourCC(type) + children, pad);
}

std::string StreamHeader(const AviStream& stream)
{
    std::string h = FourCC(stream.type) + FourCC(stream.handler);
    AppendU32(h, 0);                             // dwFlags
    AppendU16(h, 0);                             // wPriority
    AppendU16(h, 0);                             // wLanguage
    AppendU32(h, 0);                             // dwInitialFrames
    AppendU32(h, stream.scale);
    AppendU32(h, stream.rate);
    AppendU32(h, 0);                             // dwStart
    AppendU32(h, stream.length);
    AppendU32(h, stream.suggestedBufferSize);
    AppendU32(h, stream.quality);
    AppendU32(h, stream.sampleSize);
    AppendU16(h, 0);                             // rcFrame
    AppendU16(h, 0);
    AppendU16(h, stream.width);
    AppendU16(h, stream.height);
    return h;
}

// Offsets inside "avih" and "strh" payloads of the fields a finished file fills in.
constexpr size_t kAvihTotalFrames = 16;
constexpr size_t kStrhLength = 32;
constexpr size_t kStrhSuggestedBufferSize = 36;

// The bytes of the movie list's chunks with their headers.
size_t MovieBytes(const std::vector<MediaChunk>& chunks, bool padChunks)
{
    size_t bytes = 0;
    for (const MediaChunk& chunk : chunks)
        bytes += kChunkHeader + (padChunks ? Padded(chunk.data.size()) : chunk.data.size());
    return bytes;
}

}  // namespace

std::string VideoFormat(uint16_t width, uint16_t height)
{
    std::string f;
    AppendU32(f, 40);
    AppendU32(f, width);
    AppendU32(f, height);
    AppendU16(f, 1);   // planes
    AppendU16(f, 24);  // bit count
    f += "H264";
    AppendU32(f, static_cast<uint32_t>(width) * height * 3);
    AppendU32(f, 0);
    AppendU32(f, 0);
    AppendU32(f, 0);
    AppendU32(f, 0);
    return f;
}

std::string PcmFormat(uint32_t samplesPerSecond)
{
    std::string f;
    AppendU16(f, 1);  // PCM
    AppendU16(f, 1);  // mono
    AppendU32(f, samplesPerSecond);
    AppendU32(f, samplesPerSecond * 2);
    AppendU16(f, 2);  // block align
    AppendU16(f, 16);
    return f;
}

uint32_t IndexFlags(const std::string& id, const std::string& data)
{
    // Every audio block and text record can be started from.
    if (id.size() == 4 && (id.compare(2, 2, "wb") == 0 || id.compare(2, 2, "tx") == 0))
        return kKeyFrameFlag;
    // A video chunk is a key frame when its first NAL unit (after the 4-byte start code) is an SPS or
    // an IDR slice.
    if (data.size() > 4 && (data[4] == 0x67 || data[4] == 0x65))
        return kKeyFrameFlag;
    return 0;
}

std::string HeaderList(const AviMainHeader& main, const std::vector<AviStream>& streams)
{
    std::string avih;
    AppendU32(avih, main.microSecondsPerFrame);
    AppendU32(avih, main.maxBytesPerSec);
    AppendU32(avih, 0);  // dwPaddingGranularity
    AppendU32(avih, main.flags);
    AppendU32(avih, main.totalFrames);
    AppendU32(avih, 0);  // dwInitialFrames
    AppendU32(avih, static_cast<uint32_t>(streams.size()));
    AppendU32(avih, 0);  // dwSuggestedBufferSize: the camera leaves it 0, also when it closes a file
    AppendU32(avih, main.width);
    AppendU32(avih, main.height);
    avih.append(16, '\0');

    std::string headerList = Chunk("avih", avih);
    for (const AviStream& stream : streams)
        headerList += List("strl", Chunk("strh", StreamHeader(stream)) + Chunk("strf", stream.format));
    return List("hdrl", headerList);
}

std::string WriteAvi(const AviMainHeader& main, const std::vector<AviStream>& streams,
                     const std::vector<MediaChunk>& chunks, const AviWriting& how)
{
    std::string movi;
    std::string index;
    movi.reserve(MovieBytes(chunks, how.padChunks));
    index.reserve(chunks.size() * 16);
    for (const MediaChunk& chunk : chunks) {
        // Offsets count from the "movi" four-cc, so the first chunk sits at offset 4.
        const auto offset = static_cast<uint32_t>(4 + movi.size());
        index += FourCC(chunk.id);
        AppendU32(index, how.keyFlagsFromData ? IndexFlags(chunk.id, chunk.data) : kKeyFrameFlag);
        AppendU32(index, offset);
        AppendU32(index, static_cast<uint32_t>(chunk.data.size()));
        movi += Chunk(chunk.id, chunk.data, how.padChunks);
    }

    std::string body = HeaderList(main, streams);
    const size_t movieList = body.size();
    body += List("movi", movi, how.padMovieList);
    if (how.sizesAtZero)
        PutU32(body, movieList + 4, 0);
    if (how.withIndex)
        body += Chunk("idx1", index);
    std::string file = "RIFF";
    AppendU32(file, how.sizesAtZero ? 0 : static_cast<uint32_t>(4 + body.size()));
    file += "AVI ";
    file += body;
    return file;
}

uint32_t CountChunks(std::vector<AviStream>& streams, const std::vector<MediaChunk>& chunks)
{
    uint32_t totalFrames = 0;
    for (AviStream& stream : streams) {
        stream.length = 0;
        stream.suggestedBufferSize = 0;
        stream.playedUnits = 0;
        for (const MediaChunk& chunk : chunks) {
            if (chunk.id != stream.chunkId)
                continue;
            const auto size = static_cast<uint32_t>(chunk.data.size());
            // The camera counts chunks in every stream's dwLength, audio included: its closing code and
            // the viewer's repair both write the number of chunks. Players that honour dwSampleSize time
            // PCM audio by its bytes through the index, so the count does not mislead them.
            ++stream.length;
            stream.playedUnits += stream.sampleSize ? size / stream.sampleSize : 1;
            stream.suggestedBufferSize = std::max(stream.suggestedBufferSize, size);
        }
        if (stream.type == "vids")
            totalFrames += stream.length;
    }
    return totalFrames;
}

std::string BuildAvi(std::vector<AviStream>& streams, const std::vector<MediaChunk>& chunks,
                     uint32_t microSecondsPerFrame, bool padChunks)
{
    AviMainHeader main;
    main.microSecondsPerFrame = microSecondsPerFrame;
    main.flags = kHasIndex | kIsInterleaved;
    main.totalFrames = CountChunks(streams, chunks);
    for (const AviStream& stream : streams)
        if (stream.type == "vids" && main.width == 0) {
            main.width = stream.width;
            main.height = stream.height;
        }
    const double seconds = streams.empty() || streams[0].rate == 0
                               ? 0.0
                               : double(streams[0].length) * streams[0].scale / streams[0].rate;
    if (seconds > 0)
        main.maxBytesPerSec = static_cast<uint32_t>(double(MovieBytes(chunks, padChunks)) / seconds);
    AviWriting how;
    how.padChunks = padChunks;
    return WriteAvi(main, streams, chunks, how);
}

bool FindLandmarks(const std::string& bytes, AviLandmarks& landmarks, std::string& reason)
{
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "AVI ") != 0) {
        reason = "not a RIFF AVI file";
        return false;
    }
    landmarks = {};
    size_t pos = 12;
    while (pos + kChunkHeader <= bytes.size()) {
        const std::string id = bytes.substr(pos, 4);
        const size_t size = GetU32(bytes, pos + 4);
        const std::string type = pos + 12 <= bytes.size() ? bytes.substr(pos + 8, 4) : std::string();
        if (id == "LIST" && type == "hdrl")
            landmarks.hdrl = pos;
        if (id == "LIST" && type == "movi") {
            landmarks.movi = pos;
            landmarks.moviEnd = std::min(bytes.size(), pos + kChunkHeader + Padded(size));
            if (size == 0) {  // never closed: the chunks run to the end of the file
                landmarks.moviEnd = bytes.size();
                break;
            }
        }
        if (id == "idx1")
            landmarks.idx1 = pos;
        pos += kChunkHeader + Padded(size);
    }
    if (landmarks.hdrl == 0 || landmarks.movi == 0) {
        reason = "no header list or no movie list";
        return false;
    }
    return true;
}

bool MakePowerCut(std::string& bytes, bool cutLast, std::string& reason)
{
    AviLandmarks at;
    if (!FindLandmarks(bytes, at, reason))
        return false;
    if (at.idx1 == 0) {
        reason = "the recording has no index: it is not a finished recording";
        return false;
    }

    // The counters in the header are still as the camera wrote them when it opened the file.
    const size_t hdrlEnd = std::min(bytes.size(), at.hdrl + kChunkHeader + Padded(GetU32(bytes, at.hdrl + 4)));
    for (size_t pos = at.hdrl + 12; pos + kChunkHeader <= hdrlEnd;) {
        const size_t size = GetU32(bytes, pos + 4);
        if (pos + kChunkHeader + 56 <= bytes.size() && bytes.compare(pos, 4, "avih") == 0 && size >= 56)
            PutU32(bytes, pos + kChunkHeader + kAvihTotalFrames, 0);
        if (pos + 20 + 56 <= bytes.size() && bytes.compare(pos, 4, "LIST") == 0 &&
            bytes.compare(pos + 8, 4, "strl") == 0 &&
            bytes.compare(pos + 12, 4, "strh") == 0 && GetU32(bytes, pos + 16) >= 56) {
            PutU32(bytes, pos + 20 + kStrhLength, 0);
            PutU32(bytes, pos + 20 + kStrhSuggestedBufferSize, 0);
        }
        pos += kChunkHeader + Padded(size);
    }
    PutU32(bytes, 4, 0);
    PutU32(bytes, at.movi + 4, 0);

    size_t end = at.moviEnd;
    if (cutLast) {
        size_t last = 0;
        for (size_t pos = at.movi + 12; pos + kChunkHeader <= at.moviEnd;
             pos += kChunkHeader + Padded(GetU32(bytes, pos + 4)))
            last = pos;
        if (last == 0) {
            reason = "the movie list has no chunk to cut";
            return false;
        }
        const size_t size = GetU32(bytes, last + 4);
        end = std::min(at.moviEnd, size >= 2 ? last + kChunkHeader + size / 2 : last + 6);
    }
    bytes.resize(end);
    return true;
}

bool CutAfterWholeChunks(std::string& bytes, size_t limit, std::string& reason)
{
    AviLandmarks at;
    if (!FindLandmarks(bytes, at, reason))
        return false;
    size_t end = at.movi + 12;
    if (end > limit) {
        reason = "the header alone is longer than " + std::to_string(limit) + " bytes";
        return false;
    }
    for (size_t pos = end; pos + kChunkHeader <= bytes.size();) {
        const size_t next = pos + kChunkHeader + Padded(GetU32(bytes, pos + 4));
        if (next > limit || next > bytes.size())
            break;
        end = pos = next;
    }
    bytes.resize(end);
    return true;
}

}  // namespace avi
