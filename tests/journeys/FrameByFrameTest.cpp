// Journey 7, an incident examined frame by frame: a driver opens the event recording, pauses near the
// moment and walks it with the slider and the arrow keys. Whatever the picture shows, the times, the speed,
// the map and the G-sensor values (with the cursor on the trace) show the same moment, paused or not; a
// moment without a GPS fix says so under the map, and the coordinates come back with the fix.
#include "journeys/Journey.h"

#include <QTest>

namespace fs = std::filesystem;
using namespace journey;

namespace {

TEST(FrameByFrame, EveryReadOutFollowsPausedSeeksAndSteps)
{
    TempDir dir;
    // 20 s, both cameras, an impact in the middle; with this seed the vehicle moves from its second second
    // on and has no fix from 9 s to 12 s.
    const std::string recording =
        MakeRecording(dir.path(), {"--seconds", "20", "--seed", "4"}, "EVT_20120820_153012_F.avi");
    const GroundTruth truth = LoadGroundTruth(recording);

    JourneyShots shots("7-frame-by-frame");
    RealProgram program(dir.path(), {QString::fromStdString(recording)});
    ASSERT_FALSE(program.MainWindow().empty()) << program.ErrorOutput();
    EXPECT_TRUE(WaitUntilDrawn(program));
    ASSERT_NE(program.WaitForLog("Load metadata: "), std::string::npos) << program.Log();
    program.ParkMouse();
    ASSERT_TRUE(QTest::qWaitFor([&] { return LooksLikeAPicture(ScreenArea(kFrontVideo)); }, kProgramWaitMs));
    program.Click(kViewBoth);
    program.ParkMouse();
    QTest::qWait(2000);
    shots.Take("playing");

    ExamineFrameByFrame(program, shots, truth);

    program.Focus();
    RealProgram::Key("alt+F4");
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.Process().exitCode(), 0);
}

}  // namespace
