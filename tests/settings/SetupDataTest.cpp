#include "settings/CQZSetupData.h"

#include "FileSizeLimit.h"
#include "support/DefaultSetupFile.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

// The key padded to its 24 characters, then the separator.
std::string Line(const std::string& key, const std::string& value)
{
    return key + std::string(24 - key.size(), ' ') + ": " + value + "\r\n";
}

// Valid values that differ from both the defaults and the fallbacks, so a changed field shows.
void SetStartValues(CQZSetupData& data)
{
    data.SetAccTriggerLevel(5);
    data.SetRecVideoQuality(2);
    data.SetRecAudioEnable(0);
    data.SetSpeakerVolume(5);
    data.SetVideoChannels(2);
    data.SetParkingModeSelect(0);
    data.SetParkingModeTime(2);
    data.SetLanguage(0);
}

class SetupDataTest : public ::testing::Test {
protected:
    SetupDataTest() { data.SetFolder(dir.path().string()); }
    std::string SetupPath() const { return dir / "setup.cfg"; }

    TempDir dir;
    RecordingReporter reporter;
    CQZSetupData data;
};

TEST_F(SetupDataTest, DefaultsAreWrittenByteForByteAndReadBackUnchanged)
{
    EXPECT_EQ(data.GetProductName(), "BLACKBOX");
    EXPECT_TRUE(data.Save());
    EXPECT_EQ(ReadFileBytes(SetupPath()), kDefaultSetupFile);

    SetStartValues(data);
    data.Load();
    CQZSetupData defaults;
    EXPECT_EQ(data.BuildText(), defaults.BuildText());
    EXPECT_TRUE(reporter.messages.empty());
}

// A save killed half-way left its staging file beside the setup files; reading the card's settings again
// takes it away.
TEST_F(SetupDataTest, LoadingClearsAStagingFileLeftByAKilledSave)
{
    const fs::path stale = dir.path() / ".time.cfg.3c4d5e6f.part";
    WriteFileBytes(stale, "half");
    data.Load();
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{});
}

TEST_F(SetupDataTest, ReadsEachLineByTheFilesRules)
{
    struct Case {
        const char* what;
        std::string file;
        std::function<void(CQZSetupData&)> expect;  // applied to the start values
    };
    const Case cases[] = {
        {"in range", Line("Acc Trigger Level", "0") + Line("Video Channles", "1"),
         [](CQZSetupData& d) { d.SetAccTriggerLevel(0), d.SetVideoChannels(1); }},
        {"out of range takes the fallback", Line("Acc Trigger Level", "7") + Line("REC Video Qulity", "0"),
         [](CQZSetupData& d) { d.SetAccTriggerLevel(3), d.SetRecVideoQuality(3); }},
        {"too large for an int takes the fallback", Line("SPK Vol", "99999999999999999999"),
         [](CQZSetupData& d) { d.SetSpeakerVolume(3); }},
        {"leading zeros", Line("Parking Mode Time", "0001"), [](CQZSetupData& d) { d.SetParkingModeTime(1); }},
        {"sign, trailing space, letter or nothing leave the field",
         Line("SPK Vol", "-2") + Line("SPK Vol", "4 ") + Line("Language", "1a") + Line("Acc Trigger Level", ""),
         [](CQZSetupData&) {}},
        {"a key not padded to 24 characters is no key", "SPK Vol: 4\r\nLanguage: 1\r\n", [](CQZSetupData&) {}},
        {"keys are case-sensitive", Line("language", "1"), [](CQZSetupData&) {}},
        {"characters 24 and 25 are not looked at", "SPK Vol                 xx4\r\n",
         [](CQZSetupData& d) { d.SetSpeakerVolume(4); }},
        {"the last occurrence wins", Line("Parking Mode Time", "0") + Line("Parking Mode Time", "1"),
         [](CQZSetupData& d) { d.SetParkingModeTime(1); }},
        {"a caret splits a line in two", "Language                : 1^SPK Vol                 : 4\r\n",
         [](CQZSetupData& d) { d.SetLanguage(1), d.SetSpeakerVolume(4); }},
        {"blank lines only", "\r\n\r\n\n", [](CQZSetupData&) {}},
        {"empty file", "", [](CQZSetupData&) {}},
        {"unknown keys are ignored", Line("Brightness", "3") + "garbage\r\n", [](CQZSetupData&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(SetupPath(), c.file);
        CQZSetupData loaded, expected;
        loaded.SetFolder(dir.path().string());
        SetStartValues(loaded);
        SetStartValues(expected);
        c.expect(expected);
        EXPECT_TRUE(loaded.Load());
        EXPECT_EQ(loaded.BuildText(), expected.BuildText());
    }
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(SetupDataTest, StringKeysTakeTheirValueAsItIs)
{
    WriteFileBytes(SetupPath(), Line("Product Name", "12345") + Line("S/W Version", "V1 (beta)") +
                                    "H/W Version             \r\n");
    data.Load();
    EXPECT_EQ(data.GetProductName(), "12345");
    EXPECT_EQ(data.GetSwVersion(), "V1 (beta)");
    EXPECT_EQ(data.GetHwVersion(), "");

    WriteFileBytes(SetupPath(), "Product Name            :\r\n");
    data.Load();
    EXPECT_EQ(data.GetProductName(), "");
}

TEST_F(SetupDataTest, BareLineFeedsReadLikeCrLf)
{
    const std::string file = kDefaultSetupFile + Line("Acc Trigger Level", "0") + Line("REC Audio Enable", "0");
    std::string bare = file;
    std::erase(bare, '\r');
    WriteFileBytes(SetupPath(), file);
    SetStartValues(data);
    data.Load();
    const std::string fromCrLf = data.BuildText();

    WriteFileBytes(SetupPath(), bare);
    SetStartValues(data);
    data.Load();
    EXPECT_EQ(data.BuildText(), fromCrLf);
    EXPECT_EQ(data.GetAccTriggerLevel(), 0);
    EXPECT_EQ(data.GetRecAudioEnable(), 0);
    EXPECT_EQ(data.GetLanguage(), 1);
    EXPECT_EQ(ReadTextFile(SetupPath()).substr(0, 35), "Product Name            : BLACKBOX^");
}

TEST_F(SetupDataTest, MissingFileIsSilentAndAnUnreadableOneIsReportedOnce)
{
    SetStartValues(data);
    const std::string before = data.BuildText();
    data.Load();
    EXPECT_TRUE(reporter.messages.empty());

    fs::create_directory(SetupPath());  // exists, but cannot be read as a file, whoever runs the test
    EXPECT_TRUE(data.Load());
    EXPECT_EQ(data.BuildText(), before);
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_NE(reporter.messages[0].text.find(SetupPath()), std::string::npos);
}

TEST_F(SetupDataTest, ReadTextFileJoinsLinesWithCarets)
{
    WriteFileBytes(SetupPath(), "a\r\nb\n\nc\rd");
    EXPECT_EQ(ReadTextFile(SetupPath()), "a^b^^c\rd^");
    EXPECT_EQ(ReadTextFile(dir / "absent.cfg"), "");
}

TEST_F(SetupDataTest, TimeFileFixesTheClockOnFirstUse)
{
    std::tm fields{};
    fields.tm_year = 2012 - 1900;
    fields.tm_mon = 7;
    fields.tm_mday = 20;
    fields.tm_hour = 7;
    fields.tm_min = 9;
    fields.tm_sec = 37;
    fields.tm_isdst = -1;
    std::time_t now = std::mktime(&fields);
    data.clock = [&now] { return now; };

    EXPECT_EQ(data.BuildTimeText(), "12/08/20\n07:09:37\n");
    now += 86400 + 61;
    EXPECT_EQ(data.BuildTimeText(), "12/08/20\n07:09:37\n") << "fixed at the first call";
    EXPECT_TRUE(WriteTextFile("time.cfg", data.GetFolder(), data.BuildTimeText()).Ok());
    EXPECT_EQ(ReadFileBytes(dir / "time.cfg"), "12/08/20\r\n07:09:37\r\n");

    // Emptied texts mean "now" again; a set text is used as it is.
    data.SetDateText("");
    data.SetTimeText("23:59:58");
    EXPECT_EQ(data.BuildTimeText(), "12/08/21\n23:59:58\n");
    data.ResetToDefaults();
    EXPECT_EQ(data.GetTimeText(), "07:10:38");
}

TEST(SetupDataFolder, TheFolderOfADriveItem)
{
    struct Case {
        std::string item, folder;
    };
    const Case cases[] = {
        {"CARD(/media/driver/CARD)", "/media/driver/CARD"},
        {"NO NAME(/media/driver/NO NAME)", "/media/driver/NO NAME"},
        {"CARD(1)(/media/driver/CARD(1))", "/media/driver/CARD(1)"},
        {"(/)", "/"},
        {"OLD(E:\\)", "E:\\"},
        {"CARD(/media/driver/CARD", "/media/driver/CARD"},
        {"/media/driver/CARD", "/me"},
        {"", ""},
    };
    for (const Case& c : cases) {
        CQZSetupData data;
        data.SetFolderFromItem(c.item);
        EXPECT_EQ(data.GetFolder(), c.folder) << c.item;
    }
}

TEST_F(SetupDataTest, WriteCreatesAMissingFolderAndReplacesTheOldFile)
{
    const fs::path card = dir.path() / "card";
    data.SetFolder(card.string());
    EXPECT_TRUE(data.Save());
    EXPECT_EQ(ReadFileBytes(card / "setup.cfg"), kDefaultSetupFile);

    data.SetLanguage(0);
    EXPECT_TRUE(data.Save());
    std::string expected = kDefaultSetupFile;
    expected.replace(expected.rfind("1\r\n"), 1, "0");
    EXPECT_EQ(ReadFileBytes(card / "setup.cfg"), expected);
    EXPECT_EQ(FolderEntries(card), std::vector<std::string>{"setup.cfg"});
    EXPECT_TRUE(reporter.messages.empty());

    // Only one level is created.
    EXPECT_FALSE(WriteTextFile("setup.cfg", (dir.path() / "a" / "b").string(), "x\n").Ok());
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(SetupDataTest, AFailedWriteLeavesTheCardsFileWhole)
{
    const std::string old = Line("Language", "0");
    WriteFileBytes(SetupPath(), old);
    {
        FileSizeLimit limit(old.size());  // the new text is longer
        EXPECT_FALSE(WriteTextFile("setup.cfg", data.GetFolder(), data.BuildText()).Ok());
        EXPECT_TRUE(data.Save()) << "a write that fails without harm stays silent";
    }
    EXPECT_EQ(ReadFileBytes(SetupPath()), old);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"setup.cfg"}) << "no temporary file left";
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(SetupDataTest, AFileThatCannotBeReplacedIsReportedAndStays)
{
    fs::create_directory(SetupPath());
    WriteFileBytes(fs::path(SetupPath()) / "inside", "kept");
    EXPECT_FALSE(data.Save()) << "the caller abandons the rest of its command";
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].stringId, 0);
    EXPECT_NE(reporter.messages[0].text.find(SetupPath()), std::string::npos);
    EXPECT_EQ(ReadFileBytes(fs::path(SetupPath()) / "inside"), "kept");
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"setup.cfg"});

    const Result again = WriteTextFile("setup.cfg", data.GetFolder(), "x\n");
    EXPECT_FALSE(again.Ok());
    EXPECT_NE(again.Error(), 0) << again.Describe();
    EXPECT_EQ(reporter.messages.size(), 2u);
}

}  // namespace
