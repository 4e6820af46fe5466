#include "recording/AVIFileParser.h"

#include "recording/BufferedFile.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

bool AVIFileParser::HasExitMarker(const std::string& path)
{
    // A marker at the very start of the path does not count.
    return path.find("SDEXIT", 1) != std::string::npos;
}

bool AVIFileParser::IsAbortedRecording(const std::string& path, int64_t fileSize)
{
    // The camera marks files it means to keep small with "SDEXIT".
    return fileSize <= kAbortedRecordingMaxSize && !HasExitMarker(path);
}

bool AVIFileParser::Open(const std::string& path)
{
    if (!EndsWith(path, "avi"))
        return false;
    if (path.size() > kMaxPathBytes)
        return false;
    Close();
    std::shared_ptr<BufferedFile> file = BufferedFile::Open(path);
    if (!file)
        return false;
    // Positions in the container are signed 32-bit numbers: a longer file cannot be one of ours.
    if (file->Size() < 1 || file->Size() > std::numeric_limits<int32_t>::max())
        return false;
    if (IsAbortedRecording(path, file->Size()))
        return true;
    m_file = std::move(file);
    m_fileSize = static_cast<int32_t>(m_file->Size());
    ParseChunks(0, m_nodes, m_fileSize);
    if (HasRiffChunk(m_nodes)) {
        const ByteReader read = [this](int64_t pos, unsigned char* out, size_t count) {
            return m_file->Read(pos, count, out);
        };
        m_header = ReadAviHeaderAt(read, HeaderPlacesFromTree(), StreamsOfKind::Known);
        return true;
    }
    Close();
    return false;
}

bool AVIFileParser::ReadBytes(int32_t offset, int32_t count, void* buffer)
{
    if (count <= 0)
        return false;
    // Callers treat bytes that cannot be read as zeros, so the buffer is cleared on every failure.
    std::memset(buffer, 0, static_cast<std::size_t>(count));
    if (!m_file || int64_t{count} > int64_t{m_fileSize} - offset || offset < 0 || offset >= m_fileSize)
        return false;
    return m_file->Read(offset, static_cast<std::size_t>(count), buffer);
}

int32_t AVIFileParser::ReadUInt32(int32_t offset)
{
    return m_file ? m_file->ReadInt32(offset) : 0;
}

std::string AVIFileParser::ReadFourCC(int32_t offset)
{
    return m_file ? m_file->ReadFourCC(offset) : std::string(4, '\0');
}

bool AVIFileParser::HasRiffChunk(const ChunkList& nodes)
{
    for (const auto& node : nodes)
        if (node->id == "RIFF")
            return true;
    return false;
}

bool AVIFileParser::ParseChunks(int32_t start, ChunkList& nodes, int32_t end)
{
    return m_file && WalkChunks(*m_file, start, nodes, end);
}

void AVIFileParser::CollectChunks(std::vector<ChunkNode*>& out, const ChunkList& nodes, const std::string& id)
{
    out.clear();
    // Depth first in file order, without recursion (hostile files nest deeply).
    std::vector<std::pair<const ChunkList*, std::size_t>> stack{{&nodes, 0}};
    while (!stack.empty()) {
        auto& [list, index] = stack.back();
        if (index >= list->size()) {
            stack.pop_back();
            continue;
        }
        ChunkNode* node = (*list)[index++].get();
        if (node->id == id)
            out.push_back(node);
        else if (!node->Children().empty())
            stack.emplace_back(&node->Children(), 0);  // invalidates list and index
    }
}

ChunkNode* AVIFileParser::FindListByType(const std::string& type)
{
    ChunkNode* last = nullptr;
    for (const auto& top : m_nodes) {
        last = top.get();
        for (const auto& child : top->Children())
            if (child->type == type)
                return child.get();
    }
    return last;
}

ChunkNode* AVIFileParser::FindVideoStreamHeader(ChunkNode* headerList)
{
    if (!headerList)
        return nullptr;
    for (const auto& streamList : headerList->Children())
        for (const auto& header : streamList->Children())
            if (header->type == "vids")
                return header.get();
    return nullptr;
}

// Where the header's parts lie as the tree shows them: the first header list, its first main header, and as
// stream headers every chunk below a child of the header list (numbered from -1 for the main header on);
// only those that name a known kind are taken. A damaged size field leaves its chunk out of the tree, and so
// out of the header.
AviHeaderPlaces AVIFileParser::HeaderPlacesFromTree()
{
    AviHeaderPlaces places;
    ChunkNode* headerList = FindListByType("hdrl");
    if (!headerList || headerList->type != "hdrl")
        return places;
    places.headerListPos = headerList->offset;
    places.headerListEnd = int64_t(headerList->offset) + headerList->size + 8;
    if (const ChunkNode* movieList = FindListByType("movi"); movieList && movieList->type == "movi")
        places.movieListPos = movieList->offset;
    int number = -1;
    for (const auto& child : headerList->Children()) {
        if (child->id == "avih" && places.mainHeaderPos < 0)
            places.mainHeaderPos = int64_t(child->offset) + 8;
        for (const auto& streamHeader : child->Children())
            places.streams.push_back({number, int64_t(streamHeader->offset) + 8});
        ++number;
    }
    return places;
}

int AVIFileParser::CountVideoStreams()
{
    return m_header.VideoStreams();
}

int AVIFileParser::GetTotalFrames()
{
    return static_cast<int>(m_header.totalFrames);
}

int AVIFileParser::GetDurationSeconds()
{
    const AviStream* video = m_header.FirstVideo();
    if (!video)
        return 0;
    // The fields are read as the signed numbers the camera's reader takes them for.
    const double seconds = std::trunc(double(int32_t(video->length)) /
                                      (double(int32_t(video->rate)) / double(int32_t(video->scale))));
    // A zero rate or scale gives no sensible duration; report none rather than an undefined cast.
    if (!std::isfinite(seconds) || seconds < std::numeric_limits<int>::min() ||
        seconds > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(seconds);
}

std::vector<std::string> AVIFileParser::GetStreamChunkIds()
{
    return m_header.ChunkIds();
}
