#include "support/RiffBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs tessaro-cli with the arguments (each quoted for the shell).
CliRun RunCli(const std::vector<std::string>& arguments, const TempDir& dir)
{
    std::string command = std::string("'") + TESSARO_CLI + "'";
    for (const std::string& argument : arguments)
        command += " '" + argument + "'";
    const std::string errPath = dir / "stderr.txt";
    command += " 2>'" + errPath + "'";
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer;
    std::size_t got;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), got);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadFileBytes(errPath);
    return run;
}

std::string Recording()
{
    riff::CameraFile file;
    file.totalFrames = 77;
    file.chunks = {{"00dc", std::string(32000, 'v')},
                   {"03tx", riff::GpsRecord("$GPRMC,231500.000,A,3730.1200,N,12700.6000,E,10.0,,200812,,,A")},
                   {"03tx", riff::GSensorRecord(0x20, 0, 0)},
                   {"03tx", riff::GpsRecord("$GPRMC,231501.000,A,3730.1800,N,12700.6000,E,20.0,,200812,,,A")},
                   {"03tx", riff::GSensorRecord(0, 0, -64)}};
    return file.Bytes();
}

// Every file below the folder with its bytes, to show that a command changed nothing.
std::map<std::string, std::string> Snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().string()] = ReadFileBytes(entry.path());
    return files;
}

}  // namespace

TEST(Cli, ScanListsRecordingsAndLeavesTheCardAlone)
{
    TempDir dir;
    const fs::path card = dir.path() / "card";
    fs::create_directories(card / "EVENT");
    WriteFileBytes(card / "REC_20120820_153012_F.avi", Recording());
    WriteFileBytes(card / "EVENT" / "EVT_20120820_150000_F.avi", Recording());
    WriteFileBytes(card / "REC_20120820_160000_F.avi", riff::PowerCutRecording());
    WriteFileBytes(card / "REC_20120820_170000_F.avi", std::string(100, 'a'));  // aborted
    const auto before = Snapshot(card);

    const CliRun text = RunCli({"scan", card.string()}, dir);
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out, "   1  2012-08-20  15:00:00  Event     " + (card / "EVENT/EVT_20120820_150000_F.avi").string() +
                            "\n   2  2012-08-20  15:30:12  Always    " +
                            (card / "REC_20120820_153012_F.avi").string() + "\nneeds repair  " +
                            (card / "REC_20120820_160000_F.avi").string() + "\n");

    const CliRun json = RunCli({"scan", "--json", card.string()}, dir);
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_NE(json.out.find("{\"number\":2,\"date\":\"2012-08-20\",\"time\":\"15:30:12\",\"type\":2,"
                            "\"kind\":\"Always\",\"path\":\"" +
                            (card / "REC_20120820_153012_F.avi").string() + "\"}"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"needsRepair\":[\"" + (card / "REC_20120820_160000_F.avi").string() + "\"]"),
              std::string::npos);
    EXPECT_EQ(Snapshot(card), before);
}

TEST(Cli, InspectReportsWhatTheViewerReads)
{
    TempDir dir;
    WriteFileBytes(dir / "REC_20120820_153012_F.avi", Recording());
    const CliRun run = RunCli({"inspect", dir / "REC_20120820_153012_F.avi", "--json"}, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* expected :
         {"\"duration\":60", "\"channels\":2", "\"totalFrames\":77", "\"streams\":[\"00dc\",\"01dc\",\"02wb\",\"03tx\"]",
          "\"gpsSamples\":2", "\"gSensorSamples\":2", "\"firstFix\":{\"time\":81500,\"latitude\":37.502,",
          "\"lastFix\":{\"time\":81501,\"latitude\":37.503,", "\"peakG\":2"})
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << " in " << run.out;

    const CliRun text = RunCli({"inspect", dir / "REC_20120820_153012_F.avi"}, dir);
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("streams:       00dc 01dc 02wb 03tx\n"), std::string::npos) << text.out;
}

TEST(Cli, ExportsTheTrackAsGpxAndCsv)
{
    TempDir dir;
    WriteFileBytes(dir / "REC_20120820_081500_F.avi", Recording());
    const CliRun run = RunCli({"export", dir / "REC_20120820_081500_F.avi", "--gpx", dir / "t.gpx", "--csv", dir / "t.csv"},
                           dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string gpx = ReadFileBytes(dir / "t.gpx");
    EXPECT_NE(gpx.find("<gpx version=\"1.1\""), std::string::npos);
    // 08:15:00 on the camera's UTC+9 clock of 2012-08-20 is 23:15:00 UTC of the day before.
    EXPECT_NE(gpx.find("<trkpt lat=\"37.5020000\" lon=\"127.0100000\"><time>2012-08-19T23:15:00Z</time>"
                       "<extensions><speed>5.144</speed></extensions></trkpt>"),
              std::string::npos)
        << gpx;
    EXPECT_NE(gpx.find("<time>2012-08-19T23:15:01Z</time>"), std::string::npos);
    const std::string csv = ReadFileBytes(dir / "t.csv");
    EXPECT_EQ(csv, "kind,seconds,clock,latitude,longitude,speed_kmh,valid,x,y,z\n"
                   "gps,0,081500,37.5020000,127.0100000,18.520,1,,,\n"
                   "gps,1,081501,37.5030000,127.0100000,37.040,1,,,\n"
                   "gsensor,30.0000,,,,,,1.00000,0.00000,0.00000\n"
                   "gsensor,60.0000,,,,,,0.00000,0.00000,-2.00000\n");
}

TEST(Cli, RefusesBadInputAndReportsUsageErrors)
{
    TempDir dir;
    WriteFileBytes(dir / "broken.avi", riff::PowerCutRecording());
    WriteFileBytes(dir / "notes.txt", "x");
    WriteFileBytes(dir / "ok.avi", Recording());
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
    };
    const Case cases[] = {
        {{}, 2},
        {{"frobnicate"}, 2},
        {{"scan"}, 2},
        {{"scan", "--bogus", dir / "ok.avi"}, 2},
        {{"inspect"}, 2},
        {{"inspect", dir / "ok.avi", dir / "ok.avi"}, 2},
        {{"export", dir / "ok.avi"}, 2},
        {{"export", dir / "ok.avi", "--gpx"}, 2},
        {{"scan", dir / "missing"}, 1},
        {{"scan", dir / "notes.txt"}, 1},
        {{"inspect", dir / "broken.avi"}, 1},
        {{"inspect", dir / "missing.avi"}, 1},
        {{"export", dir / "broken.avi", "--csv", dir / "out.csv"}, 1},
        {{"export", dir / "ok.avi", "--csv", dir / "no/such/folder/out.csv"}, 1},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.arguments, dir);
        const std::string shown = c.arguments.empty() ? "(none)" : c.arguments[0];
        EXPECT_EQ(run.exitCode, c.exitCode) << shown << " " << run.err;
        EXPECT_FALSE(run.err.empty()) << shown;
        if (c.exitCode == 1) {
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        }
    }
    EXPECT_EQ(RunCli({"scan", dir / "notes.txt"}, dir).err, "tessaro-cli: Not avi type file.\n");
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
    EXPECT_EQ(ReadFileBytes(dir / "broken.avi"), riff::PowerCutRecording());
}
