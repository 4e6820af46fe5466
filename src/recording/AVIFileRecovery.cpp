#include "recording/AVIFileRecovery.h"

#include "infra/DiagnosticLog.h"
#include "infra/Reporter.h"
#include "infra/UserFolders.h"
#include "recording/AVIFileParser.h"
#include "recording/LittleEndian.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr const char* kClassName = "AVIFileRecovery";

// The dwRate values the camera writes into its stream headers, by kind of stream.
constexpr uint32_t kFrontVideoRate = 22056;
constexpr uint32_t kRearVideoRate = 9342;
constexpr uint32_t kAudioRate = 44100;
constexpr uint32_t kTextRate = 20250;

constexpr int32_t kKeyFrameFlag = 16;
constexpr unsigned char kNalSequenceParameterSet = 0x67;
constexpr unsigned char kNalIdrSlice = 0x65;

int64_t Padded(int64_t size)
{
    return size + (size & 1);
}

// Serves the scan's small reads (one chunk header each) from a window of the file: a recording holds
// hundreds of thousands of chunks, and one system call per chunk would cost more than copying the file.
class WindowReader {
public:
    explicit WindowReader(const FileHandle& file) : m_file(file), m_window(256 * 1024) {}

    // The count bytes at pos (bytes beyond the end of the file read as zero); nullptr on a read error.
    const unsigned char* Peek(int64_t pos, size_t count)
    {
        const int64_t end = pos + static_cast<int64_t>(count);
        if (m_start < 0 || pos < m_start || end > m_start + static_cast<int64_t>(m_window.size())) {
            if (!m_file.ReadAt(pos, m_window.data(), m_window.size()))
                return nullptr;
            m_start = pos;
        }
        return m_window.data() + (pos - m_start);
    }

private:
    const FileHandle& m_file;
    std::vector<unsigned char> m_window;
    int64_t m_start = -1;
};

// What lies at a position of the movie data.
enum class Mark {
    Chunk,    // a chunk of one of the header's streams, whole inside the file
    End,      // the end of the file
    Zero,     // a chunk header of zero bytes: space the camera never filled
    Index,    // an index ("idx1"), whole or cut: the movie data ends here
    Cut,      // a stream chunk, or its header, that runs past the end of the file
    Unknown,  // anything else: damage, or a size that led here
};

struct Head {
    Mark mark = Mark::Unknown;
    char id[4] = {};
    uint32_t size = 0;
    unsigned char nal = 0;  // the fifth data byte: after a 4-byte start code, the NAL type of a frame's first unit
};

// Reads the movie data as chunks of the header's streams, looking ahead past damage.
class ChunkScanner {
public:
    ChunkScanner(const FileHandle& file, int64_t fileSize, const AviHeader& header)
        : m_reader(file), m_fileSize(fileSize)
    {
        for (const AviStream& stream : header.streams)
            if (stream.chunkId.size() == 4)
                m_ids.push_back(stream.chunkId);
    }

    Head Classify(int64_t pos)
    {
        Head head;
        if (pos >= m_fileSize) {
            head.mark = Mark::End;
            return head;
        }
        const unsigned char* bytes = m_reader.Peek(pos, 13);
        if (!bytes)
            return head;  // a read error: nothing more can be trusted
        std::memcpy(head.id, bytes, 4);
        head.size = LoadLE32(bytes + 4);
        head.nal = bytes[12];
        // A frame's data starts with zero bytes too (a start code), so a whole header of zeros is asked for.
        if (std::all_of(bytes, bytes + 8, [](unsigned char byte) { return byte == 0; }))
            head.mark = Mark::Zero;
        else if (std::memcmp(bytes, "idx1", 4) == 0)
            head.mark = Mark::Index;
        else if (pos + 8 > m_fileSize)
            head.mark = Mark::Cut;  // less than a chunk header left: the power cut came inside it
        else if (!IsStreamId(bytes))
            head.mark = Mark::Unknown;
        else if (int64_t(head.size) <= m_fileSize - pos - 8)
            head.mark = Mark::Chunk;
        else
            head.mark = Mark::Cut;
        return head;
    }

    // Where the chunk at pos is followed by another chunk or by the end of the movie data: after its pad
    // byte, or for an odd size also right after its data (a writer that does not pad); -1 when neither.
    // follower receives what lies there, so that the scan need not read that header again.
    int64_t Follow(int64_t pos, uint32_t size, Head& follower)
    {
        const int64_t unpadded = pos + 8 + int64_t(size);
        const int64_t padded = unpadded + (size & 1);
        if (follower = Classify(padded); follower.mark != Mark::Unknown)
            return padded;
        if (size & 1)
            if (follower = Classify(unpadded); follower.mark != Mark::Unknown)
                return unpadded;
        return -1;
    }

    // Whether the size field of the header at pos, whatever its id, leads to target (with or without a
    // pad byte).
    bool LeadsTo(int64_t pos, int64_t target)
    {
        const uint32_t size = Classify(pos).size;
        const int64_t end = pos + 8 + int64_t(size);
        return pos < target && (end == target || end + (size & 1) == target);
    }

    // The first position at or after `from` where a chunk starts that is followed well; -1 when none.
    int64_t FindChunk(int64_t from)
    {
        for (int64_t pos = from; pos + 8 <= m_fileSize; ++pos) {
            const unsigned char* first = m_reader.Peek(pos, 13);
            if (!first)
                return -1;
            if (!StartsAStreamId(*first))
                continue;
            const Head head = Classify(pos);
            Head follower;
            if (head.mark == Mark::Chunk && Follow(pos, head.size, follower) >= 0)
                return pos;
        }
        return -1;
    }

private:
    bool IsStreamId(const unsigned char* bytes) const
    {
        for (const std::string& id : m_ids)
            if (std::memcmp(bytes, id.data(), 4) == 0)
                return true;
        return false;
    }
    bool StartsAStreamId(unsigned char byte) const
    {
        for (const std::string& id : m_ids)
            if (static_cast<unsigned char>(id[0]) == byte)
                return true;
        return false;
    }

    WindowReader m_reader;
    int64_t m_fileSize;
    std::vector<std::string> m_ids;
};

// Moves count bytes of a file to a lower position (the ranges may overlap).
bool MoveBytesDown(const FileHandle& file, int64_t from, int64_t to, int64_t count)
{
    std::vector<unsigned char> buffer(static_cast<size_t>(std::min<int64_t>(count, int64_t(1) << 20)));
    for (int64_t done = 0; done < count;) {
        const auto piece = static_cast<size_t>(std::min<int64_t>(count - done, static_cast<int64_t>(buffer.size())));
        if (!file.ReadAt(from + done, buffer.data(), piece) || !file.WriteAt(to + done, buffer.data(), piece))
            return false;
        done += static_cast<int64_t>(piece);
    }
    return true;
}

}  // namespace

fs::path AVIFileRecovery::DefaultHoldingFolder()
{
    return DocumentsFolder() / "BROKENFILES";
}

AVIFileRecovery::AVIFileRecovery(fs::path holdingFolder) : m_holdingFolder(std::move(holdingFolder)) {}

std::string AVIFileRecovery::PartialRepairText(const ScanTally& tally)
{
    return "repaired " + std::to_string(tally.keptBytes) + " of " + std::to_string(tally.MovieBytes()) +
           " bytes of movie data";
}

Result AVIFileRecovery::Recover(const std::string& path, std::string& repairedPath)
{
    WriteLog("Recover start", kClassName, "Recover", kLogType, kLogLevelNormal);
    m_movedPath.clear();
    m_writtenTally = {};
    if (path.empty() || !IsRegularFile(path))
        return Result::Failure("no file at " + path);
    if (AVIFileParser::HasExitMarker(path))
        return Result::Failure("files marked SDEXIT are not repaired");

    // Decided before anything moves: a file without the power-cut signature stays where it is.
    Result taken = OpenSource(path);
    (void)m_source.Close();
    if (!taken) {
        WriteLog(path + " left as it is: " + taken.Reason(), kClassName, "Recover", kLogType, kLogLevelNormal);
        return taken;
    }
    repairedPath = path;
    // The copy is written beside the original first; the original moves to the holding folder only when
    // the copy is whole, and the copy takes its name right after. Killed at any point, the recording is at
    // its path (original or copy) and nothing is lost.
    bool putBack = false;
    const auto moveOriginal = [&]() -> Result {
        std::string moved = path;
        if (Result movedAway = MoveToBrokenFiles(moved); !movedAway)
            return movedAway;
        m_movedPath = moved;
        // A file put back at the path in the meantime is not ours to replace.
        putBack = IsRegularFile(path);
        return putBack ? Result::Failure("a file was put back at " + path) : Result::Success();
    };
    // The scan runs inside the write, which streams the index out as it goes.
    Result repaired = OpenSource(path);
    if (repaired)
        repaired = WriteRepairedFile(repairedPath, moveOriginal);
    (void)m_source.Close();  // one repair object may serve a whole card scan
    if (putBack)
        return Result::Success();
    if (!repaired) {
        WriteLog("Recover failed: " + repaired.Describe(), kClassName, "Recover", kLogType, kLogLevelNormal);
        return repaired;
    }
    if (m_writtenTally.Partial()) {
        const std::string text = PartialRepairText(m_writtenTally);
        WriteLog(repairedPath + ": " + text + " (" + std::to_string(m_writtenTally.skippedRuns) +
                     " damaged places stepped over)",
                 kClassName, "Recover", kLogType, kLogLevelNormal);
        ReportText(fs::path(repairedPath).filename().string() + ": " + text);
    }
    WriteLog("Recover end", kClassName, "Recover", kLogType, kLogLevelNormal);
    return Result::Success();
}

Result AVIFileRecovery::MoveToBrokenFiles(std::string& path)
{
    std::error_code error;
    if (!fs::is_directory(m_holdingFolder, error) && !fs::create_directories(m_holdingFolder, error))
        return Result::Failure("cannot create the holding folder " + m_holdingFolder.string(), error.value());
    fs::path target = m_holdingFolder / fs::path(path).filename();
    if (fs::is_directory(target, error))
        return Result::Failure("a folder is in the way at " + target.string());
    // A file opened from the holding folder itself would "move" onto itself and then pass for repaired.
    if (fs::equivalent(path, target, error))
        return Result::Failure(path + " is in the holding folder already");
    if (Result moved = MoveFileSafely(path, target); !moved)
        return moved;
    path = target.string();
    return Result::Success();
}

Result AVIFileRecovery::OpenSource(const std::string& path)
{
    m_entries.clear();
    m_header = {};
    m_source = FileHandle::OpenForReading(path);
    m_sourceSize = m_source.Size();
    if (!m_source.IsOpen() || m_sourceSize < 1) {
        WriteLog(path + "Recovery File Not Found~", kClassName, "OpenFile", kLogType, kLogLevelNormal);
        return Result::Failure("cannot read " + path, m_source.IsOpen() ? 0 : errno);
    }
    const FileHandle& source = m_source;
    const auto read = [&source](int64_t pos, unsigned char* out, size_t count) { return source.ReadAt(pos, out, count); };
    if (Result header = ReadAviHeader(read, m_sourceSize, m_header); !header)
        return Result::Failure(path + ": " + header.Reason());
    if (m_header.ChunkIds().empty())
        return Result::Failure(path + ": no stream of a kind the repair knows");

    // The power-cut signature: the camera writes the index last, so a file with a whole index after its
    // movie list was closed normally and is broken some other way.
    unsigned char field[4];
    if (!m_source.ReadAt(m_header.movieListPos + 4, field, sizeof field))
        return Result::Failure("cannot read " + path, errno);
    const int64_t movieEnd = m_header.movieListPos + 8 + Padded(LoadLE32(field));
    unsigned char index[8];
    if (movieEnd + 8 <= m_sourceSize && m_source.ReadAt(movieEnd, index, sizeof index) &&
        std::memcmp(index, "idx1", 4) == 0 && int64_t(LoadLE32(index + 4)) <= m_sourceSize - movieEnd - 8)
        return Result::Failure(path + " has an index: it is not a recording a power cut left open");

    if (ChunkScanner(m_source, m_sourceSize, m_header).FindChunk(m_header.FirstChunkPos()) < 0)
        return Result::Failure(path + ": no media chunk found in the movie data");
    return Result::Success();
}

ScanTally AVIFileRecovery::WalkChunks(const std::function<bool(const RecoveryEntry&)>& onEntry) const
{
    ScanTally tally;
    tally.streams.resize(m_header.streams.size());
    const int64_t base = m_header.MovieFourCCPos();
    ChunkScanner scanner(m_source, m_sourceSize, m_header);
    RecoveryEntry entry;
    int64_t pos = m_header.FirstChunkPos();
    tally.dataEnd = pos;
    // Each header is checked once: the check of a chunk's follower is carried to the follower's own step.
    Head head = scanner.Classify(pos);
    while (true) {
        if (head.mark == Mark::End || head.mark == Mark::Index)
            break;
        Head follower;
        int64_t next = head.mark == Mark::Chunk ? scanner.Follow(pos, head.size, follower) : -1;
        const bool followerRead = next >= 0;
        int64_t resume = -1;
        if (next < 0) {
            // Damage at pos: look ahead for the next chunk. A chunk that no chunk follows is taken for
            // damaged (a wrong size) and stepped over, unless what follows it is a chunk header whose id
            // alone is damaged (its size leads to the next chunk), or no chunk comes after it at all.
            resume = scanner.FindChunk(pos + 1);
            const int64_t end = pos + 8 + int64_t(head.size);
            const int64_t paddedEnd = end + (head.size & 1);
            if (head.mark == Mark::Chunk &&
                (resume < 0 || scanner.LeadsTo(paddedEnd, resume) || scanner.LeadsTo(end, resume)))
                next = paddedEnd <= m_sourceSize ? paddedEnd : end;
        }
        if (next >= 0) {
            entry.id.assign(head.id, 4);
            const bool audioOrText = entry.id.ends_with("wb") || entry.id.ends_with("tx");
            const bool keyFrame = head.nal == kNalSequenceParameterSet || head.nal == kNalIdrSlice;
            entry.flags = audioOrText || keyFrame ? kKeyFrameFlag : 0;
            entry.offset = static_cast<int32_t>(pos - base);
            entry.size = static_cast<int32_t>(head.size);
            tally.keptBytes += next - pos;
            tally.dataEnd = next;
            if (!onEntry(entry))
                break;
            pos = next;
            head = followerRead ? follower : scanner.Classify(pos);
            continue;
        }
        if (resume < 0) {
            // Nothing more to read. Zero fill, a cut last chunk or the end of the file is what a power cut
            // leaves; anything else is movie data that could not be kept.
            if (head.mark == Mark::Unknown) {
                tally.skippedBytes += m_sourceSize - pos;
                ++tally.skippedRuns;
            }
            break;
        }
        tally.skippedBytes += resume - pos;
        ++tally.skippedRuns;
        pos = resume;
        head = scanner.Classify(pos);
    }
    return tally;
}

void AVIFileRecovery::ScanChunks()
{
    m_entries.clear();
    m_scannedTally = WalkChunks([this](const RecoveryEntry& entry) {
        m_entries.push_back(entry);
        return true;
    });
}

void AVIFileRecovery::Count(ScanTally& tally, const RecoveryEntry& entry) const
{
    ++tally.entries;
    const auto size = static_cast<uint32_t>(entry.size);
    for (size_t s = 0; s < m_header.streams.size(); ++s)
        if (m_header.streams[s].chunkId == entry.id) {
            ScanTally::Stream& stream = tally.streams[s];
            ++stream.chunks;
            stream.largest = std::max(stream.largest, size);
        }
}

int64_t AVIFileRecovery::RepairedLength(const ScanTally& tally)
{
    return Padded(tally.dataEnd) + 8 + 16 * tally.entries;
}

std::vector<HeaderField> AVIFileRecovery::HeaderFieldTable() const
{
    ScanTally tally = m_scannedTally;
    tally.entries = 0;
    tally.streams.assign(m_header.streams.size(), {});
    for (const RecoveryEntry& entry : m_entries)
        Count(tally, entry);
    return HeaderFields(tally);
}

std::vector<HeaderField> AVIFileRecovery::HeaderFields(const ScanTally& tally) const
{
    uint32_t totalFrames = 0;
    for (size_t s = 0; s < m_header.streams.size(); ++s)
        if (m_header.streams[s].IsVideo())
            totalFrames += tally.streams[s].chunks;

    std::vector<HeaderField> fields;
    fields.push_back({4, static_cast<uint32_t>(RepairedLength(tally) - 8)});
    fields.push_back({m_header.mainHeaderPos + AviHeader::kTotalFramesOffset, totalFrames});
    int videoStreams = 0;
    for (size_t s = 0; s < m_header.streams.size(); ++s) {
        const AviStream& stream = m_header.streams[s];
        uint32_t rate = 0;
        switch (stream.kind) {
        case StreamKind::Video: rate = videoStreams++ == 0 ? kFrontVideoRate : kRearVideoRate; break;
        case StreamKind::Audio: rate = kAudioRate; break;
        case StreamKind::Text: rate = kTextRate; break;
        case StreamKind::Other: continue;  // a stream of another kind keeps its header as it is
        }
        fields.push_back({stream.headerPos + AviStream::kRateOffset, rate});
        fields.push_back({stream.headerPos + AviStream::kLengthOffset, tally.streams[s].chunks});
        fields.push_back({stream.headerPos + AviStream::kSuggestedBufferOffset, tally.streams[s].largest});
    }
    fields.push_back({m_header.movieListPos + 4, static_cast<uint32_t>(Padded(tally.dataEnd) - m_header.MovieFourCCPos())});
    return fields;
}

Result AVIFileRecovery::WriteRepairedFile(const std::string& output, const std::function<Result()>& beforeCommit)
{
    StagedFile staged(output);
    if (Result opened = staged.Opened(); !opened)
        return opened;
    const FileHandle& out = staged.Handle();
    const std::string writeError = "cannot write " + staged.TemporaryPath().string();
    if (!CopyBytes(m_source, 0, out, 0, m_sourceSize))
        return Result::Failure("cannot copy the recording to " + staged.TemporaryPath().string(), errno);

    // The index, written in pieces after the copy as the scan finds the chunks. Where the movie data ends
    // before the end of the file (a cut last chunk, damage) it is moved down afterwards; the normal case
    // writes it in its place at once.
    const int64_t provisionalIndexPos = Padded(m_sourceSize);
    int64_t pos = provisionalIndexPos + 8;
    std::vector<unsigned char> pending;
    pending.reserve(16 * 4096);
    ScanTally counted;
    counted.streams.resize(m_header.streams.size());
    bool written = true;
    auto flush = [&] {
        written = written && out.WriteAt(pos, pending.data(), pending.size());
        pos += static_cast<int64_t>(pending.size());
        pending.clear();
        return written;
    };
    unsigned char field[4];
    ScanTally tally = WalkChunks([&](const RecoveryEntry& entry) {
        Count(counted, entry);
        pending.insert(pending.end(), entry.id.begin(), entry.id.end());
        for (int32_t value : {entry.flags, entry.offset, entry.size}) {
            StoreLE32(field, static_cast<uint32_t>(value));
            pending.insert(pending.end(), field, field + 4);
        }
        return pending.size() < 16 * 4096 || flush();
    });
    if (!flush())
        return Result::Failure(writeError, errno);
    tally.entries = counted.entries;
    tally.streams = counted.streams;
    // RIFF sizes and index offsets are 32-bit.
    if (RepairedLength(tally) - 8 > int64_t(UINT32_MAX))
        return Result::Failure("the repaired file would exceed 4 GiB");

    const int64_t indexPos = Padded(tally.dataEnd);
    const int64_t indexBytes = 16 * tally.entries;
    if (indexPos != provisionalIndexPos && !MoveBytesDown(out, provisionalIndexPos + 8, indexPos + 8, indexBytes))
        return Result::Failure(writeError, errno);
    if (!out.Resize(RepairedLength(tally)))
        return Result::Failure(writeError, errno);
    // The movie list ends on an even length so that the index starts on a chunk boundary.
    const unsigned char pad = 0;
    if ((tally.dataEnd & 1) && !out.WriteAt(tally.dataEnd, &pad, 1))
        return Result::Failure(writeError, errno);
    unsigned char indexHeader[8] = {'i', 'd', 'x', '1'};
    StoreLE32(indexHeader + 4, static_cast<uint32_t>(indexBytes));
    if (!out.WriteAt(indexPos, indexHeader, sizeof indexHeader))
        return Result::Failure(writeError, errno);

    for (const HeaderField& header : HeaderFields(tally)) {
        StoreLE32(field, header.value);
        if (!out.WriteAt(header.position, field, sizeof field))
            return Result::Failure(writeError, errno);
    }
    // The repaired copy keeps the recording's time: a name without a time is dated by it.
    struct stat info {};
    if (::fstat(m_source.Get(), &info) == 0) {
        const timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(out.Get(), times);
    }
    if (Result whole = staged.Complete(RepairedLength(tally)); !whole)
        return whole;
    if (beforeCommit)
        if (Result ready = beforeCommit(); !ready)
            return ready;
    if (Result committed = staged.Commit(RepairedLength(tally), StagedFile::Existing::Keep); !committed)
        return committed;
    m_writtenTally = tally;
    return Result::Success();
}
