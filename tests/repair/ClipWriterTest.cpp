#include "recording/ClipWriter.h"

#include "repair/CameraFileFixture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The front channel runs at 3 frames a second with a key frame every 6 frames; the rear channel has one
// frame a second, a key frame every 2 seconds. Each channel's first frame starts with its setup bytes.
// Key frames of chosen sizes let a test pick an even or odd first chunk. The file is larger than an
// aborted recording (30720 bytes).
constexpr uint32_t kThreeFramesScale = 7352;  // 22056 / 7352 = 3 frames a second

struct ClipSource {
    std::vector<FixtureChunk> chunks;
    std::string bytes;
    int64_t movieListPos = 0;
};

// rearKeyEvery: seconds between rear key frames; rearSetup: bytes of the rear channel's codec setup.
ClipSource MakeClipSource(int seconds, bool twoChannels = true, int rearSeconds = -1, int rearKeyEvery = 2,
                          size_t rearSetup = 21)
{
    ClipSource source;
    const std::string audio = twoChannels ? "02wb" : "01wb";
    const std::string text = twoChannels ? "03tx" : "02tx";
    for (int s = 0; s < seconds; ++s) {
        for (int f = 0; f < 3; ++f) {
            const int frame = 3 * s + f;
            const unsigned char nal = frame == 0 ? 0x67 : frame % 6 == 0 ? 0x65 : 0x41;
            size_t size = 200 + 13 * frame;
            if (frame == 6)
                size = 5000;
            if (frame == 12)
                size = 5001;
            source.chunks.push_back({"00dc", VideoFrame(nal, size)});
            if (twoChannels && f == 1 && (rearSeconds < 0 || s < rearSeconds))
                source.chunks.push_back({"01dc", VideoFrame(s == 0 ? 0x67 : s % rearKeyEvery ? 0x41 : 0x65,
                                                            100 + 3 * s + (s == 4), rearSetup)});
        }
        source.chunks.push_back({audio, std::string(2200 + s % 2, '\x21')});
        source.chunks.push_back({text, "$GPRMC,clip*" + std::to_string(s)});
    }
    CameraFixture fixture = BuildCameraFile(source.chunks, twoChannels ? "vvat" : "vat");
    source.bytes = fixture.complete;
    source.movieListPos = fixture.movieListPos;
    PutLE32(source.bytes, 128, kThreeFramesScale);
    return source;
}

// A clip file read back: its chunks walked from its movie list, which must agree with its own index.
struct WalkedClip {
    std::vector<FixtureChunk> chunks;
    std::vector<uint32_t> flags;
    std::string header;
};

WalkedClip WalkClip(const std::string& bytes, int64_t movieListPos)
{
    WalkedClip clip;
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(ReadLE32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(bytes.substr(static_cast<size_t>(movieListPos), 4), "LIST");
    EXPECT_EQ(bytes.substr(static_cast<size_t>(movieListPos) + 8, 4), "movi");
    clip.header = bytes.substr(0, static_cast<size_t>(movieListPos));
    const int64_t movieEnd = movieListPos + 8 + ReadLE32(bytes, movieListPos + 4);
    const std::string index = IndexEntries(bytes);
    EXPECT_EQ(bytes.substr(static_cast<size_t>(movieEnd), 4), "idx1") << "the movie list size is off";
    EXPECT_EQ(static_cast<size_t>(movieEnd) + 8 + index.size(), bytes.size());
    size_t entry = 0;
    for (int64_t pos = movieListPos + 12; pos < movieEnd; ++entry) {
        const uint32_t size = ReadLE32(bytes, pos + 4);
        FixtureChunk chunk{bytes.substr(static_cast<size_t>(pos), 4), bytes.substr(static_cast<size_t>(pos) + 8, size)};
        if (entry * 16 + 16 > index.size()) {
            ADD_FAILURE() << "a chunk the index does not list at " << pos;
            break;
        }
        EXPECT_EQ(index.substr(entry * 16, 4), chunk.id);
        EXPECT_EQ(ReadLE32(index, int64_t(entry) * 16 + 8), pos - (movieListPos + 8));
        EXPECT_EQ(ReadLE32(index, int64_t(entry) * 16 + 12), size);
        if (size & 1) {
            EXPECT_EQ(bytes[static_cast<size_t>(pos) + 8 + size], '\0') << "pad byte";
        }
        clip.flags.push_back(ReadLE32(index, int64_t(entry) * 16 + 4));
        clip.chunks.push_back(std::move(chunk));
        pos += 8 + size + (size & 1);
    }
    EXPECT_EQ(entry * 16, index.size());
    return clip;
}

// The chunks a clip should hold: the source's from front frame k up to (not including) front frame
// endFrame. The rear channel starts on rear frame rearKey (-1: the first rear frame after front frame k),
// and the movie data at the earlier of the two; a channel's frames before its start are empty chunks, and
// its first frame gets the setup bytes (the NAL units before the first slice) of its very first frame.
std::vector<FixtureChunk> ExpectedChunks(const std::vector<FixtureChunk>& source, int k, int endFrame, int rearKey = -1)
{
    int start[2] = {k, rearKey};
    size_t startAt[2] = {0, 0};
    std::string setup[2];
    int seen[2] = {0, 0};
    for (size_t i = 0; i < source.size(); ++i) {
        const int channel = source[i].id == "00dc" ? 0 : source[i].id == "01dc" ? 1 : -1;
        if (channel < 0)
            continue;
        if (setup[channel].empty())
            setup[channel] = source[i].data.substr(0, source[i].data.find(std::string("\0\0\0\1\x65", 5)));
        if (channel == 1 && start[1] < 0 && seen[0] > k)
            start[1] = seen[1];
        if (seen[channel] == start[channel])
            startAt[channel] = i;
        ++seen[channel];
    }
    std::vector<FixtureChunk> expected;
    int frame[2] = {0, 0};
    for (size_t i = 0; i < source.size(); ++i) {
        const int channel = source[i].id == "00dc" ? 0 : source[i].id == "01dc" ? 1 : -1;
        const int number = channel >= 0 ? frame[channel]++ : -1;
        if (channel == 0 && number == endFrame)
            break;
        if (i < std::min(startAt[0], start[1] >= 0 ? startAt[1] : startAt[0]))
            continue;
        FixtureChunk copy = source[i];
        if (channel >= 0 && number < start[channel])
            copy.data.clear();
        else if (channel >= 0 && number == start[channel] && number > 0)
            copy.data = setup[channel] + copy.data;
        expected.push_back(std::move(copy));
    }
    return expected;
}

}  // namespace

// start, end -> the front frames the clip holds. The start moves back to the key frame at or before
// trunc(3 * start) (frame 1 for second 0); the end is trunc(3 * end), or the last frame when the end is
// the whole duration (8 s).
TEST(ClipWriter, CutsAtFrameBoundariesWithSetupBytes)
{
    struct Case {
        const char* name;
        bool twoChannels;
        int start, end;
        int k, endFrame;
        int64_t firstFrontSize;  // size field of the clip's first chunk
    } cases[] = {
        {"start 0: key frame 0, no setup bytes", true, 0, 2, 0, 6, 200},
        {"inside a GOP, even key frame 5000 -> 5021 + pad", true, 3, 5, 6, 15, 5021},
        {"odd key frames 5001 -> 5022 and rear 113 -> 134, no pad", true, 4, 6, 12, 18, 5022},
        {"end at the whole duration takes the last frame", true, 2, 8, 6, 23, 5021},
        {"one channel", false, 3, 8, 6, 23, 5021},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ClipSource source = MakeClipSource(8, c.twoChannels);
        WriteFileBytes(dir / "REC.avi", source.bytes);
        const Result written = WriteClip(dir / "REC.avi", c.start, c.end, dir / "clip.avi");
        ASSERT_TRUE(written.Ok()) << written.Describe();
        const std::string bytes = ReadFileBytes(dir / "clip.avi");
        const int64_t movieListPos = source.movieListPos;
        WalkedClip clip = WalkClip(bytes, movieListPos);

        std::vector<FixtureChunk> expected = ExpectedChunks(source.chunks, c.k, c.endFrame);
        ASSERT_EQ(clip.chunks.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(clip.chunks[i].id, expected[i].id) << i;
            EXPECT_TRUE(clip.chunks[i].data == expected[i].data) << "chunk " << i << " " << expected[i].id;
        }
        EXPECT_EQ(clip.chunks.front().data.size(), static_cast<size_t>(c.firstFrontSize));

        // The header is the source's but for the sizes and counts.
        std::map<std::string, uint32_t> counts;
        for (const FixtureChunk& chunk : expected)
            ++counts[chunk.id];
        std::string header = source.bytes.substr(0, static_cast<size_t>(movieListPos));
        PutLE32(header, 4, static_cast<uint32_t>(bytes.size() - 8));
        PutLE32(header, 48, counts["00dc"] + counts["01dc"]);
        std::vector<std::string> ids = c.twoChannels ? std::vector<std::string>{"00dc", "01dc", "02wb", "03tx"}
                                                     : std::vector<std::string>{"00dc", "01wb", "02tx"};
        for (size_t s = 0; s < ids.size(); ++s) {
            const int64_t strh = c.twoChannels ? std::vector<int64_t>{100, 224, 348, 448}[s]
                                               : std::vector<int64_t>{100, 224, 324}[s];
            PutLE32(header, strh + 40, counts[ids[s]]);
        }
        EXPECT_TRUE(clip.header == header);
    }
}

// Rear key frames every 3 s (the front's every 2 s) and a 22-byte rear codec setup: each channel starts on
// its own last key frame at or before the start, the movie data at the earlier of the two, and the other
// channel's frame slots before its key frame are empty chunks (size 0, flags 0) that keep its timing.
TEST(ClipWriter, EachChannelStartsOnItsOwnKeyFrame)
{
    struct Case {
        const char* name;
        int start, end;
        int k, endFrame, rearKey;
        size_t emptyChunks;
    } cases[] = {
        {"rear key frame two seconds before the front's", 2, 5, 6, 15, 0, 4},
        {"rear key frame just before the front's: 22 setup bytes", 4, 6, 12, 18, 3, 1},
        {"rear key frame right after the front's", 6, 8, 18, 23, 6, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ClipSource source = MakeClipSource(8, true, -1, 3, 22);
        WriteFileBytes(dir / "REC.avi", source.bytes);
        const Result written = WriteClip(dir / "REC.avi", c.start, c.end, dir / "clip.avi");
        ASSERT_TRUE(written.Ok()) << written.Describe();
        WalkedClip clip = WalkClip(ReadFileBytes(dir / "clip.avi"), source.movieListPos);

        std::vector<FixtureChunk> expected = ExpectedChunks(source.chunks, c.k, c.endFrame, c.rearKey);
        ASSERT_EQ(clip.chunks.size(), expected.size());
        size_t empty = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(clip.chunks[i].id, expected[i].id) << i;
            EXPECT_TRUE(clip.chunks[i].data == expected[i].data) << "chunk " << i << " " << expected[i].id;
            if (expected[i].data.empty()) {
                ++empty;
                EXPECT_EQ(clip.flags[i], 0u) << i;
            }
        }
        EXPECT_EQ(empty, c.emptyChunks);
        // Each channel's first chunk with data is a key frame that starts with its own codec setup.
        for (const std::string id : {"00dc", "01dc"}) {
            const auto first = std::find_if(clip.chunks.begin(), clip.chunks.end(),
                                            [&](const FixtureChunk& chunk) { return chunk.id == id && !chunk.data.empty(); });
            ASSERT_NE(first, clip.chunks.end());
            EXPECT_EQ(first->data.substr(4, 1), "\x67") << id;
            EXPECT_EQ(clip.flags[static_cast<size_t>(first - clip.chunks.begin())], 16u) << id;
        }
    }
}

TEST(ClipWriter, RefusesAndLeavesNothingBehind)
{
    ClipSource twoChannels = MakeClipSource(8);
    ClipSource rearOnlyAtFirst = MakeClipSource(8, true, 1);
    std::vector<FixtureChunk> frontOnly;
    for (const FixtureChunk& chunk : twoChannels.chunks)
        if (chunk.id != "01dc")
            frontOnly.push_back(chunk);
    std::string noRearFrames = BuildCameraFile(frontOnly).complete;
    PutLE32(noRearFrames, 128, kThreeFramesScale);
    std::string powerCut = BuildCameraFile(twoChannels.chunks).powerCut;

    struct Case {
        const char* name;
        std::string source;
        int start, end;
    } cases[] = {
        {"end beyond the last frame", twoChannels.bytes, 2, 9},
        {"start equals end", twoChannels.bytes, 4, 4},
        {"start after end", twoChannels.bytes, 5, 3},
        {"negative start", twoChannels.bytes, -1, 3},
        {"rear stream without frames", noRearFrames, 2, 5},
        {"no rear frame after the start", rearOnlyAtFirst.bytes, 3, 6},
        {"no index", powerCut, 1, 3},
        {"not a recording", std::string(40000, 'x'), 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFileBytes(dir / "REC.avi", c.source);
        const Result written = WriteClip(dir / "REC.avi", c.start, c.end, dir / "clip.avi");
        EXPECT_FALSE(written.Ok());
        EXPECT_FALSE(written.Reason().empty());
        EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"REC.avi"});
        EXPECT_TRUE(ReadFileBytes(dir / "REC.avi") == c.source);
    }

    TempDir dir;
    WriteFileBytes(dir / "REC.avi", twoChannels.bytes);
    WriteFileBytes(dir / "taken.avi", "mine");
    fs::create_directory(dir / "folder.avi");
    EXPECT_FALSE(WriteClip(dir / "REC.avi", 1, 3, dir / "taken.avi").Ok());
    EXPECT_EQ(ReadFileBytes(dir / "taken.avi"), "mine");
    EXPECT_FALSE(WriteClip(dir / "REC.avi", 1, 3, dir / "folder.avi").Ok());
    EXPECT_FALSE(WriteClip(dir / "missing.avi", 1, 3, dir / "clip.avi").Ok());
    EXPECT_FALSE(WriteClip("", 1, 3, dir / "clip.avi").Ok());
    EXPECT_FALSE(WriteClip(dir / "REC.avi", 1, 3, "").Ok());
    EXPECT_FALSE(WriteClip(dir / "REC.avi", 1, 3, (dir.path() / "no-such-folder" / "clip.avi").string()).Ok());
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"REC.avi", "folder.avi", "taken.avi"}));
}

// A write that fails half-way (the file size limit hit, in a child process) leaves nothing behind.
TEST(ClipWriter, FailingWriteLeavesNothing)
{
    TempDir dir;
    ClipSource source = MakeClipSource(8);
    WriteFileBytes(dir / "REC.avi", source.bytes);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(WriteClip(dir / "REC.avi", 2, 8, dir / "clip.avi").Ok() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"REC.avi"});
}
