#include "recording/AVIFileRecovery.h"

#include "repair/CameraFileFixture.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Everything in a folder except the named entries; used to prove that nothing half-written is left.
std::vector<std::string> Leftovers(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct RepairScene {
    TempDir dir;
    fs::path card = dir.path() / "card";
    fs::path holding = dir.path() / "docs" / "BROKENFILES";
    RepairScene() { fs::create_directories(card); }
    std::string Put(const std::string& name, const std::string& bytes)
    {
        WriteFileBytes(card / name, bytes);
        return (card / name).string();
    }
};

}  // namespace

// The camera's four-stream layout and the one-channel layout (three streams, movie list elsewhere) are
// both read from the file's own header and repaired into exactly the file the camera would have closed.
TEST(AVIFileRecovery, RepairsPowerCutCopyIntoTheClosedFile)
{
    for (std::string kinds : {"vvat", "vat"}) {
        SCOPED_TRACE(kinds);
        CameraFixture fixture = BuildCameraFile(TypicalChunks(3, kinds == "vvat"), kinds);
        RepairScene scene;
        std::string path = scene.Put("REC_20240102_030405.avi", fixture.powerCut);

        AVIFileRecovery recovery(scene.holding);
        std::string repaired;
        ASSERT_TRUE(recovery.Recover(path, repaired).Ok());
        EXPECT_EQ(repaired, path);
        EXPECT_TRUE(ReadFileBytes(path) == fixture.complete);
        EXPECT_TRUE(ReadFileBytes(scene.holding / "REC_20240102_030405.avi") == fixture.powerCut);
        EXPECT_EQ(Leftovers(scene.card), std::vector<std::string>{"REC_20240102_030405.avi"});
    }
}

// For the camera's layout the fields are those of the camera's fixed table, except that the rear
// channel's frame count goes to its dwLength (264) and its largest chunk to dwSuggestedBufferSize (268),
// as for the other streams.
TEST(AVIFileRecovery, HeaderFieldTableOfTheCameraLayout)
{
    std::vector<FixtureChunk> chunks = {
        {"00dc", VideoFrame(0x67, 500)}, {"01dc", VideoFrame(0x67, 200)}, {"01dc", VideoFrame(0x41, 90)},
        {"02wb", std::string(64, 'a')},  {"03tx", std::string(33, 't')},  {"00dc", VideoFrame(0x41, 70)},
        {"01dc", VideoFrame(0x41, 91)},
    };
    CameraFixture fixture = BuildCameraFile(chunks);
    ASSERT_EQ(fixture.movieListPos, 520);
    RepairScene scene;
    std::string broken = scene.Put("cut.avi", fixture.powerCut);

    AVIFileRecovery recovery(scene.holding);
    ASSERT_TRUE(recovery.OpenSource(broken).Ok());
    recovery.ScanChunks();
    const auto length = static_cast<uint32_t>(fixture.complete.size());
    std::vector<HeaderField> expected = {
        {4, length - 8}, {48, 5},                              // RIFF size, 2 + 3 video frames
        {132, 22056},    {140, 2},   {144, 500},               // front video
        {256, 9342},     {264, 3},   {268, 200},               // rear video
        {380, 44100},    {388, 1},   {392, 64},                // audio
        {480, 20250},    {488, 1},   {492, 33},                // text
        {524, static_cast<uint32_t>(fixture.powerCut.size() - 528)},
    };
    EXPECT_EQ(recovery.HeaderFieldTable(), expected);
    // dwQuality (272) keeps its initial value.
    ASSERT_TRUE(recovery.WriteRepairedFile((scene.card / "out.avi").string()).Ok());
    EXPECT_EQ(ReadLE32(ReadFileBytes(scene.card / "out.avi"), 272), 0u);
}

TEST(AVIFileRecovery, ScanFlagsAndPadding)
{
    std::vector<FixtureChunk> chunks = {
        {"00dc", VideoFrame(0x67, 1001)},  // odd: a pad byte follows, the next entry starts 1010 later
        {"00dc", VideoFrame(0x65, 40)},    // IDR slice: key frame
        {"00dc", VideoFrame(0x41, 40)},    // P slice
        {"02wb", std::string(5, '\x41')},  // audio and text are always key
        {"03tx", std::string(5, '\x41')},
    };
    CameraFixture fixture = BuildCameraFile(chunks);
    RepairScene scene;
    AVIFileRecovery recovery(scene.holding);
    ASSERT_TRUE(recovery.OpenSource(scene.Put("x.avi", fixture.powerCut)).Ok());
    recovery.ScanChunks();
    const auto& entries = recovery.Entries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].offset, 4);
    EXPECT_EQ(entries[0].size, 1001);
    EXPECT_EQ(entries[1].offset, 4 + 1010);
    std::vector<int32_t> flags;
    for (const auto& entry : entries)
        flags.push_back(entry.flags);
    EXPECT_EQ(flags, (std::vector<int32_t>{16, 16, 0, 16, 16}));
}

// A power cut inside the last chunk's data: the chunk is left out of the index and out of the repaired
// movie list, which ends where the cut chunk began (a decoder would otherwise read the cut chunk's size over
// the new index). A cut inside a chunk's header is the same. The holding folder keeps the whole original.
TEST(AVIFileRecovery, CutInsideTheLastChunk)
{
    std::vector<FixtureChunk> chunks = TypicalChunks(2);
    CameraFixture whole = BuildCameraFile(chunks);
    std::vector<FixtureChunk> shorter(chunks.begin(), chunks.end() - 1);
    CameraFixture withoutLast = BuildCameraFile(shorter);
    const size_t lastChunkPos = withoutLast.powerCut.size();

    for (size_t cut : {lastChunkPos + 3, lastChunkPos + 8, lastChunkPos + 9, lastChunkPos + 12}) {
        SCOPED_TRACE(cut);
        RepairScene scene;
        std::string broken = whole.powerCut.substr(0, cut);
        std::string path = scene.Put("cut.avi", broken);
        AVIFileRecovery recovery(scene.holding);
        std::string repaired;
        ASSERT_TRUE(recovery.Recover(path, repaired).Ok());
        EXPECT_TRUE(ReadFileBytes(path) == withoutLast.complete);
        EXPECT_FALSE(recovery.WrittenTally().Partial());
        EXPECT_TRUE(ReadFileBytes(scene.holding / "cut.avi") == broken);
    }
}

// Sizes that would not move the scan forward, and zero bytes the camera never filled, end the scan.
TEST(AVIFileRecovery, ScanStopsAtImpossibleChunks)
{
    CameraFixture fixture = BuildCameraFile(TypicalChunks(1));
    struct Case {
        const char* name;
        std::string tail;
    } cases[] = {
        {"negative size", std::string("00dc\xf0\xff\xff\xff", 8) + std::string(64, 'x')},
        {"zero fill", std::string(4096, '\0')},
        {"size beyond the file", std::string("00dc\x00\x00\x00\x40", 8) + std::string(64, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RepairScene scene;
        AVIFileRecovery recovery(scene.holding);
        ASSERT_TRUE(recovery.OpenSource(scene.Put("x.avi", fixture.powerCut + c.tail)).Ok());
        recovery.ScanChunks();
        EXPECT_EQ(recovery.Entries().size(), TypicalChunks(1).size());
    }
}

// Damage inside the movie data ends nothing: after a size that does not fit or an id of no stream, the
// scan looks ahead for the next chunk of a known stream whose size fits and which the next chunk follows,
// goes on from there and counts what it stepped over. A repair that keeps less than all the movie data
// says so; a writer that does not pad odd chunks is read without loss.
TEST(AVIFileRecovery, LooksAheadPastDamage)
{
    const std::vector<FixtureChunk> chunks = TypicalChunks(4);
    const CameraFixture fixture = BuildCameraFile(chunks);
    const std::string index = IndexEntries(fixture.complete);
    const auto chunkPos = [&](size_t i) { return fixture.movieListPos + 8 + ReadLE32(index, int64_t(i) * 16 + 8); };
    const auto chunkBytes = [&](size_t i) { return int64_t(8 + chunks[i].data.size() + (chunks[i].data.size() & 1)); };
    const size_t middle = chunks.size() / 2;
    const std::string garbage(777, 'g');

    struct Case {
        const char* name;
        std::string broken;
        int64_t lostChunk;  // the chunk left out, -1 for none
        int64_t skipped;
    };
    std::vector<Case> cases;
    auto flipped = [&](size_t chunk, int64_t field, uint32_t value) {
        std::string bytes = fixture.powerCut;
        PutLE32(bytes, chunkPos(chunk) + field, value);
        return bytes;
    };
    cases.push_back({"first chunk's size, a high bit flipped", flipped(0, 4, ReadLE32(fixture.powerCut, chunkPos(0) + 4) ^ 0x01000000u), 0, chunkBytes(0)});
    cases.push_back({"middle chunk's size, a low bit flipped", flipped(middle, 4, ReadLE32(fixture.powerCut, chunkPos(middle) + 4) ^ 0x10u), int64_t(middle), chunkBytes(middle)});
    cases.push_back({"middle chunk's size zeroed", flipped(middle, 4, 0), int64_t(middle), chunkBytes(middle)});
    std::string unknownId = fixture.powerCut;
    unknownId[static_cast<size_t>(chunkPos(middle)) + 3] ^= 0x20;
    cases.push_back({"middle chunk's id of no stream", unknownId, int64_t(middle), chunkBytes(middle)});
    cases.push_back({"garbage after the last chunk", fixture.powerCut + garbage, -1, int64_t(garbage.size())});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RepairScene scene;
        std::string path = scene.Put("REC_1.avi", c.broken);
        AVIFileRecovery recovery(scene.holding);
        RecordingReporter reporter;
        std::string repaired;
        ASSERT_TRUE(recovery.Recover(path, repaired).Ok());
        const ScanTally& tally = recovery.WrittenTally();
        EXPECT_EQ(tally.entries, int64_t(chunks.size()) - (c.lostChunk >= 0));
        EXPECT_EQ(tally.skippedBytes, c.skipped);
        EXPECT_EQ(tally.skippedRuns, 1);
        EXPECT_EQ(tally.MovieBytes(), int64_t(c.broken.size()) - fixture.movieListPos - 12);
        std::string expectedIndex = index;
        if (c.lostChunk >= 0)
            expectedIndex.erase(static_cast<size_t>(c.lostChunk) * 16, 16);
        const std::string bytes = ReadFileBytes(path);
        EXPECT_TRUE(IndexEntries(bytes) == expectedIndex);
        ASSERT_EQ(reporter.messages.size(), 1u);
        EXPECT_EQ(reporter.messages[0].text, "REC_1.avi: repaired " + std::to_string(tally.keptBytes) + " of " +
                                                 std::to_string(tally.MovieBytes()) + " bytes of movie data");
        EXPECT_TRUE(ReadFileBytes(scene.holding / "REC_1.avi") == c.broken);
    }

    // Odd chunks without a pad byte among even ones, so that chunks start at odd positions too: each is
    // found both ways, nothing is lost and nothing is said.
    const CameraFixture unpadded = BuildCameraFile(chunks, "vvat", false);
    ASSERT_NE(unpadded.powerCut.size(), fixture.powerCut.size());
    RepairScene scene;
    std::string path = scene.Put("REC_2.avi", unpadded.powerCut);
    AVIFileRecovery recovery(scene.holding);
    RecordingReporter reporter;
    std::string repaired;
    ASSERT_TRUE(recovery.Recover(path, repaired).Ok());
    EXPECT_FALSE(recovery.WrittenTally().Partial());
    EXPECT_TRUE(ReadFileBytes(path) == unpadded.complete);
    EXPECT_TRUE(reporter.messages.empty());
}

// Files the repair must not touch: it decides before it moves anything, and only a file with the power-cut
// signature (a header it understands, a movie list with a chunk in it, no index) is taken. Everything else
// stays where it is, byte for byte and with its time.
TEST(AVIFileRecovery, Refusals)
{
    CameraFixture fixture = BuildCameraFile(TypicalChunks(1));
    std::string noMovieList = fixture.powerCut.substr(0, 520);
    std::string notAvi = fixture.powerCut;
    notAvi.replace(8, 4, "WAVE");
    std::string badStreamHeader = fixture.powerCut;
    PutLE32(badStreamHeader, 104, 20);  // the first stream header claims 20 bytes
    std::string noChunk = fixture.powerCut.substr(0, 532) + std::string(4000, 'x');
    struct Case {
        const char* name;
        std::string file;
        std::string content;
    } cases[] = {
        {"marked", "REC_SDEXIT_1.avi", fixture.powerCut},
        {"not RIFF", "a.avi", "not a recording at all"},
        {"not AVI", "b.avi", notAvi},
        {"no movie list", "c.avi", noMovieList},
        {"short stream header", "d.avi", badStreamHeader},
        {"empty", "e.avi", ""},
        {"closed with an index", "f.avi", fixture.complete},
        {"no chunk in the movie list", "g.avi", noChunk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RepairScene scene;
        std::string path = scene.Put(c.file, c.content);
        const auto stamp = fs::last_write_time(path) - std::chrono::hours(24);
        fs::last_write_time(path, stamp);
        AVIFileRecovery recovery(scene.holding);
        std::string repaired;
        const Result result = recovery.Recover(path, repaired);
        EXPECT_FALSE(result.Ok());
        EXPECT_FALSE(result.Reason().empty());
        EXPECT_TRUE(ReadFileBytes(path) == c.content);
        EXPECT_EQ(fs::last_write_time(path), stamp);
        EXPECT_FALSE(fs::exists(scene.holding / c.file));
        EXPECT_EQ(Leftovers(scene.card), std::vector<std::string>{c.file});
    }
    RepairScene scene;
    AVIFileRecovery recovery(scene.holding);
    std::string repaired;
    EXPECT_FALSE(recovery.Recover("", repaired).Ok());
    EXPECT_FALSE(recovery.Recover((scene.card / "missing.avi").string(), repaired).Ok());
    EXPECT_FALSE(recovery.Recover(scene.card.string(), repaired).Ok());  // a folder is not a recording
    EXPECT_TRUE(fs::is_directory(scene.card));
    // A broken file opened from the holding folder stays there as it is.
    fs::create_directories(scene.holding);
    WriteFileBytes(scene.holding / "held.avi", fixture.powerCut);
    EXPECT_FALSE(recovery.Recover((scene.holding / "held.avi").string(), repaired).Ok());
    EXPECT_TRUE(ReadFileBytes(scene.holding / "held.avi") == fixture.powerCut);
}

TEST(AVIFileRecovery, SecondRepairReplacesTheHeldCopy)
{
    RepairScene scene;
    CameraFixture first = BuildCameraFile(TypicalChunks(1));
    CameraFixture second = BuildCameraFile(TypicalChunks(2));
    std::string repaired;
    for (const CameraFixture* fixture : {&first, &second}) {
        std::string path = scene.Put("EVT_1.avi", fixture->powerCut);
        AVIFileRecovery recovery(scene.holding);
        ASSERT_TRUE(recovery.Recover(path, repaired).Ok());
    }
    EXPECT_TRUE(ReadFileBytes(scene.holding / "EVT_1.avi") == second.powerCut);
    EXPECT_TRUE(ReadFileBytes(scene.card / "EVT_1.avi") == second.complete);
    EXPECT_EQ(Leftovers(scene.holding), std::vector<std::string>{"EVT_1.avi"});
}

// The holding folder lies on another file system than the card: the move copies, checks and only then
// deletes; the file's time goes along (a recording without a time in its name is dated by it).
TEST(AVIFileRecovery, MovesAcrossFileSystems)
{
    char pattern[] = "/dev/shm/tessaro-card-XXXXXX";
    if (!fs::is_directory("/dev/shm") || !mkdtemp(pattern))
        GTEST_SKIP() << "no second file system at /dev/shm";
    fs::path card = pattern;
    RepairScene scene;
    struct Cleanup {
        fs::path path;
        ~Cleanup() { fs::remove_all(path); }
    } cleanup{card};
    if (fs::space(card).capacity == fs::space(scene.dir.path()).capacity)
        GTEST_SKIP() << "/dev/shm is on the same file system";

    CameraFixture fixture = BuildCameraFile(TypicalChunks(2));
    fs::path path = card / "MDI_1.avi";
    WriteFileBytes(path, fixture.powerCut);
    auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(24 * 30);
    fs::last_write_time(path, stamp);

    AVIFileRecovery recovery(scene.holding);
    std::string repaired;
    ASSERT_TRUE(recovery.Recover(path.string(), repaired).Ok());
    EXPECT_TRUE(ReadFileBytes(scene.holding / "MDI_1.avi") == fixture.powerCut);
    EXPECT_TRUE(ReadFileBytes(path) == fixture.complete);
    EXPECT_EQ(fs::last_write_time(scene.holding / "MDI_1.avi"), stamp);
    EXPECT_EQ(fs::last_write_time(path), stamp);
    EXPECT_EQ(Leftovers(scene.holding), std::vector<std::string>{"MDI_1.avi"});
}

// A write that fails half-way (the file size limit hit in a child process) loses nothing: the original
// is in the holding folder unchanged, nothing is left at its former path, and the repair reports false.
TEST(AVIFileRecovery, FailingWriteLosesNothing)
{
    CameraFixture fixture = BuildCameraFile(TypicalChunks(20));
    RepairScene scene;
    fs::create_directories(scene.holding);
    std::string path = scene.Put("REC_1.avi", fixture.powerCut);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        // Room for the move's rename but not for a full copy of the file.
        rlimit limit{static_cast<rlim_t>(fixture.powerCut.size() / 2), static_cast<rlim_t>(fixture.powerCut.size() / 2)};
        setrlimit(RLIMIT_FSIZE, &limit);
        AVIFileRecovery recovery(scene.holding);
        std::string repaired;
        _exit(recovery.Recover(path, repaired).Ok() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    // The copy could not be made whole, so the original never left: it is still the card's recording.
    EXPECT_EQ(Leftovers(scene.card), std::vector<std::string>{"REC_1.avi"});
    EXPECT_TRUE(ReadFileBytes(scene.card / "REC_1.avi") == fixture.powerCut);
    EXPECT_EQ(Leftovers(scene.holding), std::vector<std::string>{});
}

// A folder occupying the target is never replaced and nothing is left beside it.
TEST(AVIFileRecovery, OccupiedTargetIsNotReplaced)
{
    CameraFixture fixture = BuildCameraFile(TypicalChunks(1));
    RepairScene scene;
    AVIFileRecovery recovery(scene.holding);
    ASSERT_TRUE(recovery.OpenSource(scene.Put("x.avi", fixture.powerCut)).Ok());
    recovery.ScanChunks();
    fs::create_directories(scene.card / "out.avi" / "inside");
    EXPECT_FALSE(recovery.WriteRepairedFile((scene.card / "out.avi").string()).Ok());
    EXPECT_TRUE(fs::is_directory(scene.card / "out.avi" / "inside"));
    EXPECT_EQ(Leftovers(scene.card), (std::vector<std::string>{"out.avi", "x.avi"}));

    // The holding folder's place taken by a file: the move fails and the recording stays where it was.
    RepairScene blocked;
    fs::create_directories(blocked.holding.parent_path());
    WriteFileBytes(blocked.holding, "in the way");
    std::string path = blocked.Put("y.avi", fixture.powerCut);
    AVIFileRecovery refused(blocked.holding);
    std::string repaired;
    EXPECT_FALSE(refused.Recover(path, repaired).Ok());
    EXPECT_TRUE(ReadFileBytes(path) == fixture.powerCut);
}

TEST(AVIFileRecovery, HoldingFolderFollowsTheDocumentsFolder)
{
    const char* savedDocuments = std::getenv("XDG_DOCUMENTS_DIR");
    const char* savedHome = std::getenv("HOME");
    std::string documents = savedDocuments ? savedDocuments : "";
    std::string home = savedHome ? savedHome : "";

    setenv("XDG_DOCUMENTS_DIR", "/srv/docs", 1);
    EXPECT_EQ(AVIFileRecovery::DefaultHoldingFolder(), fs::path("/srv/docs/BROKENFILES"));
    unsetenv("XDG_DOCUMENTS_DIR");
    setenv("HOME", "/home/driver", 1);
    EXPECT_EQ(AVIFileRecovery::DefaultHoldingFolder(), fs::path("/home/driver/Documents/BROKENFILES"));

    savedDocuments ? setenv("XDG_DOCUMENTS_DIR", documents.c_str(), 1) : unsetenv("XDG_DOCUMENTS_DIR");
    savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}
