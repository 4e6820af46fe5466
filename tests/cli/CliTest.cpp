#include "support/RiffBuilder.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

// Three seconds of GPS, the middle one without a fix (a tunnel), and two G-sensor records.
std::string Recording()
{
    riff::CameraFile file;
    file.totalFrames = 77;
    file.chunks = {{"00dc", std::string(32000, 'v')},
                   {"03tx", riff::GpsRecord("$GPRMC,231500.000,A,3730.1200,N,12700.6000,E,10.0,,200812,,,A")},
                   {"03tx", riff::GSensorRecord(0x20, 0, 0)},
                   {"03tx", riff::GpsRecord("$GPRMC,231501.000,V,,,,,,,200812,,,N")},
                   {"03tx", riff::GpsRecord("$GPRMC,231502.000,A,3730.1800,N,12700.6000,E,20.0,,200812,,,A")},
                   {"03tx", riff::GSensorRecord(0, 0, -64)}};
    return file.Bytes();
}

// Reads an output with Python's own parsers, which refuse XML that is not well-formed and JSON that is not
// valid UTF-8, and hands back what they read (for GPX: the track's name, its points' times and the
// elements inside their extensions, namespaces spelled out).
nlohmann::json ReadWithPython(const std::string& kind, const fs::path& path)
{
    static const char* const kScript = R"(
import json, sys
import xml.etree.ElementTree as ET
kind, path = sys.argv[1], sys.argv[2]
if kind == "json":
    with open(path, "rb") as f:
        read = json.loads(f.read().decode("utf-8"))
elif kind == "kml":
    kml = "{http://www.opengis.net/kml/2.2}"
    document = ET.parse(path).getroot().find(kml + "Document")
    placemark = document.find(kml + "Placemark")
    line = placemark.find(kml + "LineString/" + kml + "coordinates")
    read = {"name": document.find(kml + "name").text,
            "begin": placemark.find(kml + "TimeSpan/" + kml + "begin").text,
            "end": placemark.find(kml + "TimeSpan/" + kml + "end").text,
            "coordinates": line.text.split()}
else:
    gpx = "{http://www.topografix.com/GPX/1/1}"
    track = ET.parse(path).getroot().find(gpx + "trk")
    points = track.findall(gpx + "trkseg/" + gpx + "trkpt")
    read = {"name": track.find(gpx + "name").text,
            "times": [p.find(gpx + "time").text for p in points],
            "extensions": [[(e.tag, e.text) for e in p.find(gpx + "extensions").iter()][1:] for p in points]}
print(json.dumps(read))
)";
    const ProgramRun run = RunProgram({"python3", "-c", kScript, kind, path.string()});
    if (run.exitCode != 0) {
        ADD_FAILURE() << path << " does not parse as " << kind << ":\n" << run.err;
        return nullptr;
    }
    return nlohmann::json::parse(run.out);
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
    // Broken too, but marked: the repair never takes it, so it is not one that needs a repair but one that
    // cannot be read; and so is an empty file.
    WriteFileBytes(card / "REC_20120820_180000_SDEXIT.avi", riff::PowerCutRecording());
    WriteFileBytes(card / "EVENT" / "EVT_20120820_190000_F.avi", "");
    const auto before = Snapshot(card);

    const CliRun text = RunCli({"scan", card.string()}, dir);
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out, "   1  2012-08-20  15:00:00  Event     " + (card / "EVENT/EVT_20120820_150000_F.avi").string() +
                            "\n   2  2012-08-20  15:30:12  Always    " +
                            (card / "REC_20120820_153012_F.avi").string() + "\nneeds repair  " +
                            (card / "REC_20120820_160000_F.avi").string() + "\nunreadable    " +
                            (card / "REC_20120820_180000_SDEXIT.avi").string() +
                            "  (Damaged, and not of a kind the repair can mend.)\nunreadable    " +
                            (card / "EVENT/EVT_20120820_190000_F.avi").string() + "  (The file is empty.)\n");

    const CliRun json = RunCli({"scan", "--json", card.string()}, dir);
    EXPECT_EQ(json.exitCode, 0);
    const nlohmann::json listed = nlohmann::json::parse(json.out);
    EXPECT_EQ(listed["recordings"][1], nlohmann::json::parse(R"({"number":2,"date":"2012-08-20","time":"15:30:12",
        "type":2,"kind":"Always","path":")" + (card / "REC_20120820_153012_F.avi").string() + "\"}"))
        << json.out;
    EXPECT_EQ(listed["needsRepair"], nlohmann::json::array({(card / "REC_20120820_160000_F.avi").string()}));
    EXPECT_EQ(listed["unreadable"],
              nlohmann::json::array({{{"number", 3},
                                      {"path", (card / "REC_20120820_180000_SDEXIT.avi").string()},
                                      {"reason", "Damaged, and not of a kind the repair can mend."},
                                      {"error", 0}},
                                     {{"number", 4},
                                      {"path", (card / "EVENT/EVT_20120820_190000_F.avi").string()},
                                      {"reason", "The file is empty."},
                                      {"error", 0}}}))
        << json.out;
    EXPECT_TRUE(listed["messages"].empty());
    EXPECT_EQ(Snapshot(card), before);
}

TEST(Cli, InspectReportsWhatTheViewerReads)
{
    TempDir dir;
    WriteFileBytes(dir / "REC_20120820_153012_F.avi", Recording());
    const CliRun run = RunCli({"inspect", dir / "REC_20120820_153012_F.avi", "--json"}, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json read = nlohmann::json::parse(run.out);
    EXPECT_EQ(read["duration"], 60);
    EXPECT_EQ(read["channels"], 2);
    EXPECT_EQ(read["totalFrames"], 77);
    EXPECT_EQ(read["streams"], nlohmann::json::array({"00dc", "01dc", "02wb", "03tx"}));
    EXPECT_EQ(read["gpsSamples"], 3);
    EXPECT_EQ(read["gpsFixes"], 2);
    EXPECT_EQ(read["gSensorSamples"], 2);
    EXPECT_EQ(read["firstFix"]["time"], 81500);
    EXPECT_NEAR(read["firstFix"]["latitude"].get<double>(), 37.502, 1e-9);
    EXPECT_EQ(read["lastFix"]["time"], 81502);
    EXPECT_NEAR(read["lastFix"]["latitude"].get<double>(), 37.503, 1e-9);
    EXPECT_EQ(read["peakG"], 2.0);

    const CliRun text = RunCli({"inspect", dir / "REC_20120820_153012_F.avi"}, dir);
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("streams:       00dc 01dc 02wb 03tx\n"), std::string::npos) << text.out;
}

TEST(Cli, ExportsTheTrackAsGpxCsvAndKml)
{
    TempDir dir;
    WriteFileBytes(dir / "REC_20120820_081500_F.avi", Recording());
    const CliRun run = RunCli({"export", dir / "REC_20120820_081500_F.avi", "--gpx", dir / "t.gpx", "--csv", dir / "t.csv",
                               "--kml", dir / "t.kml"},
                           dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string gpx = ReadFileBytes(dir / "t.gpx");
    EXPECT_NE(gpx.find("<gpx version=\"1.1\""), std::string::npos);
    // 08:15:00 on the camera's UTC+9 clock of 2012-08-20 is 23:15:00 UTC of the day before.
    EXPECT_NE(gpx.find("<trkpt lat=\"37.5020000\" lon=\"127.0100000\"><time>2012-08-19T23:15:00Z</time>"),
              std::string::npos)
        << gpx;
    // The second without a fix is left out of both; the fixes after it keep their own seconds.
    const nlohmann::json read = ReadWithPython("gpx", dir / "t.gpx");
    EXPECT_EQ(read["times"], nlohmann::json::array({"2012-08-19T23:15:00Z", "2012-08-19T23:15:02Z"}));
    const std::string csv = ReadFileBytes(dir / "t.csv");
    EXPECT_EQ(csv, "kind,seconds,clock,latitude,longitude,speed_kmh,valid,x,y,z\n"
                   "gps,0,081500,37.5020000,127.0100000,18.520,1,,,\n"
                   "gps,2,081502,37.5030000,127.0100000,37.040,1,,,\n"
                   "gsensor,30.0000,,,,,,1.00000,0.00000,0.00000\n"
                   "gsensor,60.0000,,,,,,0.00000,0.00000,-2.00000\n");
    // KML: longitude first, the time the fixes span.
    const nlohmann::json kml = ReadWithPython("kml", dir / "t.kml");
    EXPECT_EQ(kml["name"], "REC_20120820_081500_F.avi");
    EXPECT_EQ(kml["coordinates"], nlohmann::json::array({"127.0100000,37.5020000,0", "127.0100000,37.5030000,0"}));
    EXPECT_EQ(kml["begin"], "2012-08-19T23:15:00Z");
    EXPECT_EQ(kml["end"], "2012-08-19T23:15:02Z");
}

// A file name is bytes: '&' and '<' are markup in XML, and a name copied from another system may not be
// UTF-8 at all. Every output still parses: bytes that are not UTF-8 become U+FFFD, and so do characters
// XML does not allow (JSON escapes them). The GPX speed lives in the track point extension's own namespace.
TEST(Cli, OutputsStayWellFormedWhateverTheFileName)
{
    TempDir dir;
    const std::string name = "REC_20120820_081500_F&<\xff\x01\xc3\xa9.avi";
    const std::string inXml = "REC_20120820_081500_F&<\xef\xbf\xbd\xef\xbf\xbd\xc3\xa9.avi";
    const std::string inJson = "REC_20120820_081500_F&<\xef\xbf\xbd\x01\xc3\xa9.avi";
    const fs::path card = dir.path() / "card";
    fs::create_directories(card);
    WriteFileBytes(card / name, Recording());
    WriteFileBytes(card / ("REC_20120820_090000_F&<\xfe.avi"), riff::PowerCutRecording());

    const CliRun exported = RunCli({"export", card / name, "--gpx", dir / "t.gpx", "--kml", dir / "t.kml"}, dir);
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const nlohmann::json gpx = ReadWithPython("gpx", dir / "t.gpx");
    EXPECT_EQ(gpx["name"], inXml);
    EXPECT_EQ(ReadWithPython("kml", dir / "t.kml")["name"], inXml);
    const std::string extension = "{http://www.garmin.com/xmlschemas/TrackPointExtension/v2}";
    EXPECT_EQ(gpx["extensions"][0],
              nlohmann::json::parse(R"([[")" + extension + R"(TrackPointExtension",null],[")" + extension +
                                    R"(speed","5.144"]])"));

    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"scan", "--json", card.string()}, {"inspect", "--json", card / name}}) {
        SCOPED_TRACE(command[0]);
        const CliRun run = RunCli(command, dir);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        WriteFileBytes(dir / "out.json", run.out);
        const nlohmann::json read = ReadWithPython("json", dir / "out.json");
        const nlohmann::json& path = command[0] == "scan" ? read["recordings"][0]["path"] : read["path"];
        EXPECT_EQ(path, (card / inJson).string());
        if (command[0] == "scan") {
            EXPECT_EQ(read["needsRepair"][0], (card / "REC_20120820_090000_F&<\xef\xbf\xbd.avi").string());
        }
    }
}

// The help names every command with its arguments and what it does, and the exit codes the other tests
// see; the manual page is made from it.
TEST(Cli, HelpAndVersion)
{
    TempDir dir;
    const CliRun help = RunCli({"--help"}, dir);
    EXPECT_EQ(help.exitCode, 0);
    for (const char* text : {"Usage: tessaro-cli COMMAND", "  scan PATH... [--json]\n",
                             "  export FILE --gpx OUT | --csv OUT | --kml OUT\n", "Exit status:\n", "  2  The command"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text << "\n" << help.out;
    const CliRun version = RunCli({"--version"}, dir);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("tessaro-cli Version ", 0), 0u) << version.out;
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
    // A folder without recordings says which folder.
    fs::create_directories(dir / "empty");
    const CliRun empty = RunCli({"scan", dir / "empty"}, dir);
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, "tessaro-cli: The folder " + std::string(dir / "empty") + " holds no recordings.\n");
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
    EXPECT_EQ(ReadFileBytes(dir / "broken.avi"), riff::PowerCutRecording());
}
