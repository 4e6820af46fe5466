#include "recording/ClipWriter.h"

#include "infra/DiagnosticLog.h"
#include "recording/AVIFileParser.h"
#include "recording/LittleEndian.h"
#include "recording/SafeFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace {

constexpr const char* kClassName = "ClipWriter";

// A frame from the middle of a channel lacks the codec setup (SPS and PPS) that the camera writes only
// into the channel's first frame; these first data bytes of that frame carry it.
constexpr int64_t kSetupBytes = 21;
constexpr uint32_t kKeyFrameFlag = 16;
constexpr size_t kMaxPatchedStreams = 4;

int64_t Padded(int64_t size)
{
    return size + (size & 1);
}

// One front- or rear-channel entry of the source's index.
struct ClipIndexEntry {
    int64_t dataPos = 0;   // first data byte of the chunk
    int64_t entryNumber = 0;  // position of the entry in the index, in entries
    uint32_t flags = 0;
};

// How many bytes a channel's first chunk of the clip grows by: the setup bytes, minus the source's pad
// byte or plus a new one, so that the chunk stays padded to even length. The clip's first chunk of a
// channel that starts at the channel's first frame already has its setup bytes and is copied as it is.
int64_t FirstChunkGrowth(int64_t index, int64_t size)
{
    if (index == 0)
        return 0;
    return Padded(size + kSetupBytes) - Padded(size);
}

class ClipWriter {
public:
    ClipWriter(const std::string& sourcePath, const std::string& destinationPath)
        : m_sourcePath(sourcePath), m_destinationPath(destinationPath)
    {
    }

    bool Write(int startSeconds, int endSeconds);
    const std::string& Reason() const { return m_reason; }

private:
    bool Refuse(std::string reason)
    {
        m_reason = std::move(reason);
        return false;
    }
    uint32_t SourceUInt32(int64_t pos) const
    {
        unsigned char bytes[4];
        return m_source.ReadAt(pos, bytes, 4) ? LoadLE32(bytes) : 0;
    }
    bool Put(const void* bytes, size_t count)
    {
        if (!m_out->Handle().WriteAt(m_written, bytes, count))
            return false;
        m_written += static_cast<int64_t>(count);
        return true;
    }
    bool CopySource(int64_t from, int64_t to)
    {
        if (to < from || !CopyBytes(m_source, from, m_out->Handle(), m_written, to - from))
            return false;
        m_written += to - from;
        return true;
    }
    bool ReadIndex(const ChunkNode& index, int64_t movieListPos);
    bool WriteFirstChunk(const std::vector<ClipIndexEntry>& channel, int64_t index, int64_t sectionEnd);
    bool WriteIndexAndPatchHeader(AVIFileParser& parser, ChunkNode& headerList, int64_t headerLength,
                                  int64_t movieListSize, int64_t firstEntry, int64_t endEntry);

    std::string m_sourcePath;
    std::string m_destinationPath;
    std::string m_reason;
    FileHandle m_source;
    std::optional<StagedFile> m_out;
    int64_t m_written = 0;
    std::vector<unsigned char> m_index;  // the source's index entries, 16 bytes each
    std::vector<ClipIndexEntry> m_front;
    std::vector<ClipIndexEntry> m_rear;
};

bool ClipWriter::ReadIndex(const ChunkNode& index, int64_t movieListPos)
{
    // The index's size field is untrusted: only entries inside the file are read.
    const int64_t inFile = std::max<int64_t>(m_source.Size() - (int64_t(index.offset) + 8), 0);
    const int64_t count = std::min<int64_t>(std::max<int32_t>(index.size, 0), inFile) / 16;
    m_index.resize(static_cast<size_t>(count) * 16);
    if (!m_source.ReadAt(index.offset + 8, m_index.data(), m_index.size()))
        return false;
    for (int64_t i = 0; i < count; ++i) {
        const unsigned char* entry = &m_index[static_cast<size_t>(i) * 16];
        ClipIndexEntry item{movieListPos + 16 + LoadLE32(entry + 8), i, LoadLE32(entry + 4)};
        if (std::memcmp(entry, "00dc", 4) == 0)
            m_front.push_back(item);
        else if (std::memcmp(entry, "01dc", 4) == 0)
            m_rear.push_back(item);
    }
    return true;
}

// Writes a channel's first chunk of the clip and the source bytes after it up to sectionEnd.
bool ClipWriter::WriteFirstChunk(const std::vector<ClipIndexEntry>& channel, int64_t index, int64_t sectionEnd)
{
    const int64_t dataPos = channel[static_cast<size_t>(index)].dataPos;
    if (index == 0)
        return CopySource(dataPos - 8, sectionEnd);
    const int64_t size = SourceUInt32(dataPos - 4);
    // The chunk header and setup bytes of the channel's first frame, with this chunk's new size.
    unsigned char setup[8 + kSetupBytes];
    if (!m_source.ReadAt(channel[0].dataPos - 8, setup, sizeof setup))
        return false;
    StoreLE32(setup + 4, static_cast<uint32_t>(size + kSetupBytes));
    if (!Put(setup, sizeof setup) || !CopySource(dataPos, dataPos + size))
        return false;
    if ((size + kSetupBytes) & 1) {
        const unsigned char pad = 0;
        if (!Put(&pad, 1))
            return false;
    }
    return CopySource(dataPos + Padded(size), sectionEnd);
}

bool ClipWriter::Write(int startSeconds, int endSeconds)
{
    // 1-3: the paths, the source's structure, the files.
    if (m_sourcePath.empty() || m_destinationPath.empty())
        return Refuse("empty path");
    if (!IsRegularFile(m_sourcePath))
        return Refuse("no recording at " + m_sourcePath);
    if (PathIsOccupied(m_destinationPath))
        return Refuse(m_destinationPath + " already exists");
    if (startSeconds < 0 || startSeconds >= endSeconds)
        return Refuse("the start is not before the end");

    AVIFileParser parser;
    if (!parser.Open(m_sourcePath) || parser.TopLevel().empty())
        return Refuse(m_sourcePath + " is not a complete recording");
    ChunkNode* headerList = parser.FindListByType("hdrl");
    ChunkNode* movieList = parser.FindListByType("movi");
    // The index is a chunk of the RIFF list itself; looking only there spares walking the thousands of
    // media chunks of the movie list.
    const ChunkNode* index = nullptr;
    for (const auto& top : parser.TopLevel())
        for (const auto& child : top->Children())
            if (!index && child->id == "idx1")
                index = child.get();
    if (!headerList || headerList->type != "hdrl" || !movieList || movieList->type != "movi" || !index)
        return Refuse(m_sourcePath + " has no header, movie list or index");
    const int64_t headerLength = int64_t(headerList->offset) + headerList->size + 8;
    if (headerList->size < 4 || headerLength > movieList->offset)
        return Refuse("the header overlaps the movie data");
    m_source = FileHandle::OpenForReading(m_sourcePath);
    const int64_t sourceSize = m_source.Size();
    if (!m_source.IsOpen() || !ReadIndex(*index, movieList->offset))
        return Refuse("cannot read " + m_sourcePath);
    if (m_front.empty())
        return Refuse("the recording has no front-channel frames");

    // 6-7: the frames of the range; the start moves back to the last key frame.
    const ChunkNode* videoHeader = parser.FindVideoStreamHeader(headerList);
    if (!videoHeader)
        return Refuse("the recording has no video stream header");
    const uint32_t scale = SourceUInt32(int64_t(videoHeader->offset) + 28);
    const uint32_t rate = SourceUInt32(int64_t(videoHeader->offset) + 32);
    const uint32_t length = SourceUInt32(int64_t(videoHeader->offset) + 40);
    if (scale == 0 || rate == 0 || length == 0)
        return Refuse("the video stream header gives no frame rate or length");
    const double fps = double(rate) / scale;
    const auto durationSeconds = static_cast<int64_t>(length / fps);
    int64_t startFrame = static_cast<int64_t>(fps * startSeconds);
    if (startFrame == 0)
        startFrame = 1;
    const int64_t endFrame = endSeconds == durationSeconds ? int64_t(length) - 1 : static_cast<int64_t>(fps * endSeconds);
    if (endFrame >= static_cast<int64_t>(m_front.size()))
        return Refuse("the end lies beyond the recording's last frame");
    if (startFrame >= endFrame)
        return Refuse("the range holds no frame");
    int64_t k = startFrame;
    for (int64_t i = startFrame; i >= 0; --i)
        if (m_front[static_cast<size_t>(i)].flags & kKeyFrameFlag) {
            k = i;
            break;
        }
    const int64_t startPos = m_front[static_cast<size_t>(k)].dataPos;
    const int64_t endPos = m_front[static_cast<size_t>(endFrame)].dataPos;
    const int64_t s1 = SourceUInt32(startPos - 4);

    // 8: the rear channel's first chunk after the start. A one-channel recording has no rear stream at
    // all; a recording with a rear stream but no rear frames cannot be cut.
    bool twoChannels = !m_rear.empty();
    std::vector<std::string> streamIds = parser.GetStreamChunkIds();
    if (!twoChannels && std::find(streamIds.begin(), streamIds.end(), "01dc") != streamIds.end())
        return Refuse("the recording has a rear stream without frames");
    int64_t j = 0;
    int64_t rearPos = 0;
    int64_t s2 = 0;
    if (twoChannels) {
        while (j < static_cast<int64_t>(m_rear.size()) && m_rear[static_cast<size_t>(j)].dataPos <= startPos)
            ++j;
        if (j == static_cast<int64_t>(m_rear.size()))
            return Refuse("no rear-channel frame after the start");
        rearPos = m_rear[static_cast<size_t>(j)].dataPos;
        s2 = SourceUInt32(rearPos - 4);
    }

    // Every byte the clip takes must lie where the index says, in order and inside the file: the chunk
    // sizes and offsets are untrusted.
    const int64_t frontEnd = twoChannels ? rearPos - 8 : endPos - 8;
    const int64_t minimumSetup = kSetupBytes;
    bool inOrder = startPos - 8 >= headerLength && startPos + Padded(s1) <= frontEnd && endPos - 8 <= sourceSize &&
                   (!twoChannels || rearPos + Padded(s2) <= endPos - 8) &&
                   SourceUInt32(m_front[0].dataPos - 4) >= minimumSetup &&
                   (!twoChannels || SourceUInt32(m_rear[0].dataPos - 4) >= minimumSetup);
    if (!inOrder)
        return Refuse("the recording's index does not match its movie data");

    // 9: the movie list.
    const int64_t movieListSize = endPos - startPos + 4 + FirstChunkGrowth(k, s1) +
                                  (twoChannels ? FirstChunkGrowth(j, s2) : 0);
    if (movieListSize > int64_t(UINT32_MAX) / 2)
        return Refuse("the clip would be too large");

    m_out.emplace(m_destinationPath);
    if (!m_out->IsOpen())
        return Refuse("cannot create a file beside " + m_destinationPath);
    // 4: the header as it is.
    if (!CopySource(0, headerLength))
        return Refuse("write error");
    unsigned char listHeader[12] = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'm', 'o', 'v', 'i'};
    StoreLE32(listHeader + 4, static_cast<uint32_t>(movieListSize));
    // 10-11: each channel's first chunk with the setup bytes, everything between copied as it is.
    if (!Put(listHeader, sizeof listHeader) || !WriteFirstChunk(m_front, k, frontEnd) ||
        (twoChannels && !WriteFirstChunk(m_rear, j, endPos - 8)))
        return Refuse("write error");
    if (m_written != headerLength + 8 + movieListSize)
        return Refuse("the movie data came out at an unexpected length");

    // 12-13.
    if (!WriteIndexAndPatchHeader(parser, *headerList, headerLength, movieListSize,
                                  m_front[static_cast<size_t>(k)].entryNumber,
                                  m_front[static_cast<size_t>(endFrame)].entryNumber))
        return false;
    if (!m_out->Commit(m_written, StagedFile::Existing::Keep))
        return Refuse("cannot complete " + m_destinationPath);
    return true;
}

// Rebuilds the index from the source's entries of the range, with offsets and sizes read back from the
// clip's own chunks, then patches the sizes and counts of the header.
bool ClipWriter::WriteIndexAndPatchHeader(AVIFileParser& parser, ChunkNode& headerList, int64_t headerLength,
                                          int64_t movieListSize, int64_t firstEntry, int64_t endEntry)
{
    const int64_t movieFourCC = headerLength + 8;  // clip offsets count from here
    const auto entryCount = static_cast<size_t>(endEntry - firstEntry);
    std::vector<unsigned char> index(8 + 16 * entryCount);
    std::memcpy(index.data(), "idx1", 4);
    StoreLE32(&index[4], static_cast<uint32_t>(16 * entryCount));
    std::map<std::string, uint32_t> counts;
    uint32_t videoFrames = 0;
    int64_t d = 4;
    for (size_t n = 0; n < entryCount; ++n) {
        const unsigned char* source = &m_index[static_cast<size_t>(firstEntry + static_cast<int64_t>(n)) * 16];
        unsigned char chunk[8];
        if (d + 8 > movieListSize || !m_out->Handle().ReadAt(movieFourCC + d, chunk, sizeof chunk))
            return Refuse("the recording's index does not match its movie data");
        const uint32_t size = LoadLE32(chunk + 4);
        if (std::memcmp(chunk, source, 4) != 0 || d + 8 + int64_t(size) > movieListSize)
            return Refuse("the recording's index does not match its movie data");
        unsigned char* entry = &index[8 + 16 * n];
        std::memcpy(entry, source, 8);  // ckid and flags as in the source
        StoreLE32(entry + 8, static_cast<uint32_t>(d));
        StoreLE32(entry + 12, size);
        const std::string id(reinterpret_cast<const char*>(source), 4);
        ++counts[id];
        if (id.find("dc") != std::string::npos)
            ++videoFrames;
        d += 8 + Padded(size);
    }
    if (d != movieListSize)
        return Refuse("the recording's movie data holds chunks its index does not list");
    if (!Put(index.data(), index.size()))
        return Refuse("write error");

    // The header fields of the clip; a field outside the copied header is not touched.
    std::vector<std::pair<int64_t, uint32_t>> fields = {{4, static_cast<uint32_t>(m_written - 8)}};
    std::vector<std::string> streamIds = parser.GetStreamChunkIds();
    int number = -1;  // stream numbers count the header list's children after the main header
    size_t streams = 0;
    bool mainHeaderSeen = false;
    for (const auto& child : headerList.Children()) {
        if (child->id == "avih" && !mainHeaderSeen) {
            mainHeaderSeen = true;
            fields.push_back({int64_t(child->offset) + 24, videoFrames});
        }
        std::string prefix = "0";
        prefix += std::to_string(number);
        if (child->id == "LIST" && child->type == "strl" && !child->Children().empty() &&
            streams < kMaxPatchedStreams) {
            ++streams;
            for (const std::string& id : streamIds)
                if (id.starts_with(prefix) && id.size() == 4)
                    fields.push_back({int64_t(child->Children().front()->offset) + 40, counts[id]});
        }
        ++number;
    }
    for (const auto& [position, value] : fields) {
        if (position < 0 || position + 4 > headerLength)
            continue;
        unsigned char bytes[4];
        StoreLE32(bytes, value);
        if (!m_out->Handle().WriteAt(position, bytes, sizeof bytes))
            return Refuse("write error");
    }
    return true;
}

}  // namespace

bool WriteClip(const std::string& sourcePath, int startSeconds, int endSeconds, const std::string& destinationPath,
               std::string* whyNot)
{
    WriteLog("WriteClip start", kClassName, "WriteClip", kLogType, kLogLevelNormal);
    ClipWriter writer(sourcePath, destinationPath);
    bool written = writer.Write(startSeconds, endSeconds);
    if (whyNot)
        *whyNot = writer.Reason();
    WriteLog(written ? "WriteClip end" : "WriteClip refused: " + writer.Reason(), kClassName, "WriteClip", kLogType,
             kLogLevelNormal);
    return written;
}
