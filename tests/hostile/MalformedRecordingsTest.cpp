// Damaged recordings made from generated ones: every reader must give its defined answer (or our
// refusal) without crashing, hanging or leaking. The sanitizer build runs this suite too.

#include "recording/AVIFileLoader.h"
#include "recording/AVIFileParser.h"
#include "recording/AVIFileRecovery.h"
#include "recording/CFileLoader.h"
#include "recording/ClipWriter.h"

#include "devsupport/ByteOrder.h"
#include "support/GeneratedFiles.h"
#include "support/RecordingReporter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <set>

namespace {

// What each reader made of one file.
struct Observed {
    bool opens = false;
    bool parsed = false;  // the tree is not empty
    bool metadata = false;
    bool metadataLoaded = false;
    int channels = 0;
    int duration = 0;
    int totalFrames = 0;
    std::size_t gps = 0;
    std::size_t gSensor = 0;
    std::size_t listed = 0;  // recordings a scan lists as playable (nothing is repaired)
    bool clip = false;       // the first second could be cut out as a clip
    std::vector<GpsSample> gpsSamples;
};

// A case's expected values; `kAny` leaves a value to whatever the damaged bytes give.
constexpr int kAny = -1;

template <typename Case>
void ExpectValues(const Observed& seen, const Case& c)
{
    if (c.channels != kAny) {
        EXPECT_EQ(seen.channels, c.channels);
    }
    if (c.duration != kAny) {
        EXPECT_EQ(seen.duration, c.duration);
    }
    if (c.totalFrames != kAny) {
        EXPECT_EQ(seen.totalFrames, c.totalFrames);
    }
    if (c.gps != kAny) {
        EXPECT_EQ(long(seen.gps), c.gps);
    }
    if (c.gSensor != kAny) {
        EXPECT_EQ(long(seen.gSensor), c.gSensor);
    }
}

Observed Examine(const std::string& path)
{
    Observed seen;
    {
        AVIFileParser parser;
        seen.opens = parser.Open(path);
        seen.parsed = !parser.TopLevel().empty();
        // Every question the program asks of an opened file.
        parser.FindChunks("idx1");
        parser.GetStreamChunkIds();
        parser.CountVideoStreams();
        parser.GetTotalFrames();
        parser.GetDurationSeconds();
        if (ChunkNode* movie = parser.FindListByType("movi"))
            movie->Children();
    }
    RecordingItem item(DateTime{}, Always, path, "x.avi");
    seen.metadata = AVIFileLoader().GetMetadataFromAVIFile(item);
    seen.metadataLoaded = item.metadataLoaded;
    seen.channels = item.channelCount;
    seen.duration = item.duration;
    seen.totalFrames = item.totalFrames;
    seen.gps = item.gpsSamples.size();
    seen.gSensor = item.gSensorSamples.size();
    seen.gpsSamples = item.gpsSamples;
    for (const double t : {-1.0, 0.0, 0.5, double(item.duration), 1e9, std::numeric_limits<double>::quiet_NaN()}) {
        // A GPS lookup answers only with a sample that has a fix.
        if (const std::optional<GpsSample> gps = GetGpsSampleAt(item, t)) {
            EXPECT_TRUE(gps->valid && !item.gpsSamples.empty());
        }
        EXPECT_EQ(GetGSensorSampleAt(item, t).has_value(), !item.gSensorSamples.empty());
    }
    {
        RecordingReporter quiet;
        RefusingRepair noRepair;  // the repair has a test of its own below
        CFileLoader loader(&noRepair);
        for (const auto& listed : loader.BuildRecordings({path}))
            seen.listed += listed->IsPlayable() ? 1 : 0;
    }
    {
        TempDir clips;
        const std::string clip = clips / "clip.avi";
        seen.clip = WriteClip(path, 0, 1, clip).Ok();
        EXPECT_EQ(seen.clip, std::filesystem::exists(clip)) << "a refused clip leaves nothing behind";
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(clips.path()), {}), seen.clip ? 1 : 0);
    }
    EXPECT_TRUE(std::filesystem::exists(path)) << "no reader moves or removes a file";
    return seen;
}


// A two-second, two-channel recording (long enough not to count as aborted), made once.
struct Source {
    TempDir dir;
    std::string bytes;
    GroundTruth truth;
    std::vector<ChunkAt> top;    // hdrl, movi, idx1
    std::vector<ChunkAt> media;  // the movie list's chunks
    std::size_t gps = 0;         // GPS records; each gives a sample, with a fix or not
    std::size_t riff() const { return 0; }
    const ChunkAt& Top(const std::string& type) const
    {
        for (const ChunkAt& chunk : top)
            if (bytes.compare(chunk.offset + 8, 4, type) == 0 || chunk.id == type)
                return chunk;
        throw std::runtime_error("no " + type);
    }
};

const Source& TwoSeconds()
{
    static const std::unique_ptr<Source> source = [] {
        auto made = std::make_unique<Source>();
        const std::string path = MakeRecording(made->dir.path(), {"--seconds", "2", "--seed", "11"});
        made->bytes = ReadFileBytes(path);
        made->truth = LoadGroundTruth(path);
        made->top = TopLevelChunks(made->bytes);
        made->media = MovieChunks(made->bytes, made->Top("movi").offset);
        made->gps = made->truth.gps.size();
        return made;
    }();
    return *source;
}

class MalformedRecordings : public ::testing::Test {
protected:
    const Source& source = TwoSeconds();
    TempDir work;

    std::string Write(const std::string& bytes, const std::string& name = "REC_20120820_153012_F.avi")
    {
        const std::string path = work / name;
        WriteFileBytes(path, bytes);
        return path;
    }
};

TEST_F(MalformedRecordings, TheUndamagedSourceReadsInFull)
{
    const Observed seen = Examine(Write(source.bytes));
    ASSERT_GT(source.bytes.size(), std::size_t(AVIFileParser::kAbortedRecordingMaxSize));
    EXPECT_TRUE(seen.opens);
    EXPECT_EQ(seen.channels, 2);
    EXPECT_EQ(seen.duration, 2);
    EXPECT_EQ(seen.totalFrames, source.truth.totalFrames);
    EXPECT_EQ(seen.gps, source.gps);
    EXPECT_GT(source.gps, 0u);
    EXPECT_EQ(seen.gSensor, source.truth.gsensor.size());
    EXPECT_EQ(seen.listed, 1u);
    EXPECT_TRUE(seen.clip);
}

// Size fields set to 0, negative, beyond the file and odd. A list or chunk whose size the walk cannot
// take ends the walk of its range: what lies after it (and inside it) is not found.
TEST_F(MalformedRecordings, HostileSizeFields)
{
    const std::string& bytes = source.bytes;
    const uint32_t length = static_cast<uint32_t>(bytes.size());
    const ChunkAt& hdrl = source.Top("hdrl");
    const ChunkAt& movi = source.Top("movi");
    const ChunkAt& idx1 = source.Top("idx1");
    const std::size_t avih = hdrl.offset + 12;
    const std::size_t firstMedia = source.media.front().offset;
    const std::size_t gps = source.gps;
    const std::size_t gSensor = source.truth.gsensor.size();
    const int frames = static_cast<int>(source.truth.totalFrames);

    constexpr int any = kAny;
    struct Case {
        const char* what;
        std::size_t sizeField;  // position of the size field
        uint32_t value;
        bool opens;
        int channels, duration, totalFrames;  // `any`: whatever the bytes give
        long gps, gSensor;
    };
    const std::vector<Case> cases = {
        // The RIFF size: only 8 .. length - 1 is a usable file; a cut-off recording is refused.
        {"RIFF size 0", 4, 0, false, 0, 0, 0, 0, 0},
        {"RIFF size 7", 4, 7, false, 0, 0, 0, 0, 0},
        {"RIFF size -1", 4, 0xFFFFFFFF, false, 0, 0, 0, 0, 0},
        {"RIFF size INT_MIN", 4, 0x80000000, false, 0, 0, 0, 0, 0},
        {"RIFF size = file length", 4, length, false, 0, 0, 0, 0, 0},
        {"RIFF size beyond the file", 4, length + 1000, false, 0, 0, 0, 0, 0},
        {"RIFF size INT_MAX", 4, 0x7FFFFFFF, false, 0, 0, 0, 0, 0},
        {"RIFF size odd", 4, length - 9, true, 2, 2, frames, long(gps), long(gSensor)},
        // The header list: neither the stream headers nor the movie list and index after it are found.
        {"hdrl size 0", hdrl.offset + 4, 0, true, 0, 0, 0, 0, 0},
        {"hdrl size -1", hdrl.offset + 4, 0xFFFFFFFF, true, 0, 0, 0, 0, 0},
        {"hdrl size beyond the file", hdrl.offset + 4, length, true, 0, 0, 0, 0, 0},
        // The main header: the stream headers after it are not found, the samples are.
        {"avih size 0", avih + 4, 0, true, 0, 0, 0, long(gps), long(gSensor)},
        {"avih size -1", avih + 4, 0xFFFFFFFF, true, 0, 0, 0, long(gps), long(gSensor)},
        {"avih size beyond the file", avih + 4, length + 1, true, 0, 0, 0, long(gps), long(gSensor)},
        {"avih size odd", avih + 4, 57, true, any, any, any, long(gps), long(gSensor)},
        // The movie list: the index after it is not found, so there are no samples.
        {"movi size 0", movi.offset + 4, 0, true, 2, 2, frames, 0, 0},
        {"movi size -1", movi.offset + 4, 0xFFFFFFFF, true, 2, 2, frames, 0, 0},
        {"movi size beyond the file", movi.offset + 4, length, true, 2, 2, frames, 0, 0},
        {"movi size odd", movi.offset + 4, movi.size - 1, true, 2, 2, frames, any, any},
        // A media chunk: samples come through the index, not the walk.
        {"media size 0", firstMedia + 4, 0, true, 2, 2, frames, long(gps), long(gSensor)},
        {"media size -1", firstMedia + 4, 0xFFFFFFFF, true, 2, 2, frames, long(gps), long(gSensor)},
        {"media size beyond the file", firstMedia + 4, length * 2, true, 2, 2, frames, long(gps), long(gSensor)},
        {"media size odd", firstMedia + 4, source.media.front().size | 1, true, 2, 2, frames, long(gps),
         long(gSensor)},
        // The index.
        {"idx1 size 0", idx1.offset + 4, 0, true, 2, 2, frames, 0, 0},
        {"idx1 size -1", idx1.offset + 4, 0xFFFFFFFF, true, 2, 2, frames, 0, 0},
        {"idx1 size beyond the file", idx1.offset + 4, length, true, 2, 2, frames, 0, 0},
        {"idx1 size odd", idx1.offset + 4, idx1.size - 1, true, 2, 2, frames, long(gps), long(gSensor)},
        {"idx1 size reaching past the end", idx1.offset + 4, idx1.size + 64, true, 2, 2, frames, long(gps),
         long(gSensor)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string damaged = bytes;
        PutU32(damaged, c.sizeField, c.value);
        const Observed seen = Examine(Write(damaged));
        EXPECT_EQ(seen.opens, c.opens);
        EXPECT_EQ(seen.metadata, c.opens);
        EXPECT_EQ(seen.metadataLoaded, c.opens);
        EXPECT_EQ(seen.listed, c.opens ? 1u : 0u);
        ExpectValues(seen, c);
    }
}

// Lists without their type, header values that give no duration, index entries that point elsewhere.
TEST_F(MalformedRecordings, DamagedHeadersAndIndex)
{
    const std::string& bytes = source.bytes;
    const ChunkAt& hdrl = source.Top("hdrl");
    const ChunkAt& movi = source.Top("movi");
    const ChunkAt& idx1 = source.Top("idx1");
    const std::size_t videoHeader = hdrl.offset + 12 + 64 + 12 + 8;  // data of the first stream header
    const std::size_t gps = source.gps;
    const std::size_t gSensor = source.truth.gsensor.size();
    const int frames = static_cast<int>(source.truth.totalFrames);

    // Index entries: ckid, flags, offset, size.
    auto entries = [&](const std::function<void(std::string&, std::size_t, const std::string&)>& change) {
        std::string damaged = bytes;
        for (std::size_t entry = idx1.offset + 8; entry + 16 <= idx1.offset + 8 + idx1.size; entry += 16)
            change(damaged, entry, bytes.substr(entry, 4));
        return damaged;
    };
    auto textOffsets = [&](uint32_t value) {
        return entries([value](std::string& b, std::size_t entry, const std::string& id) {
            if (id == "03tx")
                PutU32(b, entry + 8, value);
        });
    };
    auto replaced = [&](std::size_t position, const std::string& with) {
        std::string damaged = bytes;
        damaged.replace(position, with.size(), with);
        return damaged;
    };

    constexpr int any = kAny;
    struct Case {
        const char* what;
        std::string bytes;
        int channels, duration, totalFrames;
        long gps, gSensor;
    };
    const std::vector<Case> cases = {
        // Without "hdrl" the last top-level node (the RIFF) stands in: no stream header is found.
        {"no hdrl", replaced(hdrl.offset + 8, "xxxx"), 0, 0, 0, long(gps), long(gSensor)},
        // Without "movi" index offsets count from the RIFF instead: whatever those bytes say.
        {"no movi", replaced(movi.offset + 8, "xxxx"), 2, 2, frames, any, any},
        {"neither", replaced(movi.offset + 8, "xxxx").replace(hdrl.offset + 8, 4, "xxxx"), 0, 0, 0, any, any},
        {"no strl", replaced(hdrl.offset + 12 + 64 + 8, "xxxx"), 2, 2, frames, long(gps), long(gSensor)},
        {"no idx1", replaced(idx1.offset, "xxxx"), 2, 2, frames, 0, 0},
        {"video rate 0", replaced(videoHeader + 24, std::string(4, '\0')), 2, 0, frames, long(gps), long(gSensor)},
        {"video scale 0", replaced(videoHeader + 20, std::string(4, '\0')), 2, 0, frames, long(gps), long(gSensor)},
        {"video length -1", replaced(videoHeader + 32, std::string(4, '\xFF')), 2, 0, frames, long(gps),
         long(gSensor)},
        {"video type gone", replaced(videoHeader, "xxxx"), 1, any, frames, long(gps), long(gSensor)},
        {"text entries beyond the file", textOffsets(0x7FFFFFF0), 2, 2, frames, 0, 0},
        {"text entries just past the end", textOffsets(uint32_t(bytes.size())), 2, 2, frames, 0, 0},
        {"text entries negative", textOffsets(0x80000000), 2, 2, frames, 0, 0},
        {"text entries at -16", textOffsets(0xFFFFFFF0), 2, 2, frames, any, any},
        {"every entry beyond the file",
         entries([](std::string& b, std::size_t entry, const std::string&) { PutU32(b, entry + 8, 0x7FFFFFFF); }),
         2, 2, frames, 0, 0},
        {"text entries renamed",
         entries([](std::string& b, std::size_t entry, const std::string& id) {
             if (id == "03tx")
                 b.replace(entry, 4, "03xx");
         }),
         2, 2, frames, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Observed seen = Examine(Write(c.bytes));
        EXPECT_TRUE(seen.opens);
        EXPECT_TRUE(seen.metadataLoaded);
        EXPECT_EQ(seen.listed, 1u);
        ExpectValues(seen, c);
    }
}

// Cut off at the start or end of each chunk, as a pulled card leaves a file. Short files are aborted
// recordings (accepted, unparsed, not listed); longer ones have a RIFF size beyond their end and are
// refused. Without the repair nothing is listed.
TEST_F(MalformedRecordings, TruncatedAtEveryChunkBoundary)
{
    const std::string& bytes = source.bytes;
    std::set<std::size_t> cuts = {0, 4, 8, 12};
    auto add = [&](const std::vector<ChunkAt>& chunks) {
        for (const ChunkAt& chunk : chunks) {
            cuts.insert(chunk.offset);
            cuts.insert(chunk.offset + 8);
            cuts.insert(chunk.offset + 8 + chunk.size);
        }
    };
    add(source.top);
    add(source.media);
    const ChunkAt& hdrl = source.Top("hdrl");
    const std::vector<ChunkAt> headers = ChunksBetween(bytes, hdrl.offset + 12, hdrl.offset + 8 + hdrl.size);
    add(headers);
    for (const ChunkAt& list : headers)
        if (list.id == "LIST")
            add(ChunksBetween(bytes, list.offset + 12, list.offset + 8 + list.size));
    ASSERT_GT(cuts.size(), 2 * source.media.size());

    for (const std::size_t cut : cuts) {
        if (cut >= bytes.size())
            continue;
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const std::string part = bytes.substr(0, cut);
        const bool aborted = cut >= 1 && cut <= std::size_t(AVIFileParser::kAbortedRecordingMaxSize);
        const Observed plain = Examine(Write(part));
        EXPECT_EQ(plain.opens, aborted);
        EXPECT_FALSE(plain.parsed);
        EXPECT_EQ(plain.metadata, aborted);
        EXPECT_FALSE(plain.metadataLoaded);
        EXPECT_EQ(plain.listed, 0u);
        // Marked as one to keep, it is parsed whatever its length, and refused.
        const Observed marked = Examine(Write(part, "REC_20120820_153012_SDEXIT.avi"));
        EXPECT_FALSE(marked.opens);
        EXPECT_FALSE(marked.metadata);
        EXPECT_EQ(marked.listed, 0u);
    }
}

// The same cuts handed to the repair: a file that still holds its header and at least one whole chunk is
// repaired in place (the broken file kept unchanged in the holding folder) and then reads like a recording
// of the chunks that were complete; a shorter one is refused before anything moves and stays where it is.
TEST_F(MalformedRecordings, TruncatedRecordingsAreRepairedFromTheMovieListOn)
{
    const std::string& bytes = source.bytes;
    const ChunkAt& movi = source.Top("movi");
    std::set<std::size_t> cuts = {0, 4, 12, movi.offset, movi.offset + 8, movi.offset + 11, movi.offset + 12};
    for (const ChunkAt& chunk : source.media) {
        cuts.insert(chunk.offset);
        cuts.insert(chunk.offset + 8);
        cuts.insert(chunk.offset + 8 + chunk.size);
    }
    for (const std::size_t cut : cuts) {
        if (cut >= source.Top("idx1").offset)
            continue;
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const std::string part = bytes.substr(0, cut);
        const std::string path = Write(part);
        TempDir holding;
        AVIFileRecovery recovery(holding.path());
        std::string repairedPath;
        const bool repaired = recovery.Recover(path, repairedPath).Ok();
        const std::string kept = (holding.path() / "REC_20120820_153012_F.avi").string();
        // Without one whole chunk there is nothing to repair: the file is refused before anything moves.
        const ChunkAt& first = source.media.front();
        EXPECT_EQ(repaired, cut >= first.offset + 8 + first.size);
        if (!repaired) {
            EXPECT_FALSE(std::filesystem::exists(kept));
            EXPECT_EQ(ReadFileBytes(path), part);
            continue;
        }
        ASSERT_TRUE(std::filesystem::exists(kept));
        EXPECT_EQ(ReadFileBytes(kept), part);
        EXPECT_EQ(repairedPath, path);
        // Text records whose data was cut off entirely are indexed but read nothing.
        long front = 0, gps = 0, gSensor = 0;
        for (const ChunkAt& chunk : source.media) {
            if (chunk.offset + 8 + chunk.size > cut)
                continue;
            front += chunk.id == "00dc";
            if (chunk.id == "03tx" && bytes[chunk.offset + 8] == 'M')
                ++gSensor;
            if (chunk.id == "03tx" && bytes[chunk.offset + 8] == 'G')
                gps += bytes.compare(chunk.offset + 9, 6, "$GPRMC") == 0;
        }
        const Observed seen = Examine(path);
        EXPECT_TRUE(seen.opens);
        if (std::filesystem::file_size(path) <= std::uintmax_t(AVIFileParser::kAbortedRecordingMaxSize)) {
            EXPECT_FALSE(seen.parsed) << "short enough to count as aborted";
            continue;
        }
        EXPECT_TRUE(seen.parsed);
        EXPECT_EQ(seen.listed, 1u);
        EXPECT_EQ(seen.channels, 2);
        const TruthStream& video = *source.truth.Stream("00dc");
        EXPECT_EQ(seen.duration, int(std::trunc(double(front) / (double(video.rate) / double(video.scale)))));
        EXPECT_EQ(long(seen.gps), gps);
        EXPECT_EQ(long(seen.gSensor), gSensor);
    }
}

// Damage inside the movie data of a recording that lost its index: a size field far beyond the file or
// slightly off, an id of no stream, zero bytes over a chunk. The repair looks ahead past the damaged chunk
// and goes on, losing that chunk only; it reports the repair as partial, the broken file stays whole in the
// holding folder, and the repaired copy reads like any recording.
TEST_F(MalformedRecordings, RepairLooksAheadPastDamagedChunks)
{
    const std::string indexless = source.bytes.substr(0, source.Top("idx1").offset);
    struct Damage {
        const char* name;
        std::function<void(std::string&, const ChunkAt&)> apply;
    } damages[] = {
        {"size beyond the file", [](std::string& b, const ChunkAt& c) { PutU32(b, c.offset + 4, c.size | 0x40000000u); }},
        {"size 2 short", [](std::string& b, const ChunkAt& c) { PutU32(b, c.offset + 4, c.size - 2); }},
        {"size 0", [](std::string& b, const ChunkAt& c) { PutU32(b, c.offset + 4, 0); }},
        {"id of no stream", [](std::string& b, const ChunkAt& c) { b[c.offset + 1] = 'x'; }},
        {"zeroed", [](std::string& b, const ChunkAt& c) { std::fill_n(b.begin() + long(c.offset), 8 + c.size, '\0'); }},
    };
    const std::size_t count = source.media.size();
    for (const Damage& damage : damages)
        for (const std::size_t at : {std::size_t(0), count / 3, count / 2, count - 2}) {
            const ChunkAt& chunk = source.media[at];
            if (chunk.size < 4)
                continue;
            SCOPED_TRACE(std::string(damage.name) + " at chunk " + std::to_string(at) + " " + chunk.id);
            std::string broken = indexless;
            damage.apply(broken, chunk);
            const std::string path = Write(broken);
            TempDir holding;
            AVIFileRecovery recovery(holding.path());
            RecordingReporter reporter;
            std::string repairedPath;
            const Result repaired = recovery.Recover(path, repairedPath);
            ASSERT_TRUE(repaired.Ok()) << repaired.Describe();
            EXPECT_EQ(ReadFileBytes(holding / "REC_20120820_153012_F.avi"), broken);
            const ScanTally& tally = recovery.WrittenTally();
            EXPECT_EQ(tally.entries, long(count) - 1);
            EXPECT_EQ(tally.skippedRuns, 1);
            EXPECT_TRUE(tally.Partial());
            EXPECT_EQ(reporter.messages.size(), 1u);
            const Observed seen = Examine(path);
            EXPECT_TRUE(seen.opens);
            EXPECT_EQ(seen.channels, 2);
        }
}

// The text stream: GPS records without their '*', sentences with empty fields, stray record kinds.
TEST_F(MalformedRecordings, DamagedTextRecords)
{
    const std::string& bytes = source.bytes;
    std::vector<ChunkAt> gpsChunks;
    std::vector<ChunkAt> gSensorChunks;
    for (const ChunkAt& chunk : source.media) {
        if (chunk.id != "03tx" || chunk.size == 0)
            continue;
        if (bytes[chunk.offset + 8] == 'G')
            gpsChunks.push_back(chunk);
        else if (bytes[chunk.offset + 8] == 'M')
            gSensorChunks.push_back(chunk);
    }
    ASSERT_EQ(gpsChunks.size(), 2u);
    ASSERT_FALSE(gSensorChunks.empty());
    const std::size_t gps = source.gps;
    const std::size_t gSensor = source.truth.gsensor.size();

    auto eachGps = [&](const std::function<void(std::string&, const ChunkAt&)>& change) {
        std::string damaged = bytes;
        for (const ChunkAt& chunk : gpsChunks)
            change(damaged, chunk);
        return damaged;
    };
    // The first GPS record replaced by another sentence; the rest of its chunk is left as it was.
    auto firstSentence = [&](const std::string& sentence) {
        std::string damaged = bytes;
        const std::string record = "G" + sentence;
        EXPECT_LE(record.size(), gpsChunks.front().size) << sentence;
        damaged.replace(gpsChunks.front().offset + 8, record.size(), record);
        return damaged;
    };

    struct Case {
        const char* what;
        std::string bytes;
        long gps, gSensor;
    };
    const std::vector<Case> cases = {
        // A GPS record that is damaged but still an RMC record keeps its second: a sample without a fix.
        {"no '*' in any GPS record",
         eachGps([](std::string& b, const ChunkAt& c) {
             std::replace(b.begin() + long(c.offset + 8), b.begin() + long(c.offset + 8 + c.size), '*', ' ');
         }),
         long(gps), long(gSensor)},
        {"no '*' and a chunk size reaching past the end of the file",
         eachGps([&](std::string& b, const ChunkAt& c) {
             std::replace(b.begin() + long(c.offset + 8), b.begin() + long(c.offset + 8 + c.size), '*', ' ');
             PutU32(b, c.offset + 4, 0x7FFFFFF0);
         }),
         long(gps), long(gSensor)},
        {"GPS chunks of size 0", eachGps([](std::string& b, const ChunkAt& c) { PutU32(b, c.offset + 4, 0); }),
         0, long(gSensor)},
        {"no $GPRMC", eachGps([](std::string& b, const ChunkAt& c) { b[c.offset + 9] = '#'; }), 0, long(gSensor)},
        {"every field empty", firstSentence("$GPRMC,,,,,,,,,,,,*"), long(gps), long(gSensor)},
        {"no fix", firstSentence("$GPRMC,123519.000,V,,,,,,,200812,,,N*"), long(gps), long(gSensor)},
        {"no time and no speed", firstSentence("$GPRMC,,A,3730.1200,N,12700.6000,E*"), long(gps), long(gSensor)},
        {"just the kind", firstSentence("$GPRMC*"), long(gps), long(gSensor)},
        {"stray kind letters", eachGps([](std::string& b, const ChunkAt& c) { b[c.offset + 8] = 'X'; }), 0,
         long(gSensor)},
        {"G-sensor records cut to one byte",
         [&] {
             std::string damaged = bytes;
             for (const ChunkAt& chunk : gSensorChunks)
                 PutU32(damaged, chunk.offset + 4, 1);
             return damaged;
         }(),
         long(gps), long(gSensor)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Observed seen = Examine(Write(c.bytes));
        EXPECT_TRUE(seen.opens);
        EXPECT_EQ(seen.duration, 2);
        if (c.gps >= 0) {
            EXPECT_EQ(long(seen.gps), c.gps);
        }
        EXPECT_EQ(long(seen.gSensor), c.gSensor);
    }

    // Empty fields are dropped before the fields are counted, so an empty speed shifts the date into its
    // place: the sentence still gives a sample.
    const Observed shifted = Examine(Write(firstSentence("$GPRMC,231500.000,A,3730.1200,N,12700.6000,E,,,200812,,,A*")));
    ASSERT_FALSE(shifted.gpsSamples.empty());
    const GpsSample& sample = shifted.gpsSamples.front();
    EXPECT_TRUE(sample.valid);
    EXPECT_EQ(sample.time, 81500);
    EXPECT_NEAR(sample.latitude, 37.502, 1e-9);
    EXPECT_NEAR(sample.longitude, 127.01, 1e-9);
    EXPECT_NEAR(sample.speed, 200812 * 1.852, 1e-6);
}

}  // namespace
