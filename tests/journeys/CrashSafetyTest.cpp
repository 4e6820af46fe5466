// Journey 6, crash safety: the program is killed outright (SIGKILL, as a power cut or the out-of-memory
// killer ends it) while it repairs a large power-cut recording, while it writes a clip and while it saves
// the camera's settings. On the next start nothing is lost: each file is its original, its repaired copy or
// the old file whole; no half-written file sits under a real name; temporary files are cleaned or ignored.
#include "journeys/Journey.h"

#include <QTest>

#include <chrono>
#include <thread>

namespace fs = std::filesystem;
using namespace journey;

namespace {

// Hidden temporary files (".<name>.<random>.part") under folder.
std::vector<fs::path> PartFiles(const fs::path& folder)
{
    std::vector<fs::path> parts;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); it != fs::recursive_directory_iterator();
         it.increment(error))
        if (it->path().extension() == ".part")
            parts.push_back(it->path());
    return parts;
}

// Polls fast (the program is another process; nothing of ours needs to run meanwhile) until a temporary
// file appears under folder or the program ends; then kills the program at once. Whether it caught one.
bool KillWhenWriting(RealProgram& program, const fs::path& folder, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool caught = false;
    while (std::chrono::steady_clock::now() < end && program.Process().state() == QProcess::Running) {
        if (!PartFiles(folder).empty()) {
            caught = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    program.KillHard();
    return caught;
}

TEST(CrashSafety, KilledDuringARepairNothingIsLostAndTheNextStartFinishesIt)
{
    TempDir dir;
    const fs::path card = dir.path() / "card";
    ASSERT_EQ(RunSampleCard({"card", card.string(), "--recordings", "1", "--seconds", "5"}).exitCode, 0);
    // Three large power-cut recordings, repaired one after another.
    const std::string whole = MakeRecording(dir.path(), {"--seconds", "240"}, "REC_20120820_100000_F.avi");
    std::map<std::string, std::string> originals;
    for (const char* name : {"REC_20120820_100000_F.avi", "REC_20120820_100400_F.avi", "REC_20120820_100800_F.avi"}) {
        const fs::path target = card / "CL_BLACKBOX" / "MP4_INFINITE" / name;
        ASSERT_EQ(RunSampleCard({"powercut", whole, target.string(), "--cut-last"}).exitCode, 0);
        originals[name] = ReadFileBytes(target);
    }
    const std::map<std::string, FileStamp> others = [&] {
        std::map<std::string, FileStamp> stamps = StampTree(card);
        for (const auto& [name, bytes] : originals)
            stamps.erase("CL_BLACKBOX/MP4_INFINITE/" + name);
        return stamps;
    }();

    JourneyShots shots("6-crash-safety");
    {
        RealProgram program(dir.path(), {QString::fromStdString(card.string())});
        const bool caught = KillWhenWriting(program, card, kProgramWaitMs);
        // Under way nearly always (three large files); the checks below hold wherever the kill landed.
        RecordProperty("repair_killed_while_writing", caught ? "yes" : "no");
    }
    // Right after the kill: every recording is on the card, as its original or a finished copy; every
    // original that left the card is whole in BROKENFILES.
    const fs::path broken = dir.path() / "documents" / "BROKENFILES";
    for (const auto& [name, bytes] : originals) {
        SCOPED_TRACE(name);
        const fs::path onCard = card / "CL_BLACKBOX" / "MP4_INFINITE" / name;
        ASSERT_TRUE(fs::exists(onCard)) << "the recording must not vanish from the card";
        const std::string now = ReadFileBytes(onCard);
        if (now != bytes) {
            EXPECT_TRUE(HasIndex(now)) << "a changed file must be a finished repair";
            EXPECT_TRUE(ReadFileBytes(broken / name) == bytes) << "its original must be kept whole";
        }
    }

    // The next start repairs what is left and lists everything; leftovers are not listed.
    {
        RealProgram program(dir.path(), {QString::fromStdString(card.string())});
        ASSERT_FALSE(program.MainWindow().empty());
        ASSERT_NE(program.WaitForLog("Drop Files end"), std::string::npos);
        ASSERT_NE(program.WaitForLog("Set recordings: "), std::string::npos);
        program.ParkMouse();
        QTest::qWait(1500);
        shots.Take("restart-after-killed-repair");
        const std::size_t recordings = CardRecordings(card).size() - 1;  // the aborted stub is not listed
        EXPECT_NE(program.Log().find("Set recordings: " + std::to_string(recordings)), std::string::npos)
            << program.Log();
        program.Focus();
        RealProgram::Key("alt+F4");
        EXPECT_TRUE(program.WaitForEnd());
    }
    for (const auto& [name, bytes] : originals) {
        SCOPED_TRACE(name);
        const std::string repaired = ReadFileBytes(card / "CL_BLACKBOX" / "MP4_INFINITE" / name);
        EXPECT_TRUE(HasIndex(repaired));
        EXPECT_EQ(DecodeErrors(card / "CL_BLACKBOX" / "MP4_INFINITE" / name), "");
        EXPECT_TRUE(ReadFileBytes(broken / name) == bytes);
    }
    std::map<std::string, FileStamp> after = StampTree(card);
    for (const auto& [name, bytes] : originals)
        after.erase("CL_BLACKBOX/MP4_INFINITE/" + name);
    for (const fs::path& part : PartFiles(card))
        after.erase(fs::relative(part, card).string());
    EXPECT_TRUE(after == others) << "the card's other files stay as they were";
}

TEST(CrashSafety, KilledDuringAClipExportNoHalfClipKeepsItsName)
{
    TempDir dir;
    const fs::path recordings = dir.path() / "recordings";
    fs::create_directories(recordings);
    const std::string source = MakeRecording(recordings, {"--seconds", "240"}, "REC_20120820_100000_F.avi");
    const FileStamp sourceStamp = StampOf(source);
    const fs::path clips = dir.path() / "clips";
    fs::create_directories(clips);

    JourneyShots shots("6-crash-safety-clip");
    {
        RealProgram program(dir.path(), {QString::fromStdString(source)});
        ASSERT_FALSE(program.MainWindow().empty());
        ASSERT_NE(program.WaitForLog("Load metadata: "), std::string::npos);
        program.Click(ToolbarButton(kRecord));
        const std::string dialog = program.WaitForWindow("^Recording Video$");
        ASSERT_FALSE(dialog.empty());
        QTest::qWait(1500);
        shots.Take("clip-dialog", WithMainWindow(dialog));
        RealProgram::FocusWindow(dialog);
        RealProgram::Key("Return");
        const std::string chooser = program.WaitForWindow("^Select a Folder\\.$");
        ASSERT_FALSE(chooser.empty());
        RealProgram::FocusWindow(chooser);
        RealProgram::Key("ctrl+a");
        RealProgram::Type(clips.string());
        QTest::qWait(300);
        EXPECT_TRUE(Xdotool({"key", "Return"}).ok);  // and straight on to watching for the clip's file
        const bool caught = KillWhenWriting(program, clips, kProgramWaitMs);
        RecordProperty("clip_killed_while_writing", caught ? "yes" : "no");
    }
    EXPECT_TRUE(StampOf(source) == sourceStamp) << "the recording itself is never touched";
    for (const auto& entry : fs::directory_iterator(clips)) {
        const fs::path file = entry.path();
        if (file.extension() == ".part")
            continue;  // a temporary file: hidden, never taken for a clip
        EXPECT_EQ(DecodeErrors(file), "") << file << " is under a real name, so it must be whole";
        EXPECT_TRUE(HasIndex(ReadFileBytes(file))) << file;
    }
    // The next start that opens the clips' folder takes the killed export's staging file away.
    {
        RealProgram again(dir.path(), {QString::fromStdString(recordings.string()), QString::fromStdString(clips.string())});
        ASSERT_FALSE(again.MainWindow().empty());
        ASSERT_NE(again.WaitForLog("Load metadata: "), std::string::npos);
        EXPECT_TRUE(PartFiles(clips).empty());
        // The clips' folder holds no recording of the camera's: that is told in a box, answered first.
        if (again.WaitForLog("Message box: ", 0, 5000) != std::string::npos)
            AnswerBox(again, shots, "clips-folder-told", "Return");
        again.Focus();
        RealProgram::Key("alt+F4");
        EXPECT_TRUE(again.WaitForEnd());
    }
}

TEST(CrashSafety, KilledDuringASettingsSaveTheCardKeepsAWholeSetupFile)
{
    TempDir dir;
    const fs::path card = dir.path() / "card";
    ASSERT_EQ(RunSampleCard({"card", card.string(), "--recordings", "1", "--seconds", "5"}).exitCode, 0);
    const std::string original = ReadFileBytes(card / "setup.cfg");

    RealProgram::Setup setup;
    setup.folder = dir.path();
    setup.arguments = {"--log", "--log-level", "5"};
    setup.wrapper = {"unshare", "--mount", "--propagation", "private", "sh", "-c",
                     "mount --bind \"$0\" \"$0\" && exec \"$@\"", QString::fromStdString(card.string())};
    {
        RealProgram program(setup);
        ASSERT_FALSE(program.MainWindow().empty());
        ASSERT_NE(program.WaitForLog("GPSMapControl"), std::string::npos);
        program.Click(ToolbarButton(kSettings));
        const std::string dialog = program.WaitForWindow("^Settings$");
        ASSERT_FALSE(dialog.empty());
        RealProgram::FocusWindow(dialog);
        const std::size_t mark = program.Log().size();
        RealProgram::Type("(" + card.string());
        ASSERT_NE(program.WaitForLog("LoadDrive " + card.string(), mark), std::string::npos);
        RealProgram::Key("Tab");
        RealProgram::Key("Down");
        EXPECT_TRUE(Xdotool({"key", "Return"}).ok);
        program.KillHard();  // at once: the save is under way or just done
    }
    const std::string now = ReadFileBytes(card / "setup.cfg");
    if (now != original) {
        // The new file, whole: every line of the old one, the changed value.
        std::size_t lines = std::count(original.begin(), original.end(), '\n');
        EXPECT_EQ(static_cast<std::size_t>(std::count(now.begin(), now.end(), '\n')), lines) << now;
        EXPECT_NE(now.find("Acc Trigger Level"), std::string::npos) << now;
        EXPECT_NE(now.find("Language"), std::string::npos) << now;
    }
    for (const auto& entry : fs::directory_iterator(card)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "CL_BLACKBOX" || name == "setup.cfg" || entry.path().extension() == ".part") << name;
    }
    // The viewer's own options file: absent, or whole.
    if (fs::exists(dir.path() / "option.ini")) {
        const std::string options = ReadFileBytes(dir.path() / "option.ini");
        EXPECT_EQ(std::count(options.begin(), options.end(), '\n'), 10) << options;
    }
    // The next start works with what is there.
    RealProgram again(dir.path(), {QString::fromStdString(card.string())});
    ASSERT_FALSE(again.MainWindow().empty());
    ASSERT_NE(again.WaitForLog("Load metadata: "), std::string::npos);
    EXPECT_TRUE(PartFiles(card).empty()) << "the killed save's staging file goes when the card is opened again";
    again.Focus();
    RealProgram::Key("alt+F4");
    EXPECT_TRUE(again.WaitForEnd());
}

}  // namespace
