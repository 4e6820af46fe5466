#include "recording/AVIFileRecovery.h"

#include "infra/DiagnosticLog.h"
#include "infra/UserFolders.h"
#include "recording/LittleEndian.h"

#include <algorithm>
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

// Offsets inside a stream header's data.
constexpr int64_t kRateOffset = 24;
constexpr int64_t kLengthOffset = 32;
constexpr int64_t kSuggestedBufferOffset = 36;
constexpr int64_t kStreamHeaderSize = 56;
constexpr int64_t kMainHeaderSize = 56;
constexpr int64_t kTotalFramesOffset = 16;

constexpr int32_t kKeyFrameFlag = 16;
constexpr unsigned char kNalSequenceParameterSet = 0x67;
constexpr unsigned char kNalIdrSlice = 0x65;

// Streams are numbered with one digit in chunk ids ("0" + number + kind).
constexpr size_t kMaxStreams = 10;

bool SameFourCC(const unsigned char* bytes, const char* fourcc)
{
    return std::memcmp(bytes, fourcc, 4) == 0;
}

// The "SDEXIT" marker counts from the second character on; such files are never repaired.
bool HasExitMarker(const std::string& path)
{
    size_t at = path.find("SDEXIT", 1);
    return at != std::string::npos;
}

// A chunk header as found in the file: id, size field and the four bytes after them.
struct RawChunk {
    unsigned char bytes[12];
    const unsigned char* Id() const { return bytes; }
    uint32_t Size() const { return LoadLE32(bytes + 4); }
    const unsigned char* Type() const { return bytes + 8; }
};

int64_t NextChunk(int64_t pos, uint32_t size)
{
    return pos + 8 + size + (size & 1);
}

// Serves the scan's small reads (one chunk header each) from a window of the file: a recording holds
// hundreds of thousands of chunks, and one system call per chunk would cost more than copying the file.
class WindowReader {
public:
    explicit WindowReader(const FileHandle& file) : m_file(file), m_window(256 * 1024) {}

    // Reads count bytes at pos (bytes beyond the end of the file read as zero); false on a read error.
    bool Read(int64_t pos, unsigned char* out, size_t count)
    {
        const int64_t end = pos + static_cast<int64_t>(count);
        if (m_start < 0 || pos < m_start || end > m_start + static_cast<int64_t>(m_window.size())) {
            if (!m_file.ReadAt(pos, m_window.data(), m_window.size()))
                return false;
            m_start = pos;
        }
        std::memcpy(out, m_window.data() + (pos - m_start), count);
        return true;
    }

private:
    const FileHandle& m_file;
    std::vector<unsigned char> m_window;
    int64_t m_start = -1;
};

}  // namespace

fs::path AVIFileRecovery::DefaultHoldingFolder()
{
    return DocumentsFolder() / "BROKENFILES";
}

AVIFileRecovery::AVIFileRecovery(fs::path holdingFolder) : m_holdingFolder(std::move(holdingFolder)) {}

bool AVIFileRecovery::Fail(std::string reason)
{
    m_lastError = std::move(reason);
    return false;
}

bool AVIFileRecovery::Recover(const std::string& path, std::string& repairedPath)
{
    WriteLog("Recover start", kClassName, "Recover", kLogType, kLogLevelNormal);
    m_lastError.clear();
    m_movedPath.clear();
    m_writtenTally = {};
    if (path.empty() || !IsRegularFile(path))
        return Fail("no file at " + path);
    if (HasExitMarker(path))
        return Fail("files marked SDEXIT are not repaired");
    repairedPath = path;

    std::string moved = path;
    if (!MoveToBrokenFiles(moved))
        return false;
    m_movedPath = moved;
    if (IsRegularFile(repairedPath))
        return true;  // a file was put back in the meantime; it is not ours to replace
    // The scan runs inside the write, which streams the index out as it goes.
    const bool repaired = OpenSource(moved) && WriteRepairedFile(repairedPath);
    m_source.Close();  // one repair object may serve a whole card scan
    if (!repaired)
        return false;
    WriteLog("Recover end", kClassName, "Recover", kLogType, kLogLevelNormal);
    return true;
}

bool AVIFileRecovery::MoveToBrokenFiles(std::string& path)
{
    std::error_code error;
    if (!fs::is_directory(m_holdingFolder, error) && !fs::create_directories(m_holdingFolder, error))
        return Fail("cannot create the holding folder " + m_holdingFolder.string());
    fs::path target = m_holdingFolder / fs::path(path).filename();
    if (fs::is_directory(target, error))
        return Fail("a folder is in the way at " + target.string());
    // A file opened from the holding folder itself would "move" onto itself and then pass for repaired.
    if (fs::equivalent(path, target, error))
        return Fail(path + " is in the holding folder already");
    if (!MoveFileSafely(path, target))
        return Fail("cannot move " + path + " to " + target.string());
    path = target.string();
    return true;
}

bool AVIFileRecovery::OpenSource(const std::string& path)
{
    m_entries.clear();
    m_layout = {};
    m_source = FileHandle::OpenForReading(path);
    m_sourceSize = m_source.Size();
    if (!m_source.IsOpen() || m_sourceSize < 1) {
        WriteLog(path + "Recovery File Not Found~", kClassName, "OpenFile", kLogType, kLogLevelNormal);
        return Fail("cannot read " + path);
    }
    unsigned char magic[4];
    if (!m_source.ReadAt(0, magic, sizeof magic) || !SameFourCC(magic, "RIFF"))
        return Fail(path + " is not a RIFF file");
    return ReadLayout();
}

// Finds the main header, the stream headers and the movie list by walking the header's chunks. The sizes
// of the header chunks are final when the camera starts recording; only the RIFF and movie list sizes
// and the counts are left at their initial values by a power cut.
bool AVIFileRecovery::ReadLayout()
{
    RawChunk riff{};
    if (!m_source.ReadAt(0, riff.bytes, sizeof riff.bytes) || !SameFourCC(riff.Type(), "AVI "))
        return Fail("not an AVI file");

    bool haveHeaderList = false;
    bool haveMainHeader = false;
    int64_t pos = 12;
    while (pos + 12 <= m_sourceSize) {
        RawChunk chunk{};
        if (!m_source.ReadAt(pos, chunk.bytes, sizeof chunk.bytes))
            return Fail("read error in the header");
        bool isList = SameFourCC(chunk.Id(), "LIST");
        if (isList && SameFourCC(chunk.Type(), "movi")) {
            if (!haveHeaderList || !haveMainHeader || m_layout.streams.empty())
                break;
            m_layout.movieListPos = pos;
            return true;
        }
        if (isList && SameFourCC(chunk.Type(), "hdrl")) {
            haveHeaderList = true;
            int64_t end = std::min<int64_t>(pos + 8 + chunk.Size(), m_sourceSize);
            int streamNumber = 0;
            int videoStreams = 0;
            for (int64_t child = pos + 12; child + 12 <= end;) {
                RawChunk entry{};
                if (!m_source.ReadAt(child, entry.bytes, sizeof entry.bytes))
                    return Fail("read error in the header");
                if (SameFourCC(entry.Id(), "avih")) {
                    if (entry.Size() < kMainHeaderSize)
                        return Fail("main header too short");
                    m_layout.mainHeaderDataPos = child + 8;
                    haveMainHeader = true;
                } else if (SameFourCC(entry.Id(), "LIST") && SameFourCC(entry.Type(), "strl")) {
                    RawChunk header{};
                    if (!m_source.ReadAt(child + 12, header.bytes, sizeof header.bytes))
                        return Fail("read error in the header");
                    if (!SameFourCC(header.Id(), "strh") || header.Size() < kStreamHeaderSize)
                        return Fail("stream list without a full stream header");
                    if (static_cast<size_t>(streamNumber) >= kMaxStreams)
                        return Fail("too many streams");
                    RecoveryLayout::Stream stream;
                    stream.headerDataPos = child + 20;
                    const std::string number{'0', static_cast<char>('0' + streamNumber)};
                    if (SameFourCC(header.Type(), "vids")) {
                        stream.chunkId = number + "dc";
                        stream.rate = videoStreams++ == 0 ? kFrontVideoRate : kRearVideoRate;
                        stream.isVideo = true;
                    } else if (SameFourCC(header.Type(), "auds")) {
                        stream.chunkId = number + "wb";
                        stream.rate = kAudioRate;
                    } else if (SameFourCC(header.Type(), "txts")) {
                        stream.chunkId = number + "tx";
                        stream.rate = kTextRate;
                    }
                    // A stream of another kind keeps its header as it is.
                    if (!stream.chunkId.empty())
                        m_layout.streams.push_back(stream);
                    ++streamNumber;
                }
                int64_t next = NextChunk(child, entry.Size());
                child = next;
            }
        }
        pos = NextChunk(pos, chunk.Size());
    }
    return Fail("header layout not understood (no main header, stream headers or movie list)");
}

void AVIFileRecovery::WalkChunks(const std::function<bool(const RecoveryEntry&)>& onEntry) const
{
    const int64_t base = m_layout.IndexBase();
    RecoveryEntry entry;
    WindowReader reader(m_source);
    for (int64_t pos = m_layout.FirstChunkPos(); pos + 8 <= m_sourceSize;) {
        unsigned char head[13];
        if (!reader.Read(pos, head, sizeof head))
            break;
        if (head[0] == 0)
            break;  // zero bytes after the last chunk: space the camera never filled
        auto size = static_cast<int32_t>(LoadLE32(head + 4));
        // A size that would not move forward, or a chunk cut off inside its data, ends the scan; the cut
        // chunk's bytes stay in the file but are not indexed.
        if (size < 0 || pos + 8 + size > m_sourceSize)
            break;
        entry.id.assign(reinterpret_cast<const char*>(head), 4);
        bool audioOrText = entry.id.ends_with("wb") || entry.id.ends_with("tx");
        // The fifth data byte follows the 4-byte start code: the NAL type of the frame's first unit.
        bool keyFrame = head[12] == kNalSequenceParameterSet || head[12] == kNalIdrSlice;
        entry.flags = audioOrText || keyFrame ? kKeyFrameFlag : 0;
        entry.offset = static_cast<int32_t>(pos - base);
        entry.size = size;
        if (!onEntry(entry))
            break;
        pos = NextChunk(pos, static_cast<uint32_t>(size));
    }
}

void AVIFileRecovery::ScanChunks()
{
    m_entries.clear();
    WalkChunks([this](const RecoveryEntry& entry) {
        m_entries.push_back(entry);
        return true;
    });
}

void AVIFileRecovery::Count(ScanTally& tally, const RecoveryEntry& entry) const
{
    tally.streams.resize(m_layout.streams.size());
    ++tally.entries;
    const auto size = static_cast<uint32_t>(entry.size);
    for (size_t s = 0; s < m_layout.streams.size(); ++s)
        if (m_layout.streams[s].chunkId == entry.id) {
            ScanTally::Stream& stream = tally.streams[s];
            ++stream.chunks;
            stream.largest = std::max(stream.largest, size);
        }
}

std::vector<HeaderField> AVIFileRecovery::HeaderFieldTable() const
{
    ScanTally tally;
    for (const RecoveryEntry& entry : m_entries)
        Count(tally, entry);
    return HeaderFields(tally);
}

std::vector<HeaderField> AVIFileRecovery::HeaderFields(const ScanTally& tally) const
{
    uint32_t totalFrames = 0;
    for (size_t s = 0; s < m_layout.streams.size() && s < tally.streams.size(); ++s)
        if (m_layout.streams[s].isVideo)
            totalFrames += tally.streams[s].chunks;

    std::vector<HeaderField> fields;
    fields.push_back({4, static_cast<uint32_t>(RepairedLength(tally.entries) - 8)});
    fields.push_back({m_layout.mainHeaderDataPos + kTotalFramesOffset, totalFrames});
    for (size_t s = 0; s < m_layout.streams.size(); ++s) {
        const RecoveryLayout::Stream& stream = m_layout.streams[s];
        const ScanTally::Stream counted = s < tally.streams.size() ? tally.streams[s] : ScanTally::Stream{};
        fields.push_back({stream.headerDataPos + kRateOffset, stream.rate});
        fields.push_back({stream.headerDataPos + kLengthOffset, counted.chunks});
        fields.push_back({stream.headerDataPos + kSuggestedBufferOffset, counted.largest});
    }
    fields.push_back({m_layout.movieListPos + 4, static_cast<uint32_t>(PaddedSourceSize() - m_layout.IndexBase())});
    return fields;
}

bool AVIFileRecovery::WriteRepairedFile(const std::string& output)
{
    StagedFile staged(output);
    if (!staged.IsOpen())
        return Fail("cannot create a file beside " + output);
    const FileHandle& out = staged.Handle();
    if (!CopyBytes(m_source, 0, out, 0, m_sourceSize))
        return Fail("cannot copy the recording to " + staged.TemporaryPath().string());
    // The copy is padded to an even length so that the index starts on a chunk boundary.
    if (m_sourceSize & 1) {
        const unsigned char pad = 0;
        if (!out.WriteAt(m_sourceSize, &pad, 1))
            return Fail("write error");
    }

    // The index, written in pieces as the scan finds the chunks.
    const int64_t indexPos = PaddedSourceSize();
    int64_t pos = indexPos + 8;
    std::vector<unsigned char> pending;
    pending.reserve(16 * 4096);
    ScanTally tally;
    bool written = true;
    auto flush = [&] {
        written = written && out.WriteAt(pos, pending.data(), pending.size());
        pos += static_cast<int64_t>(pending.size());
        pending.clear();
        return written;
    };
    unsigned char field[4];
    WalkChunks([&](const RecoveryEntry& entry) {
        Count(tally, entry);
        pending.insert(pending.end(), entry.id.begin(), entry.id.end());
        for (int32_t value : {entry.flags, entry.offset, entry.size}) {
            StoreLE32(field, static_cast<uint32_t>(value));
            pending.insert(pending.end(), field, field + 4);
        }
        return pending.size() < 16 * 4096 || flush();
    });
    if (!flush())
        return Fail("write error");
    // RIFF sizes and index offsets are 32-bit.
    if (RepairedLength(tally.entries) - 8 > int64_t(UINT32_MAX))
        return Fail("the repaired file would exceed 4 GiB");
    unsigned char indexHeader[8] = {'i', 'd', 'x', '1'};
    StoreLE32(indexHeader + 4, static_cast<uint32_t>(16 * tally.entries));
    if (!out.WriteAt(indexPos, indexHeader, sizeof indexHeader))
        return Fail("write error");

    for (const HeaderField& header : HeaderFields(tally)) {
        StoreLE32(field, header.value);
        if (!out.WriteAt(header.position, field, sizeof field))
            return Fail("write error");
    }
    // The repaired copy keeps the recording's time: a name without a time is dated by it.
    struct stat info {};
    if (::fstat(m_source.Get(), &info) == 0) {
        const timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(out.Get(), times);
    }
    if (!staged.Commit(RepairedLength(tally.entries), StagedFile::Existing::Keep))
        return Fail("cannot complete " + output);
    m_writtenTally = tally;
    return true;
}
