// Journey 1, the first look: a driver opens a fresh demo card. The window opens, the power-cut recordings
// are repaired (their originals kept in the documents' BROKENFILES), the list shows every recording, the
// first one plays on both cameras, the map draws the track, graph and speed follow playback; then the Event
// filter, a double-click on an event, seeks with the slider and the arrow keys, pause and single frames,
// and Next through the whole list to its end.
#include "journeys/Journey.h"

#include <QTest>

#include <regex>

namespace fs = std::filesystem;
using namespace journey;

namespace {

// The recordings the log says were opened for playing, in order ("Load metadata: <path>").
std::vector<std::string> LoadedPaths(const std::string& log)
{
    std::vector<std::string> paths;
    const std::string marker = "Load metadata: ";
    for (std::size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1)) {
        const std::size_t start = at + marker.size();
        paths.push_back(log.substr(start, log.find_first_of("\r\n", start) - start));
    }
    return paths;
}

// "REC_20120820_153012_F.avi" -> "20120820_153012".
std::string StartOf(const std::string& path)
{
    static const std::regex stamp("_(\\d{8}_\\d{6})");
    std::smatch match;
    const std::string name = fs::path(path).filename().string();
    return std::regex_search(name, match, stamp) ? match[1].str() : std::string();
}

bool IsEventName(const std::string& path)
{
    const std::string name = fs::path(path).filename().string();
    return name.rfind("EVT_", 0) == 0 || name.rfind("EVS_", 0) == 0;
}

// Waits until the picture of area, taken twice some time apart, differs: something plays there.
bool Moves(const QRect& area, int timeoutMs = kProgramWaitMs)
{
    QImage before = ScreenArea(area);
    return QTest::qWaitFor(
        [&] {
            QTest::qWait(700);
            const QImage now = ScreenArea(area);
            const bool moved = ChangedShare(before, now) > 0.002;
            before = now;
            return moved;
        },
        timeoutMs);
}

bool ShowsPictures(int timeoutMs = kProgramWaitMs)
{
    return QTest::qWaitFor(
        [&] { return LooksLikeAPicture(ScreenArea(kFrontVideo)) && LooksLikeAPicture(ScreenArea(kRearVideo)); },
        timeoutMs);
}

TEST(FirstLook, ADemoCardOpensRepairsPlaysAndIsWalkedToItsEnd)
{
    TempDir dir;
    const fs::path card = dir.path() / "card";
    ASSERT_EQ(RunSampleCard({"card", card.string()}).exitCode, 0);
    // The power-cut recordings are the ones without an index; the aborted stub is too small to be one.
    std::map<std::string, std::string> powerCut;
    for (const fs::path& recording : CardRecordings(card)) {
        const std::string bytes = ReadFileBytes(recording);
        if (!HasIndex(bytes) && bytes.size() > 64 * 1024)
            powerCut[recording.filename().string()] = bytes;
    }
    ASSERT_EQ(powerCut.size(), 2u);

    JourneyShots shots("1-first-look");
    RealProgram program(dir.path(), {QString::fromStdString(card.string())});
    ASSERT_FALSE(program.MainWindow().empty()) << program.ErrorOutput();
    EXPECT_TRUE(WaitUntilDrawn(program));
    shots.Take("window-opens");

    ASSERT_NE(program.WaitForLog("Drop Files end"), std::string::npos) << program.Log();
    ASSERT_NE(program.WaitForLog("Load metadata: "), std::string::npos);
    program.ParkMouse();
    ASSERT_TRUE(ShowsPictures()) << "front and rear should show pictures";
    shots.Take("first-recording-plays-front-camera");
    // Both cameras side by side: two different pictures.
    program.Click(kViewBoth);
    program.ParkMouse();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QImage front = ScreenArea(kFrontVideo), rear = ScreenArea(kRearVideo);
            return LooksLikeAPicture(front) && LooksLikeAPicture(rear) && ChangedShare(front, rear) > 0.5;
        },
        kProgramWaitMs))
        << "ALL should show the front and the rear camera side by side";
    const QImage playing = shots.Take("both-cameras");

    // Repaired: each power-cut original is kept whole in BROKENFILES, a finished copy took its place.
    for (const auto& [name, bytes] : powerCut) {
        SCOPED_TRACE(name);
        const fs::path kept = program.Documents() / "BROKENFILES" / name;
        ASSERT_TRUE(fs::exists(kept));
        EXPECT_TRUE(ReadFileBytes(kept) == bytes) << "the original must be kept byte for byte";
        const std::vector<fs::path> onCard = CardRecordings(card);
        const auto repaired = std::find_if(onCard.begin(), onCard.end(),
                                           [&](const fs::path& path) { return path.filename() == name; });
        ASSERT_NE(repaired, onCard.end()) << "the repaired copy takes the recording's place";
        EXPECT_TRUE(HasIndex(ReadFileBytes(*repaired)));
        EXPECT_TRUE(DecodeErrors(*repaired).empty()) << DecodeErrors(*repaired);
    }
    // Every recording but the aborted stub is listed.
    const int listed = static_cast<int>(CardRecordings(card).size()) - 1;
    EXPECT_NE(program.Log().find("Set recordings: " + std::to_string(listed)), std::string::npos) << program.Log();

    // The map draws the track (orange) with the position marker; graph, times and speed follow playback.
    EXPECT_TRUE(QTest::qWaitFor([&] { return CountColour(ScreenArea(kMap), qRgb(255, 140, 0), 30) > 40; },
                                kProgramWaitMs))
        << "the track should be drawn on the map";
    EXPECT_TRUE(Moves(kGraph)) << "the G-sensor graph should follow playback";
    EXPECT_TRUE(Moves(kTimes)) << "the elapsed time should count";
    EXPECT_TRUE(Moves(kFrontVideo)) << "the front picture should move";
    EXPECT_TRUE(Moves(kRearVideo)) << "the rear picture should move";
    const QImage later = shots.Take("playback-moves-map-graph-speed");
    EXPECT_GT(ChangedShare(Part(playing, kGraph), Part(later, kGraph)), 0.0);

    // The Event filter: the list changes to the events only.
    const QImage allList = ScreenArea(kList);
    program.Click(kFilterEvent);
    program.ParkMouse();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ChangedShare(allList, ScreenArea(kList)) > 0.01; }, kProgramWaitMs));
    shots.Take("event-filter");

    // A double-click on the first event plays it.
    const std::size_t beforeEvent = program.Log().size();
    program.DoubleClick(kFirstListRow);
    ASSERT_NE(program.WaitForLog("List Item Duble Click", beforeEvent), std::string::npos);
    ASSERT_NE(program.WaitForLog("Load metadata: ", beforeEvent), std::string::npos);
    {
        const std::vector<std::string> loaded = LoadedPaths(program.Log().substr(beforeEvent));
        ASSERT_FALSE(loaded.empty());
        EXPECT_TRUE(IsEventName(loaded.back())) << loaded.back();
    }
    program.ParkMouse();
    ASSERT_TRUE(ShowsPictures());
    shots.Take("event-plays");

    // Seek with the slider: three quarters in. The time read-out jumps there.
    const QImage beforeSeek = ScreenArea(kTimes);
    std::size_t mark = program.Log().size();
    program.Click({SliderX(0.75), kSliderY});
    program.ParkMouse();
    EXPECT_NE(program.WaitForLog("CHANGE_VIDEO_FRAME_POSITION", mark), std::string::npos);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ChangedShare(beforeSeek, ScreenArea(kTimes)) > 0.01; }, kProgramWaitMs));
    shots.Take("seek-slider-three-quarters");

    // The arrow keys: back and forward by the jump interval.
    program.Focus();
    mark = program.Log().size();
    RealProgram::Key("Left");
    EXPECT_NE(program.WaitForLog("OnBnClickedRewindBtn", mark), std::string::npos);
    shots.Take("seek-left-arrow");
    mark = program.Log().size();
    RealProgram::Key("Right");
    EXPECT_NE(program.WaitForLog("OnBnClickedForwardBtn", mark), std::string::npos);
    shots.Take("seek-right-arrow");

    // Pause: the pictures stand still. Then single frames forward with the right arrow.
    mark = program.Log().size();
    RealProgram::Key("space");
    ASSERT_NE(program.WaitForLog("VIDEO_PAUSE Msg", mark), std::string::npos);
    QTest::qWait(1500);
    const QImage paused = ScreenArea(kFrontVideo);
    QTest::qWait(1500);
    EXPECT_LT(ChangedShare(paused, ScreenArea(kFrontVideo)), 0.002) << "paused, the picture should stand still";
    shots.Take("paused");
    // Each step asks for the next frame and playback stays paused. (A paused seek shows the frame sought,
    // within one frame; journey 7 checks the read-outs with it. A step is 10000 / the header's frame count,
    // which counts both cameras' frames, so it is about three quarters of a front frame and now and then
    // two steps show the same picture.)
    for (int frame = 1; frame <= 3; ++frame) {
        mark = program.Log().size();
        RealProgram::Key("Right");
        EXPECT_NE(program.WaitForLog("CHANGE_VIDEO_FRAME_POSITION", mark), std::string::npos) << "frame step " << frame;
        QTest::qWait(700);
    }
    const QImage stepped = ScreenArea(kFrontVideo);
    QTest::qWait(1500);
    EXPECT_LT(ChangedShare(stepped, ScreenArea(kFrontVideo)), 0.002) << "after the steps it is still paused";
    shots.Take("three-single-frames");

    // Next through the whole list: every recording in start order, then the list's end stops playback.
    program.Click(kFilterAll);
    program.ParkMouse();
    mark = program.Log().size();
    program.DoubleClick(kFirstListRow);
    ASSERT_NE(program.WaitForLog("Load metadata: ", mark), std::string::npos);
    program.Focus();
    for (int step = 1; step < listed; ++step) {
        const int loadedSoFar = static_cast<int>(LoadedPaths(program.Log().substr(mark)).size());
        RealProgram::Key("Next");
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return static_cast<int>(LoadedPaths(program.Log().substr(mark)).size()) > loadedSoFar; },
            kProgramWaitMs))
            << "Next " << step;
        if (step == listed / 2) {
            program.ParkMouse();
            (void)ShowsPictures(10000);
            shots.Take("next-halfway");
        }
    }
    const std::vector<std::string> walked = LoadedPaths(program.Log().substr(mark));
    ASSERT_EQ(static_cast<int>(walked.size()), listed);
    for (std::size_t i = 1; i < walked.size(); ++i)
        EXPECT_LT(StartOf(walked[i - 1]), StartOf(walked[i])) << walked[i - 1] << " then " << walked[i];
    std::set<std::string> distinct(walked.begin(), walked.end());
    EXPECT_EQ(static_cast<int>(distinct.size()), listed);
    program.ParkMouse();
    (void)QTest::qWaitFor([] { return LooksLikeAPicture(ScreenArea(kFrontVideo)); }, 10000);  // one second long
    shots.Take("last-recording");
    const std::size_t atEnd = program.Log().size();
    RealProgram::Key("Next");
    EXPECT_NE(program.WaitForLog("VIDEO_STOP Msg", atEnd), std::string::npos) << "past the end, playback stops";
    program.ParkMouse();
    QTest::qWait(1500);
    shots.Take("past-the-end-stopped");

    program.Focus();
    RealProgram::Key("alt+F4");
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitCode(), 0);
    EXPECT_NE(program.Log().find("Log End"), std::string::npos);
}

}  // namespace
