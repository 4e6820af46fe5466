#include "journeys/Journey.h"

#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace fs = std::filesystem;

namespace journey {

int CountColour(const QImage& image, QRgb colour, int tolerance)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (std::abs(qRed(pixel) - qRed(colour)) <= tolerance &&
                std::abs(qGreen(pixel) - qGreen(colour)) <= tolerance &&
                std::abs(qBlue(pixel) - qBlue(colour)) <= tolerance)
                ++count;
        }
    return count;
}

std::vector<fs::path> CardRecordings(const fs::path& card)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(card / "CL_BLACKBOX", error);
         it != fs::recursive_directory_iterator(); it.increment(error))
        if (it->path().extension() == ".avi")
            found.push_back(it->path());
    std::sort(found.begin(), found.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return found;
}

bool HasIndex(const std::string& bytes)
{
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0)
        return false;
    // The index follows the movie list: find its four-cc after the list's end.
    const std::size_t movie = bytes.find("movi");
    const std::size_t index = bytes.rfind("idx1");
    return movie != std::string::npos && index != std::string::npos && index > movie;
}

std::string DecodeErrors(const fs::path& file)
{
    // Both cameras and the sound, decoded to nothing (the G-sensor text stream has no decoder).
    const ProgramRun run = RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-i", file.string(), "-map", "0:v",
                                       "-map", "0:a:0?", "-f", "null", "-"});
    if (!run.started)
        return "ffmpeg did not start";
    // Over minutes the camera's frame rates (735/22056, 934/9342) round to a repeated time stamp now and
    // then in ffmpeg's AVI reader; the recordings themselves read so too. Not a decoding error.
    std::string errors;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);)
        if (line.find("non monotonically increasing dts") == std::string::npos)
            errors += line + "\n";
    if (run.exitCode != 0)
        errors += "\nffmpeg exit code " + std::to_string(run.exitCode);
    return errors;
}

std::string NextWindow(RealProgram& program, int timeoutMs)
{
    std::string window;
    (void)QTest::qWaitFor(
        [&] {
            const std::vector<std::string> windows = program.OtherWindows();
            if (windows.empty())
                return false;
            window = windows.back();
            return true;
        },
        timeoutMs);
    if (!window.empty())
        QTest::qWait(400);  // mapped is not yet drawn
    return window;
}

std::string AnswerBox(RealProgram& program, JourneyShots& shots, const std::string& step, const std::string& key,
                      int timeoutMs)
{
    const std::string box = NextWindow(program, timeoutMs);
    if (box.empty())
        return {};
    const std::string title = RealProgram::Title(box);
    shots.Take(step, WithMainWindow(box));
    RealProgram::FocusWindow(box);
    RealProgram::Key(key);
    EXPECT_TRUE(program.WaitForWindowGone(box)) << step << ": the box should close on " << key;
    return title.empty() ? std::string(" ") : title;
}

bool WaitUntilDrawn(RealProgram& program)
{
    return !program.MainWindow().empty() &&
           QTest::qWaitFor([] { return LooksLikeAPicture(ScreenArea(QRect(0, 0, 1065, 46)), 8); }, kProgramWaitMs);
}

QRect WithMainWindow(const std::string& window)
{
    return RealProgram::Geometry(window).united(QRect(0, 0, 1065, 758)).intersected(QRect(0, 0, 1920, 1080));
}

namespace {

// Whether the screen's area differs from the same area of an earlier picture of the main window, by as
// little as one pixel (the G-sensor cursor is one pixel wide).
bool Differs(const QImage& before, const QRect& area)
{
    return Part(before, area).convertToFormat(QImage::Format_RGB32) !=
           ScreenArea(area).convertToFormat(QImage::Format_RGB32);
}

// Waits until every area differs from the picture before; names the ones that did not.
std::string Unchanged(const QImage& before, const std::vector<std::pair<QRect, const char*>>& areas)
{
    (void)QTest::qWaitFor(
        [&] { return std::all_of(areas.begin(), areas.end(), [&](const auto& area) { return Differs(before, area.first); }); },
        10000);
    std::string unchanged;
    for (const auto& [area, name] : areas)
        if (!Differs(before, area))
            unchanged += std::string(unchanged.empty() ? "" : ", ") + name;
    return unchanged;
}

}  // namespace

void ExamineFrameByFrame(RealProgram& program, JourneyShots& shots, const GroundTruth& truth)
{
    // The seconds to visit: one just before a stretch without a GPS fix, one inside it, the first fix after.
    const auto fixAt = [&](int second) { return truth.gps.at(static_cast<std::size_t>(second)).valid; };
    int noFix = 1;
    while (noFix < static_cast<int>(truth.gps.size()) && fixAt(noFix))
        ++noFix;
    int fixAgain = noFix;
    while (fixAgain < static_cast<int>(truth.gps.size()) && !fixAt(fixAgain))
        ++fixAgain;
    ASSERT_LT(fixAgain, static_cast<int>(truth.gps.size())) << "the recording needs a stretch without a fix";
    const double duration = truth.durationSeconds;
    const auto middleOf = [&](int second) { return (second + 0.5) / duration; };
    const std::vector<std::pair<QRect, const char*>> everything = {
        {kTimes, "elapsed time"}, {kGraphReadOuts, "X/Y/Z read-outs"}, {kGraphPlot, "cursor on the trace"},
        {kMapCoordinates, "latitude/longitude"}};

    program.Focus();
    std::size_t mark = program.Log().size();
    RealProgram::Key("space");
    ASSERT_NE(program.WaitForLog("VIDEO_PAUSE Msg", mark), std::string::npos);
    program.ParkMouse();
    QTest::qWait(1500);
    QImage before = shots.Take("paused");

    // A click on the slider while paused: the picture and every read-out go there.
    program.Click({SliderX(middleOf(fixAgain + 2 < duration ? fixAgain + 2 : 1)), kSliderY});
    program.ParkMouse();
    EXPECT_EQ(Unchanged(before, everything), "") << "a paused seek with the slider should move every read-out";
    before = shots.Take("paused-slider-click");

    // Frame steps: six on with the right arrow, then twelve back with the left; the G-sensor values (ten a
    // second) move with them.
    program.Focus();
    for (int frame = 0; frame < 6; ++frame) {
        RealProgram::Key("Right");
        QTest::qWait(150);
    }
    program.ParkMouse();
    EXPECT_EQ(Unchanged(before, {{kGraphReadOuts, "X/Y/Z read-outs"}}), "") << "frame steps should move the read-outs";
    before = shots.Take("six-frames-on");
    program.Focus();
    for (int frame = 0; frame < 12; ++frame) {
        RealProgram::Key("Left");
        QTest::qWait(150);
    }
    program.ParkMouse();
    EXPECT_EQ(Unchanged(before, {{kGraphReadOuts, "X/Y/Z read-outs"}}), "") << "steps back should move the read-outs";
    before = shots.Take("twelve-frames-back");

    // The last fix before the tunnel, inside it (no marker, no speed, the coordinates say there is no fix),
    // and out again.
    program.Click({SliderX(middleOf(noFix - 1)), kSliderY});
    program.ParkMouse();
    EXPECT_EQ(Unchanged(before, everything), "");
    before = shots.Take("last-fix");
    program.Click({SliderX(middleOf(noFix)), kSliderY});
    program.ParkMouse();
    EXPECT_EQ(Unchanged(before, {{kTimes, "elapsed time"}, {kMapCoordinates, "latitude/longitude"}, {kMap, "map"}}), "")
        << "without a fix the coordinates should say so";
    before = shots.Take("no-fix");
    program.Click({SliderX(middleOf(fixAgain)), kSliderY});
    program.ParkMouse();
    EXPECT_EQ(Unchanged(before, {{kTimes, "elapsed time"}, {kMapCoordinates, "latitude/longitude"}, {kMap, "map"}}), "")
        << "the fix back should show the coordinates again";
    before = shots.Take("fix-again");

    // The thumb held and dragged: the time follows it before the button is let go.
    const std::string window = program.MainWindow();
    const auto moveTo = [&](double share) {
        EXPECT_TRUE(Xdotool({"mousemove", "--window", window, std::to_string(SliderX(share)), std::to_string(kSliderY)}).ok);
    };
    moveTo(0.2);
    QTest::qWait(150);
    EXPECT_TRUE(Xdotool({"mousedown", "1"}).ok);
    EXPECT_EQ(Unchanged(before, {{kTimes, "elapsed time"}}), "") << "pressed on the slider";
    before = ScreenArea(QRect(0, 0, 1065, 758));
    moveTo(0.4);
    EXPECT_EQ(Unchanged(before, everything), "") << "the thumb dragged while held";
    // The read-outs are there at once; the engine needs a moment more for the picture (two seeks in a row).
    QTest::qWait(1500);
    shots.Take("thumb-held-dragged");
    EXPECT_TRUE(Xdotool({"mouseup", "1"}).ok);
    program.ParkMouse();
    QTest::qWait(1500);
    shots.Take("let-go");

    // Through all of it playback stayed paused.
    QTest::qWait(1000);
    const QImage still = ScreenArea(kFrontVideo);
    QTest::qWait(1500);
    EXPECT_LT(ChangedShare(still, ScreenArea(kFrontVideo)), 0.002) << "still paused";
}

}  // namespace journey
