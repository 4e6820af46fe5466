#include "recording/ClipWriter.h"

#include "infra/DiagnosticLog.h"
#include "infra/SafeFile.h"
#include "recording/AVIFileParser.h"
#include "recording/LittleEndian.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace {

constexpr const char* kClassName = "ClipWriter";

constexpr uint32_t kKeyFrameFlag = 16;
// The codec setup is looked for in this many first bytes of a channel's first frame (the camera's is 21).
constexpr size_t kMaxSetupBytes = 4096;
constexpr size_t kMaxPatchedStreams = 4;

int64_t Padded(int64_t size)
{
    return size + (size & 1);
}

// A frame from the middle of a channel lacks the codec setup (SPS and PPS) that the camera writes only
// into the channel's first frame. The setup is the frame's NAL units before its first slice: this is their
// length in the frame's first bytes (H.264 byte stream: units start with 00 00 01 or 00 00 00 01), or 0
// when no slice starts there.
int64_t CodecSetupLength(const std::vector<unsigned char>& frame)
{
    constexpr unsigned char kNalTypeMask = 0x1F;
    constexpr unsigned char kSlice = 1;
    constexpr unsigned char kIdrSlice = 5;
    for (size_t at = 0; at + 3 < frame.size(); ++at) {
        if (frame[at] != 0 || frame[at + 1] != 0 || frame[at + 2] != 1)
            continue;
        const unsigned char type = frame[at + 3] & kNalTypeMask;
        if (type == kSlice || type == kIdrSlice) {
            const size_t start = at > 0 && frame[at - 1] == 0 ? at - 1 : at;  // a four-byte start code
            return static_cast<int64_t>(start);
        }
    }
    return 0;
}

// One entry of the source's index.
struct SourceEntry {
    char id[4] = {};
    uint32_t flags = 0;
    int64_t dataPos = 0;  // first data byte of the chunk, from the entry's offset
};

// One video channel's entries, by frame: their positions in the source's index.
struct Channel {
    std::string chunkId;
    std::vector<int64_t> entries;  // entry numbers, in file order
    int64_t start = -1;            // the clip's first frame of this channel
    int64_t setupBytes = 0;        // bytes of codec setup at the start of the channel's first frame
};

// One chunk of the clip's movie data and where it comes from.
struct PlannedChunk {
    enum class Source {
        Copied,     // the source chunk as it is
        WithSetup,  // the source chunk with its channel's codec setup ahead of its data
        Empty,      // a frame slot of a channel before its first key frame of the clip: no data
    };
    Source source = Source::Copied;
    int64_t sourcePos = 0;  // the chunk's id in the source
    uint32_t sourceSize = 0;
    const Channel* channel = nullptr;  // for WithSetup
    // The clip's index entry.
    char id[4] = {};
    uint32_t flags = 0;
    uint32_t size = 0;
    int64_t offset = 0;  // from the clip's "movi"
};

// Everything the clip will hold, decided before a byte is written.
struct ClipPlan {
    int64_t headerLength = 0;  // the source's bytes up to the end of its header list, copied as they are
    std::vector<PlannedChunk> chunks;
    int64_t movieListSize = 0;
    uint32_t videoFrames = 0;
    std::map<std::string, uint32_t> counts;  // chunks per stream id
};

class ClipWriter {
public:
    ClipWriter(const std::string& sourcePath, const std::string& destinationPath)
        : m_sourcePath(sourcePath), m_destinationPath(destinationPath)
    {
    }

    Result Write(int startSeconds, int endSeconds);

private:
    // The plan.
    Result CheckRequest(int startSeconds, int endSeconds) const;
    Result ReadSource();
    Result ChooseFrames(int startSeconds, int endSeconds);
    Result FindCodecSetup(Channel& channel) const;
    int64_t LastKeyFrame(const Channel& channel, int64_t frame) const;
    Result LayOutMovieData();
    // The emit step.
    Result EmitHeader();
    Result EmitMovieData();
    Result EmitIndex();
    Result PatchHeader();

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
    Result WriteFailed() const { return Result::Failure("cannot write " + m_destinationPath, errno); }
    static Result Mismatch() { return Result::Failure("the recording's index does not match its movie data", EBADMSG); }

    std::string m_sourcePath;
    std::string m_destinationPath;
    FileHandle m_source;
    int64_t m_sourceSize = 0;
    AviHeader m_header;
    std::vector<SourceEntry> m_index;
    Channel m_front;
    Channel m_rear;
    int64_t m_endFrame = 0;  // the front frame the clip ends before
    ClipPlan m_plan;
    std::optional<StagedFile> m_out;
    int64_t m_written = 0;
};

Result ClipWriter::Write(int startSeconds, int endSeconds)
{
    Result planned = CheckRequest(startSeconds, endSeconds);
    if (planned)
        planned = ReadSource();
    if (planned)
        planned = ChooseFrames(startSeconds, endSeconds);
    if (planned)
        planned = LayOutMovieData();
    if (!planned)
        return planned;

    m_out.emplace(m_destinationPath);
    if (Result opened = m_out->Opened(); !opened)
        return opened;
    for (Result (ClipWriter::*step)() : {&ClipWriter::EmitHeader, &ClipWriter::EmitMovieData, &ClipWriter::EmitIndex,
                                         &ClipWriter::PatchHeader})
        if (Result done = (this->*step)(); !done)
            return done;
    return m_out->Commit(m_written, StagedFile::Existing::Keep);
}

Result ClipWriter::CheckRequest(int startSeconds, int endSeconds) const
{
    if (m_sourcePath.empty() || m_destinationPath.empty())
        return Result::Failure("empty path");
    if (!IsRegularFile(m_sourcePath))
        return Result::Failure("no recording at " + m_sourcePath, ENOENT);
    if (PathIsOccupied(m_destinationPath))
        return Result::Failure(m_destinationPath + " already exists", EEXIST);
    if (startSeconds < 0 || startSeconds >= endSeconds)
        return Result::Failure("the start is not before the end");
    return Result::Success();
}

// The source's header and index. The index is a chunk of the RIFF list itself; looking only there spares
// walking the thousands of media chunks of the movie list.
Result ClipWriter::ReadSource()
{
    AVIFileParser parser;
    if (!parser.Open(m_sourcePath) || parser.TopLevel().empty())
        return Result::Failure(m_sourcePath + " is not a complete recording", EBADMSG);
    m_header = parser.Header();
    const ChunkNode* index = nullptr;
    for (const auto& top : parser.TopLevel())
        for (const auto& child : top->Children())
            if (!index && child->id == "idx1")
                index = child.get();
    if (m_header.headerListPos < 0 || m_header.movieListPos < 0 || !index)
        return Result::Failure(m_sourcePath + " has no header, movie list or index", EBADMSG);
    m_plan.headerLength = m_header.headerListEnd;
    if (m_plan.headerLength > m_header.movieListPos)
        return Result::Failure("the header overlaps the movie data", EBADMSG);

    m_source = FileHandle::OpenForReading(m_sourcePath);
    m_sourceSize = m_source.Size();
    if (!m_source.IsOpen())
        return Result::Failure("cannot read " + m_sourcePath, errno);
    // The index's size field is untrusted: only entries inside the file are read.
    const int64_t inFile = std::max<int64_t>(m_sourceSize - (int64_t(index->offset) + 8), 0);
    const int64_t count = std::min<int64_t>(std::max<int32_t>(index->size, 0), inFile) / 16;
    std::vector<unsigned char> bytes(static_cast<size_t>(count) * 16);
    if (!m_source.ReadAt(index->offset + 8, bytes.data(), bytes.size()))
        return Result::Failure("cannot read " + m_sourcePath, errno);

    std::vector<const AviStream*> videos;
    for (const AviStream& stream : m_header.streams)
        if (stream.IsVideo())
            videos.push_back(&stream);
    m_front.chunkId = videos.empty() ? StreamChunkId(0, StreamKind::Video) : videos[0]->chunkId;
    m_rear.chunkId = videos.size() < 2 ? std::string() : videos[1]->chunkId;
    m_index.resize(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        const unsigned char* raw = &bytes[static_cast<size_t>(i) * 16];
        SourceEntry& entry = m_index[static_cast<size_t>(i)];
        std::memcpy(entry.id, raw, 4);
        entry.flags = LoadLE32(raw + 4);
        entry.dataPos = m_header.movieListPos + 16 + LoadLE32(raw + 8);
        const std::string id(entry.id, 4);
        if (id == m_front.chunkId)
            m_front.entries.push_back(i);
        else if (!m_rear.chunkId.empty() && id == m_rear.chunkId)
            m_rear.entries.push_back(i);
    }
    if (m_front.entries.empty())
        return Result::Failure("the recording has no front-channel frames", EBADMSG);
    // A one-channel recording has no rear stream at all; a recording with a rear stream but no rear frames
    // cannot be cut.
    if (!m_rear.chunkId.empty() && m_rear.entries.empty())
        return Result::Failure("the recording has a rear stream without frames", EBADMSG);
    return Result::Success();
}

// The front frames of the range, the start moved back to the last key frame; the rear channel's first
// chunk after it.
Result ClipWriter::ChooseFrames(int startSeconds, int endSeconds)
{
    const AviStream* video = m_header.FirstVideo();
    if (!video)
        return Result::Failure("the recording has no video stream header", EBADMSG);
    if (video->scale == 0 || video->rate == 0 || video->length == 0)
        return Result::Failure("the video stream header gives no frame rate or length", EBADMSG);
    const double fps = double(video->rate) / video->scale;
    const auto durationSeconds = static_cast<int64_t>(video->length / fps);
    int64_t startFrame = static_cast<int64_t>(fps * startSeconds);
    if (startFrame == 0)
        startFrame = 1;
    m_endFrame = endSeconds == durationSeconds ? int64_t(video->length) - 1 : static_cast<int64_t>(fps * endSeconds);
    if (m_endFrame >= static_cast<int64_t>(m_front.entries.size()))
        return Result::Failure("the end lies beyond the recording's last frame");
    if (startFrame >= m_endFrame)
        return Result::Failure("the range holds no frame");
    m_front.start = LastKeyFrame(m_front, startFrame);
    if (Result setup = FindCodecSetup(m_front); !setup)
        return setup;

    if (m_rear.entries.empty())
        return Result::Success();
    const int64_t frontPos = m_index[static_cast<size_t>(m_front.entries[static_cast<size_t>(m_front.start)])].dataPos;
    int64_t j = 0;
    const auto rearFrames = static_cast<int64_t>(m_rear.entries.size());
    while (j < rearFrames && m_index[static_cast<size_t>(m_rear.entries[static_cast<size_t>(j)])].dataPos <= frontPos)
        ++j;
    if (j == rearFrames)
        return Result::Failure("no rear-channel frame after the start");
    // The rear channel starts on its own last key frame: with key frames that are not in step with the
    // front's, the frames up to its next key frame would not decode. With the camera's GOPs, which are in
    // step, that is the first rear frame after the front key frame.
    m_rear.start = LastKeyFrame(m_rear, j);
    return FindCodecSetup(m_rear);
}

// The channel's last key frame at or before frame; the frame itself when none is.
int64_t ClipWriter::LastKeyFrame(const Channel& channel, int64_t frame) const
{
    for (int64_t i = frame; i >= 0; --i)
        if (m_index[static_cast<size_t>(channel.entries[static_cast<size_t>(i)])].flags & kKeyFrameFlag)
            return i;
    return frame;
}

// The length of the codec setup at the start of the channel's first frame, which the clip's first frame of
// the channel gets ahead of its data (unless it is the first frame itself).
Result ClipWriter::FindCodecSetup(Channel& channel) const
{
    const int64_t firstFrame = m_index[static_cast<size_t>(channel.entries.front())].dataPos;
    const uint32_t size = SourceUInt32(firstFrame - 4);
    std::vector<unsigned char> bytes(std::min<size_t>(size, kMaxSetupBytes));
    if (!m_source.ReadAt(firstFrame, bytes.data(), bytes.size()))
        return Result::Failure("cannot read " + m_sourcePath, errno);
    channel.setupBytes = CodecSetupLength(bytes);
    if (channel.start > 0 && channel.setupBytes == 0)
        return Result::Failure("the first frame of stream " + channel.chunkId + " holds no codec setup", EBADMSG);
    return Result::Success();
}

// Walks the source's movie data from the clip's first chunk to the end frame alongside the index: every
// byte the clip takes must lie where the index says, in order and inside the file (sizes and offsets are
// untrusted). Each chunk gets its place in the clip.
Result ClipWriter::LayOutMovieData()
{
    const auto entryOf = [&](const Channel& channel, int64_t frame) {
        return channel.entries[static_cast<size_t>(frame)];
    };
    // The movie data starts at the earlier of the two channels' first frames.
    int64_t firstEntry = entryOf(m_front, m_front.start);
    if (m_rear.start >= 0)
        firstEntry = std::min(firstEntry, entryOf(m_rear, m_rear.start));
    const int64_t endEntry = entryOf(m_front, m_endFrame);
    const int64_t endPos = m_index[static_cast<size_t>(endEntry)].dataPos - 8;
    if (m_rear.start >= 0 && entryOf(m_rear, m_rear.start) >= endEntry)
        return Mismatch();
    // Per channel, the next frame's entry number: frames before the channel's start become empty slots.
    struct Cursor {
        const Channel* channel;
        size_t frame;
    };
    std::vector<Cursor> cursors;
    for (const Channel* channel : {&m_front, &m_rear})
        if (channel->start >= 0)
            cursors.push_back({channel, static_cast<size_t>(std::lower_bound(channel->entries.begin(),
                                                                              channel->entries.end(), firstEntry) -
                                                             channel->entries.begin())});

    int64_t pos = m_index[static_cast<size_t>(firstEntry)].dataPos - 8;
    if (pos < m_plan.headerLength)
        return Mismatch();
    int64_t offset = 4;  // clip offsets count from "movi"
    for (int64_t n = firstEntry; n < endEntry; ++n) {
        const SourceEntry& entry = m_index[static_cast<size_t>(n)];
        unsigned char head[8];
        if (pos + 8 > endPos || !m_source.ReadAt(pos, head, sizeof head) || std::memcmp(head, entry.id, 4) != 0)
            return Mismatch();
        const uint32_t size = LoadLE32(head + 4);
        if (pos + 8 + int64_t(size) > endPos)
            return Mismatch();
        PlannedChunk chunk;
        chunk.sourcePos = pos;
        chunk.sourceSize = size;
        std::memcpy(chunk.id, entry.id, 4);
        chunk.flags = entry.flags;
        chunk.size = size;
        chunk.offset = offset;
        for (Cursor& cursor : cursors) {
            const Channel& channel = *cursor.channel;
            if (cursor.frame >= channel.entries.size() || channel.entries[cursor.frame] != n)
                continue;
            const auto frame = static_cast<int64_t>(cursor.frame++);
            if (frame < channel.start) {
                // Keeps the channel's timing; a decoder skips it.
                chunk.source = PlannedChunk::Source::Empty;
                chunk.flags = 0;
                chunk.size = 0;
            } else if (frame == channel.start && frame > 0) {
                chunk.source = PlannedChunk::Source::WithSetup;
                chunk.channel = &channel;
                chunk.size = size + static_cast<uint32_t>(channel.setupBytes);
            }
        }
        const std::string id(entry.id, 4);
        ++m_plan.counts[id];
        if (id.find("dc") != std::string::npos)
            ++m_plan.videoFrames;
        offset += 8 + Padded(chunk.size);
        m_plan.chunks.push_back(chunk);
        pos += 8 + Padded(size);
    }
    if (pos != endPos)
        return Result::Failure("the recording's movie data holds chunks its index does not list", EBADMSG);
    m_plan.movieListSize = offset;
    if (m_plan.movieListSize > int64_t(UINT32_MAX) / 2)
        return Result::Failure("the clip would be too large");
    return Result::Success();
}

// The source's header as it is, and the movie list's header.
Result ClipWriter::EmitHeader()
{
    unsigned char listHeader[12] = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'm', 'o', 'v', 'i'};
    StoreLE32(listHeader + 4, static_cast<uint32_t>(m_plan.movieListSize));
    if (!CopySource(0, m_plan.headerLength) || !Put(listHeader, sizeof listHeader))
        return WriteFailed();
    return Result::Success();
}

// The chunks of the plan; runs of chunks copied as they are go in one copy.
Result ClipWriter::EmitMovieData()
{
    int64_t runStart = -1;
    int64_t runEnd = -1;
    const auto flushRun = [&] {
        const bool copied = runStart < 0 || CopySource(runStart, runEnd);
        runStart = runEnd = -1;
        return copied;
    };
    for (const PlannedChunk& chunk : m_plan.chunks) {
        const int64_t sourceEnd = chunk.sourcePos + 8 + Padded(chunk.sourceSize);
        if (chunk.source == PlannedChunk::Source::Copied) {
            if (runStart < 0)
                runStart = chunk.sourcePos;
            runEnd = sourceEnd;
            continue;
        }
        if (!flushRun())
            return WriteFailed();
        if (chunk.source == PlannedChunk::Source::Empty) {
            unsigned char empty[8] = {};
            std::memcpy(empty, chunk.id, 4);
            if (!Put(empty, sizeof empty))
                return WriteFailed();
            continue;
        }
        // The chunk header with the new size, the setup bytes of the channel's first frame, the frame.
        const int64_t setupPos = m_index[static_cast<size_t>(chunk.channel->entries.front())].dataPos;
        std::vector<unsigned char> setup(8 + static_cast<size_t>(chunk.channel->setupBytes));
        std::memcpy(setup.data(), chunk.id, 4);
        StoreLE32(setup.data() + 4, chunk.size);
        if (!m_source.ReadAt(setupPos, setup.data() + 8, setup.size() - 8) || !Put(setup.data(), setup.size()) ||
            !CopySource(chunk.sourcePos + 8, chunk.sourcePos + 8 + chunk.sourceSize))
            return WriteFailed();
        if (chunk.size & 1) {
            const unsigned char pad = 0;
            if (!Put(&pad, 1))
                return WriteFailed();
        }
    }
    if (!flushRun())
        return WriteFailed();
    if (m_written != m_plan.headerLength + 8 + m_plan.movieListSize)
        return Result::Failure("the movie data came out at an unexpected length");
    return Result::Success();
}

Result ClipWriter::EmitIndex()
{
    std::vector<unsigned char> index(8 + 16 * m_plan.chunks.size());
    std::memcpy(index.data(), "idx1", 4);
    StoreLE32(&index[4], static_cast<uint32_t>(16 * m_plan.chunks.size()));
    unsigned char* entry = &index[8];
    for (const PlannedChunk& chunk : m_plan.chunks) {
        std::memcpy(entry, chunk.id, 4);
        StoreLE32(entry + 4, chunk.flags);
        StoreLE32(entry + 8, static_cast<uint32_t>(chunk.offset));
        StoreLE32(entry + 12, chunk.size);
        entry += 16;
    }
    if (!Put(index.data(), index.size()))
        return WriteFailed();
    return Result::Success();
}

// The sizes and counts of the header; a field outside the copied header is not touched.
Result ClipWriter::PatchHeader()
{
    std::vector<std::pair<int64_t, uint32_t>> fields = {{4, static_cast<uint32_t>(m_written - 8)}};
    if (m_header.mainHeaderPos >= 0)
        fields.push_back({m_header.mainHeaderPos + AviHeader::kTotalFramesOffset, m_plan.videoFrames});
    for (size_t s = 0; s < m_header.streams.size() && s < kMaxPatchedStreams; ++s) {
        const AviStream& stream = m_header.streams[s];
        if (!stream.chunkId.empty())
            fields.push_back({stream.headerPos + AviStream::kLengthOffset, m_plan.counts[stream.chunkId]});
    }
    for (const auto& [position, value] : fields) {
        if (position < 0 || position + 4 > m_plan.headerLength)
            continue;
        unsigned char bytes[4];
        StoreLE32(bytes, value);
        if (!m_out->Handle().WriteAt(position, bytes, sizeof bytes))
            return WriteFailed();
    }
    return Result::Success();
}

}  // namespace

Result WriteClip(const std::string& sourcePath, int startSeconds, int endSeconds, const std::string& destinationPath)
{
    WriteLog("WriteClip start", kClassName, "WriteClip", kLogType, kLogLevelNormal);
    Result written = ClipWriter(sourcePath, destinationPath).Write(startSeconds, endSeconds);
    WriteLog(written ? "WriteClip end" : "WriteClip refused: " + written.Describe(), kClassName, "WriteClip",
             kLogType, kLogLevelNormal);
    return written;
}
