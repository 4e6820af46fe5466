// tessaro-cli repair and clip, run as the user runs them.

#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

ProgramRun Cli(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{TESSARO_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
}

}  // namespace

TEST(Cli, RepairSaysWhereTheOriginalWentAndWhatWasRebuilt)
{
    TempDir dir;
    const std::string original = MakeRecording(dir.path(), {"--seconds", "2"});
    const std::string broken = dir / "REC_20120820_153012_broken.avi";
    ASSERT_EQ(RunSampleCard({"powercut", original, broken}).exitCode, 0);
    const std::string brokenBytes = ReadFileBytes(broken);

    ProgramRun run = Cli({"repair", broken, "--holding", dir / "held"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find((dir.path() / "held" / "REC_20120820_153012_broken.avi").string()), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("00dc"), std::string::npos) << run.out;
    EXPECT_TRUE(ReadFileBytes(broken) == ReadFileBytes(original));
    EXPECT_TRUE(ReadFileBytes(dir.path() / "held" / "REC_20120820_153012_broken.avi") == brokenBytes);

    // A readable recording is not broken: it stays where it is, untouched.
    const std::string before = ReadFileBytes(original);
    run = Cli({"repair", original, "--holding", dir / "held"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(ReadFileBytes(original) == before);
    EXPECT_FALSE(fs::exists(dir.path() / "held" / fs::path(original).filename()));

    // A repair that keeps less than all the movie data says how much it kept, and exits with 1.
    std::string damaged = brokenBytes;
    const size_t firstChunk = damaged.find("00dc", damaged.find("movi"));
    damaged[firstChunk + 7] ^= 0x40;  // the first chunk's size, far beyond the file
    const std::string partial = dir / "REC_20120820_153012_damaged.avi";
    WriteFileBytes(partial, damaged);
    run = Cli({"repair", partial, "--holding", dir / "held"});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("repaired "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" bytes of movie data"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("bytes of movie data"), std::string::npos) << run.err;

    EXPECT_EQ(Cli({"repair"}).exitCode, 2);
    EXPECT_EQ(Cli({"repair", broken, "--holding"}).exitCode, 2);
    EXPECT_EQ(Cli({"repair", broken, "--bogus"}).exitCode, 2);
}

TEST(Cli, ClipWritesANewFileAndNeverReplacesOne)
{
    TempDir dir;
    const std::string source = MakeRecording(dir.path(), {"--seconds", "3"});
    ProgramRun run = Cli({"clip", source, "1", "3", dir / "clip.avi"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(dir / "clip.avi").substr(0, 4), "RIFF");

    WriteFileBytes(dir / "taken.avi", "keep me");
    run = Cli({"clip", source, "0", "2", dir / "taken.avi"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("already exists"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(dir / "taken.avi"), "keep me");

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"clip", source, "1", "3"}, {"clip", source, "-1", "3", dir / "x.avi"}, {"clip", source, "1.5", "3", dir / "x.avi"},
             {"clip", source, "1", "", dir / "x.avi"}}) {
        EXPECT_EQ(Cli(args).exitCode, 2) << args[2] << " " << args[3];
    }
    EXPECT_EQ(Cli({"clip", source, "3", "1", dir / "x.avi"}).exitCode, 1);
    EXPECT_FALSE(fs::exists(dir / "x.avi"));
}
