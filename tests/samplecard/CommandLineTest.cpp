#include "SampleCardSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(CommandLine, KindAndStartComeFromTheNameUnlessGiven)
{
    TempDir folder;
    struct Case {
        std::vector<std::string> options;
        const char* name;
        const char* kind;
        const char* start;
    };
    const Case cases[] = {
        {{}, "MDI_20130102_030405_F.avi", "MDI", "2013-01-02 03:04:05"},
        {{}, "clip.avi", "REC", "2012-08-20 15:30:12"},
        {{"--kind", "PAK", "--start", "20140228_235959"}, "EVT_20120820_153012_F.avi", "PAK", "2014-02-28 23:59:59"},
        {{}, "REC_20120820_153012_SDEXIT.avi", "REC", "2012-08-20 15:30:12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"recording", folder / c.name, "--seconds", "1"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult run = RunSampleCard(args);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const JsonValue truth = JsonValue::ParseFile(folder / (std::string(c.name) + ".json"));
        EXPECT_EQ(truth["kind"].AsString(), c.kind);
        EXPECT_EQ(truth["start"].AsString(), c.start);
    }
}

TEST(CommandLine, UsageErrorsExitWithTwoAndWriteNothing)
{
    TempDir folder;
    const std::string out = folder / "REC_20120820_153012_F.avi";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"record", out},
        {"recording"},
        {"recording", out, "--seconds", "0"},
        {"recording", out, "--seconds", "901"},
        {"recording", out, "--seconds", "five"},
        {"recording", out, "--seconds"},
        {"recording", out, "--channels", "3"},
        {"recording", out, "--kind", "rec"},
        {"recording", out, "--start", "20120230_120000"},
        {"recording", out, "--start", "20120820_246000"},
        {"recording", out, "--seed", "-1"},
        {"recording", out, "--colour", "red"},
        {"recording", out, "--seconds", "1", "--seconds", "2"},
        {"recording", folder / "REC_20120820_153012_F.AVI"},
        {"powercut", out},
        {"card", folder / "card", "--recordings", "0"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const std::string& a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const RunResult run = RunSampleCard(args);
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_NE(run.output.find("usage:"), std::string::npos);
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(CommandLine, FailedWriteLeavesNoFileBehind)
{
    TempDir folder;
    const std::string missingFolder = folder / "no/such/folder/REC_20120820_153012_F.avi";
    const RunResult run = RunSampleCard({"recording", missingFolder, "--seconds", "1"});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}
