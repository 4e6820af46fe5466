// Journey 3, the camera's settings: the driver opens Settings with the card in the computer, changes three
// of the camera's values and sets its clock, and saves; the card's setup.cfg and time.cfg hold them. Opened
// again, the dialog shows the card's values (saving them unchanged writes the same file); Cancel after a
// change leaves the card alone.
//
// The dialog lists mounted volumes, so the program runs in a private mount namespace where the card folder
// is a mount point of its own (a bind mount), as a card reader's volume is.
#include "journeys/Journey.h"

#include <QTest>

#include <sstream>

namespace fs = std::filesystem;
using namespace journey;

namespace {

// The program in a mount namespace of its own, in which card is mounted over itself.
RealProgram::Setup OnMountedCard(const fs::path& folder, const fs::path& card, const QStringList& paths = {})
{
    RealProgram::Setup setup;
    setup.folder = folder;
    setup.arguments = QStringList{"--log", "--log-level", "5"} + paths;
    setup.wrapper = {"unshare", "--mount", "--propagation", "private", "sh", "-c",
                     "mount --bind \"$0\" \"$0\" && exec \"$@\"", QString::fromStdString(card.string())};
    return setup;
}

// "Key  : value" lines of a setup file, by key (spaces around the key trimmed).
std::map<std::string, std::string> SetupValues(const std::string& text)
{
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = line.substr(0, colon);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        std::string value = line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ')
            value.erase(value.begin());
        values[key] = value;
    }
    return values;
}

// Opens the settings dialog from the toolbar; its window.
std::string OpenSettings(RealProgram& program)
{
    const std::size_t mark = program.Log().size();
    program.Click(ToolbarButton(kSettings));
    EXPECT_NE(program.WaitForLog("Initialise", mark), std::string::npos);
    const std::string dialog = program.WaitForWindow("^Settings$");
    EXPECT_FALSE(dialog.empty()) << "the settings dialog should open";
    if (!dialog.empty())
        RealProgram::FocusWindow(dialog);
    return dialog;
}

void Tab(int times)
{
    for (int i = 0; i < times; ++i)
        RealProgram::Key("Tab");
}

// Tab stops from the drive list: "Other Folder..." (Format is disabled for a card on a fixed disk), the six
// camera lists, the two camera check boxes, the clock's check box, then year, month, day, hour, minute, second.
constexpr int kAccTriggerStop = 2;
constexpr int kApplyClockStop = 10;

TEST(Settings, ThreeValuesAndTheClockAreSavedShownAgainAndCancelChangesNothing)
{
    TempDir dir;
    const fs::path card = dir.path() / "card";
    ASSERT_EQ(RunSampleCard({"card", card.string(), "--recordings", "1"}).exitCode, 0);
    const std::string original = ReadFileBytes(card / "setup.cfg");
    const std::map<std::string, std::string> before = SetupValues(original);
    ASSERT_EQ(before.at("Acc Trigger Level"), "3");
    ASSERT_EQ(before.at("SPK Vol"), "3");
    ASSERT_EQ(before.at("Parking Mode Time"), "1");

    JourneyShots shots("3-camera-settings");
    RealProgram program(OnMountedCard(dir.path(), card));
    ASSERT_FALSE(program.MainWindow().empty()) << program.ErrorOutput();
    ASSERT_NE(program.WaitForLog("GPSMapControl"), std::string::npos);
    program.ParkMouse();

    std::string dialog = OpenSettings(program);
    ASSERT_FALSE(dialog.empty());
    QRect area = RealProgram::Geometry(dialog).united(QRect(0, 0, 1065, 758));
    shots.Take("settings-opens", area);
    // The card by its mount point, typed into the drive list (it searches as one types).
    std::size_t mark = program.Log().size();
    RealProgram::Type("(" + card.string());
    ASSERT_NE(program.WaitForLog("LoadDrive " + card.string(), mark), std::string::npos) << program.Log();
    shots.Take("card-chosen", area);
    // Acc trigger level, speaker volume and parking time one step further down their lists.
    Tab(kAccTriggerStop);
    RealProgram::Key("Down");
    Tab(3);
    RealProgram::Key("Down");
    Tab(1);
    RealProgram::Key("Down");
    // The clock: apply it, then 2025-07-14 09:41:05.
    Tab(kApplyClockStop - kAccTriggerStop - 4);  // from the parking time, four stops after the trigger level
    RealProgram::Key("space");
    for (const char* field : {"2025", "07", "14", "09", "41", "05"}) {
        Tab(1);
        RealProgram::Type(field);
        QTest::qWait(500);  // the list's type-ahead ends
    }
    shots.Take("values-and-clock-changed", area);
    mark = program.Log().size();
    RealProgram::Key("Return");  // Save, the default button
    ASSERT_TRUE(program.WaitForWindowGone(dialog)) << "Save should close the dialog";
    ASSERT_NE(program.WaitForLog("Video Option end", mark), std::string::npos);
    shots.Take("saved");

    const std::string saved = ReadFileBytes(card / "setup.cfg");
    std::map<std::string, std::string> after = SetupValues(saved);
    EXPECT_EQ(after["Acc Trigger Level"], "4") << saved;
    EXPECT_EQ(after["SPK Vol"], "4") << saved;
    EXPECT_EQ(after["Parking Mode Time"], "2") << saved;
    for (const auto& [key, value] : before) {
        if (key != "Acc Trigger Level" && key != "SPK Vol" && key != "Parking Mode Time") {
            EXPECT_EQ(after[key], value) << key;
        }
    }
    EXPECT_EQ(ReadFileBytes(card / "time.cfg"), "25/07/14\r\n09:41:05\r\n");
    EXPECT_EQ(FolderEntries(card), (std::vector<std::string>{"CL_BLACKBOX", "setup.cfg", "time.cfg"}));

    // Again: the card's values are shown; saved unchanged, the file is the same.
    dialog = OpenSettings(program);
    ASSERT_FALSE(dialog.empty());
    area = RealProgram::Geometry(dialog).united(QRect(0, 0, 1065, 758));
    shots.Take("reopened-shows-the-card", area);
    mark = program.Log().size();
    RealProgram::Key("Return");
    ASSERT_TRUE(program.WaitForWindowGone(dialog));
    ASSERT_NE(program.WaitForLog("Video Option end", mark), std::string::npos);
    EXPECT_EQ(ReadFileBytes(card / "setup.cfg"), saved) << "the dialog should have shown the saved values";
    EXPECT_EQ(ReadFileBytes(card / "time.cfg"), "25/07/14\r\n09:41:05\r\n");

    // Cancel after a change: nothing on the card changes.
    const std::map<std::string, FileStamp> stamps = StampTree(card);
    dialog = OpenSettings(program);
    ASSERT_FALSE(dialog.empty());
    Tab(kAccTriggerStop);
    RealProgram::Key("Down");
    shots.Take("changed-then-cancel", area);
    RealProgram::Key("Escape");
    ASSERT_TRUE(program.WaitForWindowGone(dialog)) << "Escape should cancel the dialog";
    EXPECT_TRUE(StampTree(card) == stamps) << "Cancel must leave the card as it was";
    shots.Take("cancelled");

    program.Focus();
    RealProgram::Key("alt+F4");
    EXPECT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitCode(), 0);
}

}  // namespace
