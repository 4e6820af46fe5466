// Journey 5, a bad card: a folder of ordinary AVI files (made with ffmpeg, one under a camera's name),
// recordings with flipped bytes, an empty file and one the user may not read, given on the command line
// with a path that is not there; then an empty folder and one the user may not read, typed into the Open
// dialog; then a card that is deleted while one of its recordings plays. Every message is a box over the
// main window that says what happened (each photographed and answered with Return), the files that cannot
// be read are listed as such, the program never falls over, no file that is not a power-cut recording is
// touched (bytes and times), and afterwards the program still opens another card and plays it.
//
// The program runs without the capabilities that let root read any file, so that a file without read
// permission is one for it too.
#include "journeys/Journey.h"

#include <QTest>

#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace journey;

namespace {

RealProgram::Setup AsAUser(const fs::path& folder, const QStringList& paths)
{
    RealProgram::Setup setup;
    setup.folder = folder;
    setup.arguments = QStringList{"--log", "--log-level", "5"} + paths;
    setup.wrapper = {"setpriv", "--bounding-set=-dac_override,-dac_read_search"};
    return setup;
}

void MakePlainAvi(const fs::path& path, const std::string& source)
{
    const ProgramRun made = RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", source, "-c:v",
                                 "mpeg4", "-t", "3", path.string()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
}

void FlipBytes(const fs::path& path, std::size_t from, std::size_t count)
{
    std::string bytes = ReadFileBytes(path);
    ASSERT_LT(from + count, bytes.size());
    for (std::size_t i = from; i < from + count; ++i)
        bytes[i] = static_cast<char>(~bytes[i]);
    WriteFileBytes(path, bytes);
}

// Answers every box that comes while the program works through something; their titles.
std::vector<std::string> AnswerBoxes(RealProgram& program, JourneyShots& shots, const std::string& step,
                                     int firstTimeoutMs)
{
    std::vector<std::string> titles;
    for (int timeout = firstTimeoutMs;; timeout = 5000) {
        const std::string title = AnswerBox(program, shots, step + "-" + std::to_string(titles.size() + 1), "Return",
                                            timeout);
        if (title.empty())
            return titles;
        titles.push_back(title);
        if (titles.size() > 20) {
            ADD_FAILURE() << "boxes without end";
            return titles;
        }
    }
}

// Opens a folder through the Open dialog with the keyboard alone, as a user does: its absolute path typed,
// Return to go there, Return again to open the folder shown.
void OpenFolder(RealProgram& program, JourneyShots& shots, const fs::path& folder, const std::string& step)
{
    program.Focus();
    RealProgram::Key("ctrl+o");
    const std::string dialog = NextWindow(program);
    ASSERT_FALSE(dialog.empty()) << "the Open dialog should come";
    RealProgram::FocusWindow(dialog);
    RealProgram::Key("ctrl+a");
    RealProgram::Type(folder.string());
    QTest::qWait(300);
    RealProgram::Key("Return");
    QTest::qWait(800);
    shots.Take(step + "-there", WithMainWindow(dialog));
    ASSERT_TRUE(program.IsRunning());
    ASSERT_FALSE(program.WaitForWindowGone(dialog, 1000)) << "the first Return goes into the folder";
    RealProgram::FocusWindow(dialog);
    RealProgram::Key("Return");
    ASSERT_TRUE(program.WaitForWindowGone(dialog)) << "the second Return opens the folder shown";
}

// The box's centre lies on the main window's (0, 0, 1065, 758).
void ExpectCentredOnTheWindow(const std::string& box)
{
    const QPoint centre = RealProgram::Geometry(box).center();
    EXPECT_LE((centre - QPoint(532, 379)).manhattanLength(), 60) << centre.x() << "," << centre.y();
}

// Answers the one box that should come, after checking it is over the main window and says what the log
// says it said.
void AnswerTheBox(RealProgram& program, JourneyShots& shots, const std::string& step, const std::string& text,
                  std::size_t logFrom)
{
    const std::string box = NextWindow(program);
    ASSERT_FALSE(box.empty()) << "a box should say: " << text;
    ExpectCentredOnTheWindow(box);
    EXPECT_NE(program.WaitForLog("Message box: " + text, logFrom), std::string::npos) << program.Log().substr(logFrom);
    (void)AnswerBox(program, shots, step, "Return", 1000);
}

TEST(BadCard, StrangeFilesAreToldUntouchedAndADeletedCardDoesNotStopTheProgram)
{
    TempDir dir;
    const fs::path bad = dir.path() / "bad";
    fs::create_directories(bad);
    MakePlainAvi(bad / "holiday.avi", "testsrc=size=320x240:rate=10");
    MakePlainAvi(bad / "REC_20120820_120000_F.avi", "testsrc2=size=320x240:rate=10");
    const std::string flippedHeader = MakeRecording(bad, {"--seconds", "3"}, "REC_20120820_130000_F.avi");
    FlipBytes(flippedHeader, 40, 200);
    const std::string flippedMovie = MakeRecording(bad, {"--seconds", "3", "--seed", "2"}, "REC_20120820_140000_F.avi");
    FlipBytes(flippedMovie, 2000, 3000);
    WriteFileBytes(bad / "REC_20120820_150000_F.avi", "");
    const std::string locked = MakeRecording(bad, {"--seconds", "3", "--seed", "3"}, "EVT_20120820_160000_F.avi");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    const std::map<std::string, FileStamp> untouched = StampTree(bad);

    const fs::path doomed = dir.path() / "doomed";
    const fs::path another = dir.path() / "another";
    ASSERT_EQ(RunSampleCard({"card", doomed.string(), "--recordings", "3", "--seconds", "10"}).exitCode, 0);
    ASSERT_EQ(RunSampleCard({"card", another.string(), "--recordings", "2", "--seconds", "10", "--seed", "7"}).exitCode, 0);

    const fs::path missing = dir.path() / "no-such-card";
    const fs::path empty = dir.path() / "empty";
    const fs::path lockedFolder = dir.path() / "locked";
    fs::create_directories(empty);
    fs::create_directories(lockedFolder);
    WriteFileBytes(empty / "notes.txt", "nothing here");
    ASSERT_EQ(chmod(lockedFolder.c_str(), 0), 0);

    JourneyShots shots("5-bad-card");
    RealProgram program(AsAUser(dir.path(), {QString::fromStdString(bad.string()), QString::fromStdString(missing.string())}));
    ASSERT_FALSE(program.MainWindow().empty()) << program.ErrorOutput();
    // The path that is not there is told once the window shows, over it; the scan lists every file named
    // like a recording, those it cannot read with the reason, and has nothing more to say.
    ASSERT_NE(program.WaitForLog("Drop Files end"), std::string::npos);
    AnswerTheBox(program, shots, "missing-path-box", missing.string() + " cannot be opened: The folder or the file does not exist.", 0);
    const std::vector<std::string> told = AnswerBoxes(program, shots, "bad-folder-box", 3000);
    EXPECT_TRUE(told.empty()) << told.size() << " more boxes";
    ASSERT_TRUE(program.IsRunning());
    EXPECT_NE(program.WaitForLog("Set recordings: 6"), std::string::npos) << program.Log();
    program.ParkMouse();
    QTest::qWait(1500);
    (void)AnswerBoxes(program, shots, "bad-folder-late-box", 1000);
    shots.Take("after-the-bad-folder");
    EXPECT_TRUE(StampTree(bad) == untouched) << "no file of the bad folder may change";
    EXPECT_FALSE(fs::exists(program.Documents() / "BROKENFILES")) << "nothing there was a power-cut recording";

    // A folder without recordings, and one the user may not read, each say so with the folder.
    std::size_t mark = program.Log().size();
    OpenFolder(program, shots, empty, "open-an-empty-folder");
    AnswerTheBox(program, shots, "empty-folder-box", "The folder " + empty.string() + " holds no recordings.", mark);
    mark = program.Log().size();
    OpenFolder(program, shots, lockedFolder, "open-a-locked-folder");
    AnswerTheBox(program, shots, "locked-folder-box",
                 "The folder " + lockedFolder.string() + " cannot be read: Permission denied", mark);
    ASSERT_TRUE(program.IsRunning());

    // Still usable: a good card opens and plays.
    OpenFolder(program, shots, doomed, "open-a-good-card");
    ASSERT_NE(program.WaitForLog("Load metadata: " + doomed.string()), std::string::npos) << program.Log();
    program.ParkMouse();
    ASSERT_TRUE(QTest::qWaitFor([&] { return LooksLikeAPicture(ScreenArea(kFrontVideo)); }, kProgramWaitMs));
    shots.Take("good-card-plays");

    // The card goes while it plays; the next recording is asked for.
    fs::remove_all(doomed);
    QTest::qWait(1500);
    shots.Take("card-deleted-while-playing");
    program.Focus();
    RealProgram::Key("Next");
    (void)AnswerBoxes(program, shots, "deleted-card-box", 10000);
    ASSERT_TRUE(program.IsRunning()) << "the program must survive a card that goes away";
    shots.Take("after-the-deleted-card");

    // And another card still opens and plays.
    mark = program.Log().size();
    OpenFolder(program, shots, another, "open-another-card");
    ASSERT_NE(program.WaitForLog("Load metadata: " + another.string(), mark), std::string::npos) << program.Log();
    program.ParkMouse();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return LooksLikeAPicture(ScreenArea(kFrontVideo)) && LooksLikeAPicture(ScreenArea(kRearVideo)); },
        kProgramWaitMs));
    shots.Take("another-card-plays");
    EXPECT_TRUE(StampTree(bad) == untouched);

    program.Focus();
    RealProgram::Key("alt+F4");
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.Process().exitCode(), 0);
    chmod(locked.c_str(), 0644);
    chmod(lockedFolder.c_str(), 0755);
}

}  // namespace
