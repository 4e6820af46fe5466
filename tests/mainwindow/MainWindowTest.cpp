// The main window in-process: its layout, where the mouse moves or resizes it, its commands with their
// conditions from wherever the keyboard is, and its part of the session's messages.
#include "ui/CCorvellNewDlg.h"

#include "infra/MenuTable.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "playback/CVideoPlayerPane.h"
#include "playback/PlaybackTestSupport.h"
#include "ui/list/VideoListControl.h"
#include "ui/map/GPSMapControl.h"
#include "mapbrowser/MapBrowser.h"
#include "widgets/CBitmapSlider.h"
#include "widgets/CSkinListCtrl.h"

#include "support/SampleCard.h"
#include "support/qt/BoxRecorder.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using Hit = CCorvellNewDlg::Hit;

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        StartEngineAndSkin();
        // The map pane looks for its page in the current folder first.
        std::filesystem::copy_file(TESSARO_MAP_PAGE, "map.htm", std::filesystem::copy_options::overwrite_existing);
    }
    static void TearDownTestSuite() { StopEngineAndSkin(); }

    void SetUp() override
    {
        window = std::make_unique<CCorvellNewDlg>(session, *VlcFunctionExecutor::Instance());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // Shortcuts work in the active window only.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        session.AddListener(&log);
    }
    void TearDown() override
    {
        session.RemoveListener(&log);
        window.reset();
        session.Shutdown();
    }
    // Runs a message through the session and waits until every listener has had it.
    void Settle()
    {
        const int pauses = log.Count(VIDEO_FRAME_POSITION_SLIDER_INTERVAL_VALUE_CHANGED);
        session.Post(VIDEO_FRAME_POSITION_SLIDER_INTERVAL_VALUE_CHANGED);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return log.Count(VIDEO_FRAME_POSITION_SLIDER_INTERVAL_VALUE_CHANGED) > pauses; }, kWaitMs));
        QCoreApplication::processEvents();
    }
    void OpenRecording(TempDir& dir)
    {
        const std::string path = MakeRecording(dir.path(), {"--seconds", "10", "--channels", "2"});
        session.SetRecordings(RecordingItems({path}));
        session.Post(VIDEO_FILES_OPENED);
        session.Post(VIDEO_MEDIA_LOAD);
        session.Post(NEW_VIDEO_PLAY);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->PlayerPane()->IsPositionSliderEnabled(); }, kWaitMs));
    }

    PlaybackSession session;
    MessageLog log;
    std::unique_ptr<CCorvellNewDlg> window;
};

TEST_F(MainWindow, PanesAndButtonsAreLaidOutFromTheWindowSize)
{
    struct Case {
        QSize size;
        QRect player, map, list;
    };
    const Case cases[] = {
        {{1065, 758}, {5, 46, 770, 708}, {780, 46, 280, 302}, {780, 348, 280, 406}},
        {{1400, 900}, {5, 46, 1105, 850}, {1115, 46, 280, 350}, {1115, 396, 280, 501}},
        // Below the minimum the window stays at the minimum.
        {{800, 600}, {5, 46, 770, 708}, {780, 46, 280, 302}, {780, 348, 280, 406}},
    };
    for (const Case& c : cases) {
        window->resize(c.size);
        QCoreApplication::processEvents();
        EXPECT_EQ(window->PlayerPane()->geometry(), c.player) << c.size.width();
        EXPECT_EQ(window->MapPane()->geometry(), c.map) << c.size.width();
        EXPECT_EQ(window->ListPane()->geometry(), c.list) << c.size.width();
        EXPECT_EQ(window->MapPane()->geometry(), GPSMapControl::DockedGeometry(window->size()));
        const int right = window->width();
        EXPECT_EQ(window->Control(CCorvellNewDlg::kCloseButton)->geometry(), QRect(right - 25, 12, 22, 22));
        EXPECT_EQ(window->Control(CCorvellNewDlg::kMinimizeButton)->x(), right - 75);
    }
    const int toolbar[] = {1154, 1159, 1160, 1161, 1162, 1163, 1164};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(window->Control(toolbar[i])->geometry(), QRect(15 + 42 * i, 9, 32, 32));

    // The video area over the whole window, toolbar and other panes hidden; a resize keeps it so; Escape
    // brings the panes back.
    window->OnCommand(CCorvellNewDlg::kVideoMaximizeButton);
    EXPECT_TRUE(session.videoAreaMaximized);
    EXPECT_EQ(window->PlayerPane()->geometry(), window->rect());
    EXPECT_FALSE(window->MapPane()->isVisible());
    EXPECT_FALSE(window->ListPane()->isVisible());
    EXPECT_FALSE(window->Control(CCorvellNewDlg::kOpenButton)->isVisible());
    EXPECT_FALSE(window->Control(CCorvellNewDlg::kCloseButton)->isVisible());
    window->resize(1200, 800);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->PlayerPane()->geometry(), QRect(0, 0, 1200, 800));
    window->OnCommand(CCorvellNewDlg::kEscape);
    EXPECT_FALSE(session.videoAreaMaximized);
    EXPECT_TRUE(window->MapPane()->isVisible());
    EXPECT_TRUE(window->ListPane()->isVisible());
    EXPECT_EQ(window->PlayerPane()->geometry(), QRect(5, 46, 905, 750));
    // Alt+Enter toggles, the player pane's own button comes back.
    window->OnCommand(CCorvellNewDlg::kToggleVideoArea);
    EXPECT_TRUE(session.videoAreaMaximized);
    emit window->PlayerPane()->MinimizeRequested();
    EXPECT_FALSE(session.videoAreaMaximized);
}

TEST(MainWindowHitTest, TheRightAndBottomBandsResizeTheRestMoves)
{
    const QSize size(1065, 758);
    const std::pair<QPoint, Hit> cases[] = {
        {{500, 300}, Hit::Surface},    {{1055, 300}, Hit::Surface}, {{1056, 300}, Hit::Right},
        {{500, 748}, Hit::Surface},    {{500, 749}, Hit::Bottom},   {{1060, 750}, Hit::BottomRight},
        {{0, 0}, Hit::Surface},
    };
    for (const auto& [point, hit] : cases)
        EXPECT_EQ(CCorvellNewDlg::HitTest(point, size), hit) << point.x() << "," << point.y();
}

// Commands that need a recording, or an enabled position slider, do nothing without it.
TEST_F(MainWindow, CommandsWithoutTheirConditionDoNothing)
{
    Settle();
    const std::size_t before = log.Size();
    for (int id : {CCorvellNewDlg::kPlayPause, CCorvellNewDlg::kNext, CCorvellNewDlg::kPrevious,
                   CCorvellNewDlg::kForward, CCorvellNewDlg::kRewind, CCorvellNewDlg::kPrintKey,
                   CCorvellNewDlg::kPrintPreview, CCorvellNewDlg::kMapZoom})
        window->OnCommand(id);
    Settle();
    EXPECT_EQ(log.Ids(before), std::vector<int32_t>{VIDEO_FRAME_POSITION_SLIDER_INTERVAL_VALUE_CHANGED});
    EXPECT_FALSE(window->MapPane()->IsFloating());
    // Escape and Enter never close the window.
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
}

// Every shortcut of the table is a window shortcut, so a key works wherever the keyboard is: the list,
// a slider, the map's browser. M (mute) has no condition; Space plays or pauses once a recording plays.
TEST_F(MainWindow, ShortcutsWorkFromTheListTheSlidersAndTheMap)
{
    EXPECT_EQ(window->Shortcuts().size(), LoadAcceleratorTable().size() + 1);
    for (QAction* action : window->Shortcuts())
        EXPECT_EQ(action->shortcutContext(), Qt::WindowShortcut);

    TempDir dir;
    OpenRecording(dir);
    // Keys in the browser reach the window through the map pane once its page is there.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->MapPane()->Page() && window->MapPane()->Page()->IsLoaded(); }, kWaitMs));
    QWidget* places[] = {window->ListPane()->List()->viewport(), window->PlayerPane()->VolumeSlider(),
                         window->MapPane()->Browser()->focusProxy() ? window->MapPane()->Browser()->focusProxy()
                                                                    : window->MapPane()->Browser()};
    bool muted = window->PlayerPane()->IsMuted();
    for (QWidget* place : places) {
        place->setFocus();
        QTest::keyClick(place, Qt::Key_M);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->PlayerPane()->IsMuted() != muted; }, 5000))
            << place->metaObject()->className();
        muted = window->PlayerPane()->IsMuted();
    }
    const std::size_t before = log.Size();
    window->ListPane()->List()->setFocus();
    QTest::keyClick(window->ListPane()->List()->viewport(), Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Since(before, VIDEO_PAUSE).size() + log.Since(before, VIDEO_PLAY).size() > 0; },
                                kWaitMs));
}

// The volume keys move the slider and send the volume on, as the slider itself would.
TEST_F(MainWindow, VolumeKeysMoveTheSliderAndPostTheVolume)
{
    const int volume = window->PlayerPane()->VolumeSlider()->GetPos();
    const std::size_t before = log.Size();
    window->OnCommand(CCorvellNewDlg::kVolumeDown);
    EXPECT_EQ(window->PlayerPane()->VolumeSlider()->GetPos(), volume - 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.Since(before, CHANGE_VIDEO_VOLUME).empty(); }, kWaitMs));
    window->OnCommand(CCorvellNewDlg::kVolumeUp);
    EXPECT_EQ(window->PlayerPane()->VolumeSlider()->GetPos(), volume);
}

// A recording missing when it should play: the box, and the output buttons off.
TEST_F(MainWindow, AMissingFileIsToldAndTheOutputButtonsGoOff)
{
    BoxRecorder boxes;
    TempDir dir;
    OpenRecording(dir);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Control(CCorvellNewDlg::kCaptureButton)->isEnabled(); }, kWaitMs));
    session.Post(VIDEO_FILE_NOT_FOUND);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.texts.empty(); }, kWaitMs));
    EXPECT_EQ(boxes.texts.front().toStdString(), LoadString(StringId::kCouldNotFindFile));
    for (int id : {CCorvellNewDlg::kCaptureButton, CCorvellNewDlg::kRecordButton, CCorvellNewDlg::kPrintButton})
        EXPECT_FALSE(window->Control(id)->isEnabled()) << id;
    EXPECT_TRUE(window->Control(CCorvellNewDlg::kOpenButton)->isEnabled());
}

}  // namespace
