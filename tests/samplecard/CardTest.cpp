#include "SampleCardSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace {

const std::string kDefaultSetup =
    "Product Name            : BLACKBOX\r\n"
    "H/W Version             : QZ_V0.3\r\n"
    "S/W Version             : V0.2.8\r\n"
    "Acc Trigger Level       : 3\r\n"
    "REC Video Qulity        : 3\r\n"
    "REC Audio Enable        : 1\r\n"
    "SPK Vol                 : 3\r\n"
    "Video Channles          : 2\r\n"
    "Parking Mode Select     : 1\r\n"
    "Parking Mode Time       : 1\r\n"
    "Language                : 1\r\n";

}  // namespace

TEST(Card, HoldsTheCameraFoldersAMixOfKindsAndTheSpecialFiles)
{
    TempDir folder;
    const std::string card = folder / "card";
    const RunResult run = RunSampleCard({"card", card, "--recordings", "8", "--seconds", "2", "--seed", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    EXPECT_EQ(ReadFileBytes(card + "/setup.cfg"), kDefaultSetup);
    const JsonValue manifest = JsonValue::ParseFile(card + "/samplecard.json");
    const auto& files = manifest["files"].AsArray();
    ASSERT_EQ(files.size(), 8u + 4u);

    std::set<std::string> kinds;
    std::map<std::string, int> variants;
    std::string previousStart;
    std::set<std::string> onDisk;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(card))
        if (entry.path().extension() == ".avi")
            onDisk.insert(std::filesystem::relative(entry.path(), card).generic_string());

    for (const JsonValue& f : files) {
        const std::string path = f["path"].AsString();
        const std::string kind = f["kind"].AsString();
        const std::string variant = f["variant"].AsString();
        SCOPED_TRACE(path);
        kinds.insert(kind);
        ++variants[variant];
        EXPECT_EQ(onDisk.erase(path), 1u);
        const std::string folderName = kind == "EVT" || kind == "EVS" ? "MP4_EVENT" : "MP4_INFINITE";
        EXPECT_EQ(path.rfind("CL_BLACKBOX/" + folderName + "/" + kind + "_", 0), 0u);
        EXPECT_GT(f["start"].AsString(), previousStart) << "start times follow each other";
        previousStart = f["start"].AsString();

        const ParsedAvi avi = ParseAvi(card + "/" + path);
        const JsonValue truth = JsonValue::ParseFile(card + "/" + path + ".json");
        if (variant == "aborted") {
            EXPECT_LE(avi.bytes.size(), 30720u);
            EXPECT_FALSE(avi.hasIndex);
        } else if (variant == "power-cut") {
            EXPECT_FALSE(avi.hasIndex);
            EXPECT_EQ(avi.riffSize, 0u);
            EXPECT_TRUE(truth["powerCut"].AsBool());
        } else {
            EXPECT_TRUE(avi.hasIndex);
            EXPECT_EQ(avi.streams.size(), f["channels"].AsInt() + 2u);
            EXPECT_EQ(truth["kind"].AsString(), kind);
            EXPECT_EQ(truth["start"].AsString(), f["start"].AsString());
            EXPECT_EQ(path.find("SDEXIT") != std::string::npos, variant == "sdexit");
        }
    }
    EXPECT_TRUE(onDisk.empty()) << "every recording on the card is in the manifest";
    EXPECT_EQ(kinds, (std::set<std::string>{"REC", "EVT", "EVS", "PRK", "PAK", "MDI"}));
    EXPECT_EQ(variants["one-channel"], 1);
    EXPECT_EQ(variants["power-cut"], 1);
    EXPECT_EQ(variants["aborted"], 1);
    EXPECT_EQ(variants["sdexit"], 1);
}

TEST(Card, ConsecutiveDrivingRecordingsContinueOneDrive)
{
    TempDir folder;
    const std::string card = folder / "card";
    ASSERT_EQ(RunSampleCard({"card", card, "--recordings", "3", "--seconds", "2"}).exitCode, 0);
    const JsonValue first = JsonValue::ParseFile(card + "/CL_BLACKBOX/MP4_INFINITE/REC_20120820_153015_F.avi.json");
    const JsonValue second = JsonValue::ParseFile(card + "/CL_BLACKBOX/MP4_INFINITE/REC_20120820_153017_F.avi.json");
    // The second recording starts where the first left off: about a second's drive further on.
    const JsonValue& end = first["gps"][1];
    const JsonValue& start = second["gps"][0];
    EXPECT_EQ(start["time"].AsInt(), end["time"].AsInt() + 1);
    EXPECT_NEAR(start["latitude"].AsNumber(), end["latitude"].AsNumber(), 0.001);
    EXPECT_NEAR(start["longitude"].AsNumber(), end["longitude"].AsNumber(), 0.001);
    EXPECT_NEAR(start["speed"].AsNumber(), end["speed"].AsNumber(), 15.0);
}

TEST(Card, RefusesAFolderThatAlreadyHoldsFiles)
{
    TempDir folder;
    WriteFileBytes(folder / "notes.txt", "mine");
    const RunResult run = RunSampleCard({"card", folder.path().string(), "--recordings", "1", "--seconds", "1"});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_EQ(ReadFileBytes(folder / "notes.txt"), "mine");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}
