// The real program under the test display, driven from outside with xdotool as a user drives it: a card
// on the command line, the log on, keys pressed into its window, a second card through the open dialog,
// Next from the context menu, Alt+F4. What it leaves behind (its options file, its log) and the
// screenshots of the whole window (English and Korean) are checked.
#include "support/SampleCard.h"
#include "support/TempDir.h"
#include "support/qt/RealProgram.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace {

// Positions of the texts in the log, -1 for a missing one.
std::vector<std::size_t> Positions(const std::string& log, const std::vector<std::string>& texts)
{
    std::vector<std::size_t> found;
    for (const std::string& text : texts)
        found.push_back(log.find(text));
    return found;
}

TEST(Program, ACardFromTheCommandLinePlaysKeysWorkAndAltF4EndsIt)
{
    TempDir dir;
    ASSERT_EQ(RunSampleCard({"card", (dir.path() / "card").string()}).exitCode, 0);
    RealProgram program(dir.path(), {QString::fromStdString((dir.path() / "card").string())});
    ASSERT_NE(program.WaitForLog("VIDEO_PREVIOUS NEW_VIDEO_PLAY VIDEO_NEXT Msg"), std::string::npos);
    QTest::qWait(2000);
    program.Focus();
    RunProgram({"import", "-window", "root", "-crop", "1065x758+0+0", TESSARO_BUILD_DIR "/mainwindow-en.png"});

    for (const char* key : {"space", "Next", "alt+Return", "Escape", "m"})
        RealProgram::Key(key);

    // A second card through the open dialog: its path typed and Enter go into the folder, Enter with
    // nothing selected opens the folder shown.
    ASSERT_EQ(RunSampleCard({"card", (dir.path() / "second card").string()}).exitCode, 0);
    RealProgram::Key("ctrl+o");
    ASSERT_NE(program.WaitForLog("Video Open Button Click"), std::string::npos);
    QTest::qWait(1000);
    RealProgram::Type((dir.path() / "second card").string());
    RealProgram::Key("Return");
    RealProgram::Key("Return");
    QTest::qWait(3000);
    program.Focus();
    // Right-click on the window's own band, then the menu's Next.
    program.Click({600, 22}, 3);
    for (const char* key : {"Down", "Down", "Down", "Down", "Return"})
        RealProgram::Key(key);
    QTest::qWait(1000);
    RealProgram::Key("alt+F4");
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.Process().exitCode(), 0);

    const std::string options = ReadFileBytes(dir.path() / "option.ini");
    EXPECT_EQ(std::count(options.begin(), options.end(), '\n'), 10);
    EXPECT_EQ(std::count(options.begin(), options.end(), '\r'), 10);
    EXPECT_NE(options.find("USE_LOG=TRUE\r\n"), std::string::npos) << options;
    EXPECT_NE(options.find("SAVE_DIRECTORY=" + (dir.path() / "documents").string() + "\r\n"), std::string::npos)
        << options;

    const std::string log = program.Log();
    std::ofstream(TESSARO_BUILD_DIR "/mainwindow-program.log", std::ios::binary) << log;
    const std::vector<std::size_t> at =
        Positions(log, {"Log Start!", "CorvellDlg Init", "Drop Files start", "Drop Files end",
                        "Video Maximize Button Click", "Video Maximize end", "Video Minimize Button Click",
                        "Video Minimize end", "Log End"});
    for (std::size_t i = 0; i < at.size(); ++i) {
        EXPECT_NE(at[i], std::string::npos) << i;
        if (i > 0) {
            EXPECT_LT(at[i - 1], at[i]) << i;
        }
    }
    // The open dialog played the second card; the menu's Next went to its next recording.
    const std::string secondCard = "Load metadata: " + (dir.path() / "second card").string();
    const std::size_t opened = log.find("Video Open Button Click");
    ASSERT_NE(opened, std::string::npos);
    const std::size_t firstOfSecond = log.find(secondCard, opened);
    ASSERT_NE(firstOfSecond, std::string::npos) << "the second card did not play";
    const std::size_t next = log.find("[OnBnClickedNextBtn]\tClick", firstOfSecond);
    ASSERT_NE(next, std::string::npos) << "the menu's Next did not arrive";
    EXPECT_NE(log.find(secondCard, next), std::string::npos);
    // Space paused, Page Down went to the next recording, M muted.
    EXPECT_NE(log.find("VIDEO_PAUSE"), std::string::npos);

    // The engine's own messages (its audio output, its video converters) are in the log, not on the
    // terminal: the terminal holds no engine line and no warning about an option it does not know.
    const std::string terminal = program.ErrorOutput();
    EXPECT_FALSE(std::regex_search(terminal, std::regex(R"(\[[0-9a-f]{8,16}\] )"))) << terminal;
    EXPECT_EQ(terminal.find("no longer exists"), std::string::npos) << terminal;
    EXPECT_NE(log.find("[libvlc]\t[log]\t"), std::string::npos);
}

// An engine library lacking an entry point (the playback suite's stand-in, found first on the library
// path): the program says so in a box and on stderr, opens no main window, and exits with 1.
TEST(Program, AnIncompleteEngineIsToldAndEndsTheProgramWithOne)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "lib");
    std::filesystem::create_symlink(VLC_STANDIN_WITHOUT_NEW, dir.path() / "lib" / "libvlc.so.5");
    RealProgram program(
        {dir.path(), {"--log"}, {}, {{"LD_LIBRARY_PATH", QString::fromStdString((dir.path() / "lib").string())}}});
    // Qt names a window without a title after the program.
    const std::string box = program.WaitForWindow("^tessaro-viewer$");
    ASSERT_FALSE(box.empty());
    RunProgram({"import", "-window", box, TESSARO_BUILD_DIR "/mainwindow-no-engine.png"});
    RealProgram::FocusWindow(box);
    RealProgram::Key("Return");
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.Process().exitCode(), 1);
    EXPECT_NE(program.ErrorOutput().find("Vlc Function is not imported."), std::string::npos);
    // No main window was made: nothing logged its start.
    EXPECT_EQ(program.Log().find("CorvellDlg Init"), std::string::npos);
}

// Help and version are for a terminal, where there may be no display at all: they print and end with 0.
TEST(Program, HelpAndVersionNeedNoDisplay)
{
    const struct {
        const char* argument;
        const char* printed;
    } cases[] = {{"--version", "tessaro-viewer Version "}, {"-v", "tessaro-viewer Version "},
                 {"--help", "--lang <ko|en>"}, {"-h", "[PATH...]"}, {"--help", "Exit status:\n"}};
    for (const auto& c : cases) {
        const ProgramRun run = RunProgram(
            {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", TESSARO_VIEWER, c.argument});
        EXPECT_EQ(run.exitCode, 0) << c.argument << run.err;
        EXPECT_NE(run.out.find(c.printed), std::string::npos) << c.argument << run.out;
    }
}

TEST(Program, KoreanWindowScreenshot)
{
    TempDir dir;
    ASSERT_EQ(RunSampleCard({"card", (dir.path() / "card").string()}).exitCode, 0);
    RealProgram program(dir.path(), {QString::fromStdString((dir.path() / "card").string())}, {"--lang", "ko"});
    ASSERT_NE(program.WaitForLog("Drop Files end"), std::string::npos);
    QTest::qWait(3000);
    RunProgram({"import", "-window", "root", "-crop", "1065x758+0+0", TESSARO_BUILD_DIR "/mainwindow-ko.png"});
    program.Process().terminate();  // SIGTERM closes it like its close button
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitCode(), 0);
    EXPECT_NE(program.Log().find("Log End"), std::string::npos);
}

}  // namespace

namespace {

// Installed under a prefix and started from an empty folder, the program finds its skin and map page in
// the prefix's data folder and its map browser in the prefix's library folder; the desktop entry is valid.
TEST(Program, InstalledItFindsItsSkinAndMapPage)
{
    TempDir dir;
    const std::string prefix = (dir.path() / "prefix").string();
    const ProgramRun install = RunProgram({"cmake", "--install", TESSARO_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.exitCode, 0) << install.err;
    for (const char* file : {"bin/tessaro-viewer", "bin/tessaro-cli", "bin/tessaro-viewer-launch",
                             "share/tessaro-viewer/CorvellResource.rcc", "share/tessaro-viewer/map.htm",
                             "share/applications/tessaro-viewer.desktop",
                             "share/icons/hicolor/scalable/apps/tessaro-viewer.svg"})
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(prefix) / file)) << file;
    const ProgramRun valid =
        RunProgram({"desktop-file-validate", prefix + "/share/applications/tessaro-viewer.desktop"});
    EXPECT_EQ(valid.exitCode, 0) << valid.out << valid.err;

    std::filesystem::create_directories(dir.path() / "empty");
    RealProgram program(
        {dir.path() / "empty", {"--log"}, {}, {}, QString::fromStdString(prefix + "/bin/tessaro-viewer")});
    ASSERT_NE(program.WaitForLog("GPSMapControl Create"), std::string::npos);
    QTest::qWait(3000);
    program.Process().terminate();
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitCode(), 0);
    const std::string log = program.Log();
    EXPECT_EQ(log.find("Load fail"), std::string::npos);
    EXPECT_EQ(log.find("map page missing"), std::string::npos);
    EXPECT_NE(log.find("map browser: " + prefix + "/lib"), std::string::npos) << log;
    EXPECT_NE(log.find("Log End"), std::string::npos);
}

// A damaged installation: the map's browser module is not a library. The program plays on with a blank
// map, says why in its log and on standard error, and ends normally.
TEST(Program, ADamagedMapModuleLeavesTheMapBlankAndTheProgramWorking)
{
    TempDir dir;
    const std::string prefix = (dir.path() / "prefix").string();
    const ProgramRun install = RunProgram({"cmake", "--install", TESSARO_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.exitCode, 0) << install.err;
    std::filesystem::path module;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(prefix))
        if (entry.path().filename() == "libtessaro-mapbrowser.so")
            module = entry.path();
    ASSERT_FALSE(module.empty());
    std::ofstream(module, std::ios::trunc) << "not a library";

    const std::filesystem::path card = dir.path() / "card";
    ASSERT_EQ(RunSampleCard({"card", card.string()}).exitCode, 0);
    std::filesystem::create_directories(dir.path() / "run");
    RealProgram program({dir.path() / "run", {"--log", QString::fromStdString(card.string())}, {}, {},
                         QString::fromStdString(prefix + "/bin/tessaro-viewer")});
    // The browser is made once the first recording plays.
    ASSERT_NE(program.WaitForLog("map browser module unusable"), std::string::npos) << program.Log();
    EXPECT_NE(program.Log().find("Drop Files end"), std::string::npos);
    program.Process().terminate();
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitCode(), 0);
    EXPECT_NE(program.ErrorOutput().find("tessaro-viewer: map browser module unusable"), std::string::npos);
    EXPECT_NE(program.Log().find("Log End"), std::string::npos);
}

}  // namespace
