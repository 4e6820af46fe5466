// The player pane with the real G-sensor graph under the videos, playing a generated two-channel recording.
#include "playback/CSecondChannelVideoPane.h"
#include "playback/CVideoPlayerPane.h"
#include "playback/PlaybackTestSupport.h"
#include "ui/graph/GyroscopeGraphControl.h"
#include "support/SampleCard.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

class PlayerPaneWithGraph : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartEngineAndSkin(); }
    static void TearDownTestSuite() { StopEngineAndSkin(); }
};

// Leaves build/playerpane-graph-screenshot.png: both cameras, times, the speed read-out and the graph.
TEST_F(PlayerPaneWithGraph, Screenshot)
{
    TempDir dir;
    PlaybackSession session;
    MainWindowStandIn mainWindow(session);
    MessageLog log;
    session.AddListener(&mainWindow);
    auto* pane = new CVideoPlayerPane(nullptr, session, *VlcFunctionExecutor::Instance(),
                                      [](QWidget* parent, PlaybackSession& s) -> IGSensorGraph* {
                                          return new GyroscopeGraphControl(parent, s);
                                      });
    pane->resize(770, 708);
    pane->move(0, 0);
    pane->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pane));
    session.AddListener(&log);
    pane->OnBnClickedAllChannelVideoBtn();

    const std::string path = MakeRecording(dir.path(), {"--seconds", "20", "--channels", "2", "--kind", "EVT"});
    session.SetRecordings(RecordingItems({path}));
    session.Post(VIDEO_FILES_OPENED);
    session.Post(VIDEO_MEDIA_LOAD);
    session.Post(NEW_VIDEO_PLAY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->SecondChannel()->IsTrackChosen(); }, kWaitMs));
    const int positions = log.Count(VIDEO_FRAME_POSITION_CHANGED);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Count(VIDEO_FRAME_POSITION_CHANGED) >= positions + 8; }, kWaitMs));
    QCoreApplication::processEvents();
    const ProgramRun shot = RunProgram({"import", "-window", "root", TESSARO_BUILD_DIR "/playerpane-graph-screenshot.png"});
    EXPECT_EQ(shot.exitCode, 0) << shot.err;

    session.RemoveListener(&log);
    delete pane;
    session.Shutdown();
}

}  // namespace
