// The real program under the test display, driven from outside with xdotool as a user drives it: a card
// on the command line, the log on, keys pressed into its window, a second card through the open dialog,
// Next from the context menu, Alt+F4. What it leaves behind (its options file, its log) and the
// screenshots of the whole window (English and Korean) are checked.
#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

constexpr int kWaitMs = 30000;

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The day's log file of the program in folder, whole.
std::string LogText(const std::filesystem::path& folder)
{
    std::string text;
    if (std::filesystem::is_directory(folder / "LOG"))
        for (const auto& entry : std::filesystem::directory_iterator(folder / "LOG"))
            text += ReadAll(entry.path());
    return text;
}

class Program {
public:
    Program(const TempDir& dir, const QStringList& arguments)
    {
        std::filesystem::create_directories(dir.path() / "home");
        std::filesystem::create_directories(dir.path() / "documents");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", QString::fromStdString((dir.path() / "home").string()));
        environment.insert("XDG_DOCUMENTS_DIR", QString::fromStdString((dir.path() / "documents").string()));
        environment.insert("TESSARO_VLC_OPTIONS", "--gl=none --gles2=none");
        // The map stays offline: nothing leaves the machine.
        environment.insert("TESSARO_CONNECTIVITY_URL", "http://127.0.0.1:9/");
        environment.insert("TESSARO_MAP_TILES", "http://127.0.0.1:9/{z}/{x}/{y}.png");
        m_process.setProcessEnvironment(environment);
        m_process.setWorkingDirectory(QString::fromStdString(dir.path().string()));
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(TESSARO_VIEWER, arguments);
    }
    ~Program()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    QProcess& Process() { return m_process; }
    // Waits for the program to end, keeping the test's events going.
    bool WaitForEnd()
    {
        return QTest::qWaitFor([&] { return m_process.state() == QProcess::NotRunning; }, kWaitMs);
    }

private:
    QProcess m_process;
};

bool WaitForLog(const std::filesystem::path& folder, const std::string& text)
{
    return QTest::qWaitFor([&] { return LogText(folder).find(text) != std::string::npos; }, kWaitMs);
}

// xdotool with the window found by its title.
ProgramRun Xdotool(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProgram(argv);
}

void FocusWindow()
{
    const ProgramRun found = Xdotool({"search", "--sync", "--name", "^TessaroViewer$"});
    ASSERT_EQ(found.exitCode, 0) << found.err;
    const std::string id = found.out.substr(0, found.out.find('\n'));
    ASSERT_EQ(Xdotool({"windowfocus", "--sync", id}).exitCode, 0);
}

void Key(const std::string& key)
{
    ASSERT_EQ(Xdotool({"key", key}).exitCode, 0);
    QTest::qWait(400);
}

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
    Program program(dir, {"--log", "--log-level", "5", QString::fromStdString((dir.path() / "card").string())});
    ASSERT_TRUE(WaitForLog(dir.path(), "VIDEO_PREVIOUS NEW_VIDEO_PLAY VIDEO_NEXT Msg"));
    QTest::qWait(2000);
    FocusWindow();
    RunProgram({"import", "-window", "root", "-crop", "1065x758+0+0", TESSARO_BUILD_DIR "/mainwindow-en.png"});

    for (const char* key : {"space", "Next", "alt+Return", "Escape", "m"})
        Key(key);

    // A second card through the open dialog: its path typed and Enter go into the folder, Enter with
    // nothing selected opens the folder shown.
    ASSERT_EQ(RunSampleCard({"card", (dir.path() / "second card").string()}).exitCode, 0);
    Key("ctrl+o");
    ASSERT_TRUE(WaitForLog(dir.path(), "Video Open Button Click"));
    QTest::qWait(1000);
    ASSERT_EQ(Xdotool({"type", "--delay", "10", (dir.path() / "second card").string()}).exitCode, 0);
    Key("Return");
    Key("Return");
    QTest::qWait(3000);
    FocusWindow();
    // Right-click on the window's own band, then the menu's Next.
    ASSERT_EQ(Xdotool({"mousemove", "600", "22", "click", "3"}).exitCode, 0);
    QTest::qWait(500);
    for (const char* key : {"Down", "Down", "Down", "Down", "Return"})
        Key(key);
    QTest::qWait(1000);
    Key("alt+F4");
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.Process().exitCode(), 0);

    const std::string options = ReadAll(dir.path() / "option.ini");
    EXPECT_EQ(std::count(options.begin(), options.end(), '\n'), 10);
    EXPECT_EQ(std::count(options.begin(), options.end(), '\r'), 10);
    EXPECT_NE(options.find("USE_LOG=TRUE\r\n"), std::string::npos) << options;
    EXPECT_NE(options.find("SAVE_DIRECTORY=" + (dir.path() / "documents").string() + "\r\n"), std::string::npos)
        << options;

    const std::string log = LogText(dir.path());
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
}

// An engine library lacking an entry point (the playback suite's stand-in, found first on the library
// path): the program says so in a box and on stderr, opens no main window, and exits with 1.
TEST(Program, AnIncompleteEngineIsToldAndEndsTheProgramWithOne)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "lib");
    std::filesystem::create_symlink(VLC_STANDIN_WITHOUT_NEW, dir.path() / "lib" / "libvlc.so.5");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_LIBRARY_PATH", QString::fromStdString((dir.path() / "lib").string()));
    environment.insert("HOME", QString::fromStdString(dir.path().string()));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    process.start(TESSARO_VIEWER, {"--log"});
    ASSERT_TRUE(process.waitForStarted(kWaitMs));
    const ProgramRun box =
        Xdotool({"search", "--sync", "--onlyvisible", "--pid", std::to_string(process.processId())});
    ASSERT_EQ(box.exitCode, 0) << box.err;
    const std::string id = box.out.substr(0, box.out.find('\n'));
    QTest::qWait(500);
    RunProgram({"import", "-window", id, TESSARO_BUILD_DIR "/mainwindow-no-engine.png"});
    ASSERT_EQ(Xdotool({"windowfocus", "--sync", id}).exitCode, 0);
    Key("Return");
    ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, kWaitMs));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_NE(process.readAllStandardError().toStdString().find("Vlc Function is not imported."), std::string::npos);
    // No main window was made: nothing logged its start.
    EXPECT_EQ(LogText(dir.path()).find("CorvellDlg Init"), std::string::npos);
}

TEST(Program, KoreanWindowScreenshot)
{
    TempDir dir;
    ASSERT_EQ(RunSampleCard({"card", (dir.path() / "card").string()}).exitCode, 0);
    Program program(dir, {"--lang", "ko", "--log", QString::fromStdString((dir.path() / "card").string())});
    ASSERT_TRUE(WaitForLog(dir.path(), "Drop Files end"));
    QTest::qWait(3000);
    RunProgram({"import", "-window", "root", "-crop", "1065x758+0+0", TESSARO_BUILD_DIR "/mainwindow-ko.png"});
    program.Process().terminate();  // SIGTERM closes it like its close button
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitCode(), 0);
    EXPECT_NE(LogText(dir.path()).find("Log End"), std::string::npos);
}

}  // namespace

namespace {

// Installed under a prefix and started from an empty folder, the program finds its skin and map page in
// the prefix's data folder; the desktop entry is valid.
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
    TempDir run;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TESSARO_VLC_OPTIONS", "--gl=none --gles2=none");
    environment.insert("TESSARO_CONNECTIVITY_URL", "http://127.0.0.1:9/");
    environment.insert("HOME", QString::fromStdString(run.path().string()));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString((dir.path() / "empty").string()));
    process.start(QString::fromStdString(prefix + "/bin/tessaro-viewer"), {"--log"});
    const std::filesystem::path folder = dir.path() / "empty";
    ASSERT_TRUE(WaitForLog(folder, "GPSMapControl Create"));
    QTest::qWait(3000);
    process.terminate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, kWaitMs));
    EXPECT_EQ(process.exitCode(), 0);
    const std::string log = LogText(folder);
    EXPECT_EQ(log.find("Load fail"), std::string::npos);
    EXPECT_EQ(log.find("map page missing"), std::string::npos);
    EXPECT_NE(log.find("Log End"), std::string::npos);
}

}  // namespace
