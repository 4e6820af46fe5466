#include "AviFile.h"

#include "Bytes.h"

#include <algorithm>
#include <stdexcept>

namespace samplecard {
namespace {

constexpr uint32_t kAvifHasIndex = 0x10, kAvifIsInterleaved = 0x100;
constexpr uint32_t kIndexKeyFrame = 0x10;
// Offsets inside the data of avih and strh.
constexpr uint32_t kTotalFrames = 16, kLength = 32, kSuggestedBufferSize = 36;

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void AppendChunk(std::string& out, const std::string& id, const std::string& data)
{
    AppendFourCC(out, id);
    AppendU32(out, static_cast<uint32_t>(data.size()));
    out += data;
    if (data.size() % 2 != 0)
        out.push_back('\0');
}

std::string List(const std::string& type, const std::string& children)
{
    std::string list;
    AppendFourCC(list, "LIST");
    AppendU32(list, static_cast<uint32_t>(children.size() + 4));
    AppendFourCC(list, type);
    return list + children;
}

std::string StreamHeader(const AviStream& s, const StreamTotals& totals)
{
    std::string h;
    AppendFourCC(h, s.fccType);
    AppendFourCC(h, s.handler);
    AppendU32(h, 0);          // dwFlags
    AppendU16(h, 0);          // wPriority
    AppendU16(h, 0);          // wLanguage
    AppendU32(h, 0);          // dwInitialFrames
    AppendU32(h, s.scale);
    AppendU32(h, s.rate);
    AppendU32(h, 0);          // dwStart
    AppendU32(h, totals.chunks);
    AppendU32(h, totals.largest);
    AppendU32(h, 0xFFFFFFFF); // dwQuality: the default
    AppendU32(h, 0);          // dwSampleSize: every chunk is one unit of dwScale/dwRate
    AppendU16(h, 0);
    AppendU16(h, 0);
    AppendU16(h, s.width);
    AppendU16(h, s.height);
    return h;
}

std::string MainHeader(const std::vector<AviStream>& streams, uint32_t totalFrames)
{
    const AviStream& first = streams.front();
    std::string h;
    AppendU32(h, static_cast<uint32_t>(1000000.0 * first.scale / first.rate + 0.5));  // dwMicroSecPerFrame
    AppendU32(h, 0);  // dwMaxBytesPerSec
    AppendU32(h, 0);  // dwPaddingGranularity
    AppendU32(h, kAvifHasIndex | kAvifIsInterleaved);
    AppendU32(h, totalFrames);
    AppendU32(h, 0);  // dwInitialFrames
    AppendU32(h, static_cast<uint32_t>(streams.size()));
    AppendU32(h, 0);  // dwSuggestedBufferSize: the camera leaves it at its initial value
    AppendU32(h, first.width);
    AppendU32(h, first.height);
    h.append(16, '\0');
    return h;
}

}  // namespace

uint32_t IndexFlags(const std::string& chunkId, const std::string& data)
{
    if (EndsWith(chunkId, "wb") || EndsWith(chunkId, "tx"))
        return kIndexKeyFrame;
    if (data.size() > 4 && (static_cast<uint8_t>(data[4]) == 0x67 || static_cast<uint8_t>(data[4]) == 0x65))
        return kIndexKeyFrame;
    return 0;
}

BuiltAvi BuildAvi(const std::vector<AviStream>& streams, const std::vector<AviChunk>& chunks)
{
    if (streams.empty())
        throw std::logic_error("a recording needs at least one stream");
    BuiltAvi built;
    built.streams.resize(streams.size());
    for (const AviChunk& chunk : chunks) {
        StreamTotals& totals = built.streams.at(static_cast<size_t>(chunk.stream));
        ++totals.chunks;
        totals.largest = std::max(totals.largest, static_cast<uint32_t>(chunk.data.size()));
        if (streams[static_cast<size_t>(chunk.stream)].fccType == "vids")
            ++built.totalFrames;
    }

    std::string headerList;
    AppendChunk(headerList, "avih", MainHeader(streams, built.totalFrames));
    for (size_t i = 0; i < streams.size(); ++i) {
        std::string strl;
        AppendChunk(strl, "strh", StreamHeader(streams[i], built.streams[i]));
        AppendChunk(strl, "strf", streams[i].format);
        headerList += List("strl", strl);
    }
    const std::string hdrl = List("hdrl", headerList);
    built.moviOffset = static_cast<uint32_t>(12 + hdrl.size());
    const uint32_t moviTypePosition = built.moviOffset + 8;  // idx1 offsets count from "movi"

    std::string movi, index;
    for (const AviChunk& chunk : chunks) {
        const std::string& id = streams[static_cast<size_t>(chunk.stream)].chunkId;
        AppendFourCC(index, id);
        AppendU32(index, IndexFlags(id, chunk.data));
        AppendU32(index, static_cast<uint32_t>(4 + movi.size()));
        AppendU32(index, static_cast<uint32_t>(chunk.data.size()));
        AppendChunk(movi, id, chunk.data);
    }
    const std::string moviList = List("movi", movi);
    built.idx1Offset = moviTypePosition - 8 + static_cast<uint32_t>(moviList.size());

    std::string body;
    AppendFourCC(body, "AVI ");
    body += hdrl + moviList;
    AppendChunk(body, "idx1", index);
    AppendFourCC(built.bytes, "RIFF");
    AppendU32(built.bytes, static_cast<uint32_t>(body.size()));
    built.bytes += body;
    return built;
}

ClosingFields FindClosingFields(const std::string& bytes)
{
    auto fourCC = [&](size_t offset) {
        if (offset + 4 > bytes.size())
            throw std::runtime_error("the file ends inside its header");
        return bytes.substr(offset, 4);
    };
    if (fourCC(0) != "RIFF" || fourCC(8) != "AVI ")
        throw std::runtime_error("not a RIFF AVI file");
    if (ReadU32(bytes, 4) != bytes.size() - 8)
        throw std::runtime_error("the RIFF size does not match the file: not a finished recording");

    ClosingFields fields;
    bool haveHeader = false, haveMovi = false, haveIndex = false;
    size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const std::string id = fourCC(pos);
        const uint32_t size = ReadU32(bytes, pos + 4);
        const size_t next = pos + 8 + size + (size % 2);
        if (next > bytes.size())
            throw std::runtime_error("the chunk at " + std::to_string(pos) + " runs past the end of the file");
        if (id == "LIST" && fourCC(pos + 8) == "hdrl") {
            for (size_t child = pos + 12; child + 8 <= pos + 8 + size;) {
                const uint32_t childSize = ReadU32(bytes, child + 4);
                if (fourCC(child) == "avih")
                    fields.totalFramesOffset = static_cast<uint32_t>(child + 8 + kTotalFrames);
                if (fourCC(child) == "LIST" && fourCC(child + 8) == "strl" && fourCC(child + 12) == "strh")
                    fields.streamHeaderOffsets.push_back(static_cast<uint32_t>(child + 20));
                child += 8 + childSize + (childSize % 2);
            }
            haveHeader = fields.totalFramesOffset != 0 && !fields.streamHeaderOffsets.empty();
        } else if (id == "LIST" && fourCC(pos + 8) == "movi") {
            fields.moviOffset = static_cast<uint32_t>(pos);
            for (size_t child = pos + 12; child + 8 <= pos + 8 + size;) {
                fields.lastChunkOffset = static_cast<uint32_t>(child);
                const uint32_t childSize = ReadU32(bytes, child + 4);
                child += 8 + childSize + (childSize % 2);
            }
            haveMovi = fields.lastChunkOffset != 0;
        } else if (id == "idx1") {
            fields.idx1Offset = static_cast<uint32_t>(pos);
            haveIndex = true;
        }
        pos = next;
    }
    if (!haveHeader || !haveMovi || !haveIndex)
        throw std::runtime_error("no stream headers, movie data or index: not a finished recording");
    if (fields.idx1Offset != fields.moviOffset + 8 + ReadU32(bytes, fields.moviOffset + 4))
        throw std::runtime_error("the index does not follow the movie data directly");
    return fields;
}

PowerCut PowerCutCopy(const std::string& finished, bool cutInsideLastChunk)
{
    const ClosingFields fields = FindClosingFields(finished);
    PowerCut cut;
    cut.lastChunkOffset = fields.lastChunkOffset;
    cut.lastChunkId = finished.substr(fields.lastChunkOffset, 4);
    cut.lastChunkSize = ReadU32(finished, fields.lastChunkOffset + 4);
    cut.lastChunkBytesKept = cutInsideLastChunk ? cut.lastChunkSize / 2 : cut.lastChunkSize;

    const size_t length = cutInsideLastChunk ? fields.lastChunkOffset + 8 + cut.lastChunkBytesKept
                                             : fields.idx1Offset;
    cut.bytes = finished.substr(0, length);
    PatchU32(cut.bytes, 4, 0);
    PatchU32(cut.bytes, fields.moviOffset + 4, 0);
    PatchU32(cut.bytes, fields.totalFramesOffset, 0);
    for (uint32_t header : fields.streamHeaderOffsets) {
        PatchU32(cut.bytes, header + kLength, 0);
        PatchU32(cut.bytes, header + kSuggestedBufferSize, 0);
    }
    return cut;
}

}  // namespace samplecard
