// The player control pane: its arithmetic, its speed panel and layout, and its controls following
// generated recordings played by the real engine in a real X window.
#include "playback/CVideoPlayerPane.h"

#include "playback/CFirstChannelVideoPane.h"
#include "playback/CSecondChannelVideoPane.h"
#include "PlaybackTestSupport.h"
#include "widgets/CBitmapSlider.h"
#include "widgets/CButtonStyle.h"
#include "widgets/CMySliderControl.h"
#include "infra/MenuTable.h"
#include "widgets/ResourceManager.h"
#include "widgets/SkinIds.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"
#include "support/qt/SkinTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace {

using Pane = CVideoPlayerPane;

// Stands in for the G-sensor graph: a dark strip that counts how often it was cleared.
class GraphStandIn final : public QWidget, public IGSensorGraph {
public:
    explicit GraphStandIn(QWidget* parent) : QWidget(parent) {}
    void ClearGraph() override { ++cleared; }
    QWidget* GraphWidget() override { return this; }
    int cleared = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(20, 20, 20));
        painter.setPen(QColor(255, 165, 0));
        for (int x = 1; x < width(); ++x)
            painter.drawLine(x - 1, int(height() / 2 + 30 * std::sin((x - 1) / 25.0)), x,
                             int(height() / 2 + 30 * std::sin(x / 25.0)));
    }
};

GSensorGraphFactory StandInGraph()
{
    return [](QWidget* parent, PlaybackSession&) -> IGSensorGraph* { return new GraphStandIn(parent); };
}

QString Text(const Pane& pane, int id)
{
    return static_cast<QLabel*>(pane.Control(id))->text();
}

// ---- Arithmetic ------------------------------------------------------------------------------------

TEST(PlayerPaneArithmetic, StepsFollowTheIntervalWhilePlayingAndOneFrameWhilePaused)
{
    struct Case {
        int duration, totalFrames, interval;
        bool paused;
        int units;
    } cases[] = {
        {45, 1350, 5, false, 1110},  // 10000 / 45 = 222, times 5
        {60, 1800, 5, false, 830},   // rounded down before the multiplication
        {45, 1350, 5, true, 7},      // one frame
        {45, 0, 5, true, 1110},      // no frame count: the interval step, never a division by zero
        {300, 12004, 5, true, 1},    // a frame below one unit still moves
        {10, 20000, 5, true, 1},
        {20000, 0, 1, false, 1},     // an interval below one unit too
        {10, 300, 100000, false, 10000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Pane::StepUnits(c.duration, c.totalFrames, c.interval, c.paused), c.units)
            << c.duration << " s, " << c.totalFrames << " frames, interval " << c.interval << ", paused " << c.paused;
}

TEST(PlayerPaneArithmetic, TimesPositionsAndRates)
{
    EXPECT_EQ(Pane::TimeText(int(60 * 0.5f)), "00:30");
    EXPECT_EQ(Pane::TimeText(3725), "62:05");  // whole minutes, not wrapped at the hour
    EXPECT_EQ(Pane::TimeText(3660), "61:00");
    EXPECT_EQ(Pane::TimeText(0), "00:00");
    EXPECT_EQ(Pane::TimeText(-5), "00:00");

    EXPECT_EQ(Pane::SliderValue(0.5f), 5000);
    EXPECT_EQ(Pane::SliderValue(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(Pane::SliderValue(-0.2f), 0);
    EXPECT_EQ(Pane::SliderValue(1.7f), 10000);

    const float rates[] = {0.1f, 0.25f, 0.5f, 1.0f, 1.25f, 1.5f, 2.0f};
    for (int position = 1; position <= 7; ++position)
        EXPECT_FLOAT_EQ(Pane::RateOfSpeedPosition(position), rates[position - 1]);
}

// ---- Speed panel -----------------------------------------------------------------------------------

class SpeedPanel : public ::testing::Test {
protected:
    // The digit picture's own pixels (its white is keyed out) must be in the panel's cell at x.
    static bool CellShows(const QImage& panel, int x, int bitmapId)
    {
        const QImage digit =
            ResourceManager::GetInstance()->LoadBitmap(bitmapId).toImage().convertToFormat(QImage::Format_RGB32);
        int compared = 0;
        for (int y = 0; y < digit.height(); ++y)
            for (int dx = 0; dx < digit.width(); ++dx) {
                const QRgb pixel = digit.pixel(dx, y);
                if (pixel == qRgb(255, 255, 255))
                    continue;
                if (panel.pixel(x + dx, 11 + y) != pixel)
                    return false;
                ++compared;
            }
        return compared > 0;
    }
    static RecordingItem WithSpeed(double speed)
    {
        RecordingItem item(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, "x.avi", "x.avi");
        item.duration = 10;
        item.gpsSamples.resize(10);
        for (GpsSample& sample : item.gpsSamples) {
            sample.speed = 50.0;
            sample.valid = true;
        }
        item.gpsSamples[5].speed = speed;
        return item;
    }

    BuiltSkin skin;
};

TEST_F(SpeedPanel, ShowsTheSpeedAtThePositionInDigitPicturesAndTheEmptyPanelOtherwise)
{
    struct Case {
        double speed;
        std::string text;
    } cases[] = {{123.4, "123.4"}, {7.5, "7.5"}, {3.9, "0.0"}, {4.0, "0.0"}, {1234.5, ""}, {-1.0, "0.0"}};
    for (const Case& c : cases)
        EXPECT_EQ(Pane::SpeedTextAt(WithSpeed(c.speed), 0.55f), c.text) << c.speed;
    RecordingItem noGps = WithSpeed(50.0);
    noGps.gpsSamples.clear();
    EXPECT_EQ(Pane::SpeedTextAt(noGps, 0.5f), "");

    const QImage full = Pane::SpeedPanelImage("123.4");
    EXPECT_EQ(full.size(), QSize(124, 38));
    EXPECT_TRUE(CellShows(full, 21, SkinId::kDigit1));
    EXPECT_TRUE(CellShows(full, 32, SkinId::kDigit2));
    EXPECT_TRUE(CellShows(full, 43, SkinId::kDigit3));
    EXPECT_TRUE(CellShows(full, 54, SkinId::kDigitPoint));
    EXPECT_TRUE(CellShows(full, 60, SkinId::kDigit4));

    const QImage small = Pane::SpeedPanelImage("7.5");
    EXPECT_TRUE(CellShows(small, 43, SkinId::kDigit7));
    EXPECT_TRUE(CellShows(small, 60, SkinId::kDigit5));
    // Nothing is drawn in the unused integer cells: they show the panel's own ground.
    const QImage ground =
        ResourceManager::GetInstance()->LoadBitmap(SkinId::kSpeedPanel).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(small.copy(21, 11, 21, 16), ground.copy(21, 11, 21, 16));

    const QImage empty = Pane::SpeedPanelImage("");
    EXPECT_TRUE(CellShows(empty, 43, SkinId::kDigitBlank));
    EXPECT_TRUE(CellShows(empty, 60, SkinId::kDigitBlank));
    EXPECT_TRUE(CellShows(empty, 54, SkinId::kDigitPoint));
    EXPECT_FALSE(CellShows(empty, 43, SkinId::kDigit0));
}

// ---- The pane with the real engine ------------------------------------------------------------------

class PlayerPane : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartEngineAndSkin(); }
    static void TearDownTestSuite() { StopEngineAndSkin(); }

    PlayerPane()
    {
        m_session.AddListener(&m_mainWindow);
        pane = new Pane(nullptr, m_session, *VlcFunctionExecutor::Instance(), StandInGraph());
        pane->setWindowTitle("Player pane");
        pane->resize(770, 708);
        pane->move(0, 0);
        pane->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pane));
        m_session.AddListener(&log);
    }
    ~PlayerPane() override
    {
        log.Release();
        m_session.RemoveListener(&log);
        delete pane;
        m_session.Shutdown();
    }

    std::string Recording(const std::string& fileName, int channels, int seconds = 6)
    {
        return MakeRecording(dir.path(), {"--seconds", std::to_string(seconds), "--channels", std::to_string(channels)},
                             fileName);
    }

    // A new list as the main window posts it; the recording at index plays.
    void Open(const std::vector<std::string>& paths, int index = 0)
    {
        m_session.SetRecordings(RecordingItems(paths));
        m_session.Post(VIDEO_FILES_OPENED);
        auto select = std::make_unique<MessageParam>();
        select->index = index;
        m_session.Post(VIDEO_INDEX_SELECT, std::move(select));
        m_session.Post(VIDEO_MEDIA_LOAD);
        m_session.Post(NEW_VIDEO_PLAY);
    }

    // Waits until the message has been delivered count times and the widget changes queued before it ran.
    bool WaitFor(int32_t message, int count = 1)
    {
        const bool arrived = QTest::qWaitFor([&] { return log.Count(message) >= count; }, kWaitMs);
        QCoreApplication::processEvents();
        return arrived;
    }
    bool OpenAndPlay(const std::vector<std::string>& paths)
    {
        Open(paths);
        return WaitFor(VIDEO_PLAYING) && WaitFor(VIDEO_FRAME_POSITION_CHANGED, log.Count(VIDEO_FRAME_POSITION_CHANGED) + 2);
    }

    QWidget* C(int id) const { return pane->Control(id); }
    TempDir dir;
    PlaybackSession m_session;
    MainWindowStandIn m_mainWindow{m_session};
    MessageLog log;
    Pane* pane = nullptr;
};

TEST_F(PlayerPane, StartsWithEverythingDisabledAndLaysItsControlsOut)
{
    for (int id : {Pane::kPreviousButtonId, Pane::kRewindButtonId, Pane::kPlayButtonId, Pane::kForwardButtonId,
                   Pane::kNextButtonId, Pane::kPositionSliderId})
        EXPECT_FALSE(C(id)->isEnabled()) << id;
    EXPECT_FALSE(pane->IsPositionSliderEnabled());
    EXPECT_EQ(Text(*pane, Pane::kElapsedLabelId), "00:00:00");
    EXPECT_EQ(Text(*pane, Pane::kSpeedLabelId), "1.00 x");
    EXPECT_FALSE(C(Pane::kChannel1ButtonId)->isVisible());
    EXPECT_EQ(pane->SpeedSlider()->minimum(), 1);
    EXPECT_EQ(pane->SpeedSlider()->value(), 4);
    EXPECT_EQ(pane->BrightnessSlider()->maximum(), 100);
    EXPECT_EQ(pane->BrightnessSlider()->value(), 50);
    EXPECT_EQ(pane->VolumeSlider()->GetPos(), 30);
    EXPECT_EQ(pane->PositionSlider()->maximum(), 10000);
    EXPECT_EQ(pane->Control(Pane::kPlayButtonId)->toolTip(), "Play/Pause");

    // 770 x 708, normal: x0 = 25, label row at 473, videos 463 high, the graph below the slider.
    EXPECT_EQ(pane->FirstChannel()->geometry(), QRect(0, 0, 770, 463));
    EXPECT_EQ(pane->Graph()->GraphWidget()->geometry(), QRect(0, 518, 770, 135));
    EXPECT_TRUE(pane->Graph()->GraphWidget()->isVisible());
    EXPECT_EQ(C(Pane::kElapsedLabelId)->geometry(), QRect(80, 473, 30, 20));
    EXPECT_EQ(C(Pane::kChannel1ButtonId)->geometry(), QRect(620, 472, 43, 19));
    EXPECT_EQ(C(Pane::kPositionSliderId)->geometry(), QRect(0, 493, 770, 25));
    EXPECT_EQ(C(Pane::kPlayButtonId)->geometry(), QRect(105, 663, 32, 32));
    EXPECT_EQ(C(Pane::kMuteButtonId)->geometry(), QRect(485, 669, 24, 24));
    EXPECT_EQ(C(Pane::kBrightnessSliderId)->geometry(), QRect(390, 668, 90, 25));
    EXPECT_EQ(C(Pane::kVolumeSliderId)->geometry(), QRect(525, 668, 70, 21));
    EXPECT_EQ(C(Pane::kSpeedPanelId)->geometry(), QRect(625, 663, 124, 38));
    EXPECT_FALSE(C(Pane::kMinimizeButtonId)->isVisible());

    // ALL with an odd width: both halves 385 wide, the last column left over.
    pane->OnBnClickedAllChannelVideoBtn();
    pane->resize(771, 708);
    QCoreApplication::processEvents();
    EXPECT_EQ(pane->FirstChannel()->geometry(), QRect(0, 0, 385, 463));
    EXPECT_EQ(pane->SecondChannel()->geometry(), QRect(385, 0, 385, 463));
    EXPECT_TRUE(pane->SecondChannel()->isVisible());

    // Maximized: no graph, the label row 100 above the bottom, the minimize button in the corner.
    m_session.videoAreaMaximized = true;
    pane->resize(1065, 758);
    QCoreApplication::processEvents();
    EXPECT_FALSE(pane->Graph()->GraphWidget()->isVisible());
    EXPECT_EQ(pane->FirstChannel()->geometry(), QRect(0, 0, 532, 653));
    EXPECT_EQ(C(Pane::kSpanLabelId)->geometry(), QRect(10, 658, 60, 20));
    EXPECT_EQ(C(Pane::kPositionSliderId)->geometry(), QRect(0, 678, 1065, 25));
    EXPECT_EQ(C(Pane::kPreviousButtonId)->geometry(), QRect(172, 713, 32, 32));
    EXPECT_TRUE(C(Pane::kMinimizeButtonId)->isVisible());
    EXPECT_EQ(C(Pane::kMinimizeButtonId)->geometry(), QRect(1020, 713, 32, 32));

    // Its click hides it and asks the main window for the normal layout.
    int requested = 0;
    QObject::connect(pane, &Pane::MinimizeRequested, [&] { ++requested; });
    static_cast<QAbstractButton*>(C(Pane::kMinimizeButtonId))->click();
    EXPECT_EQ(requested, 1);
    EXPECT_FALSE(C(Pane::kMinimizeButtonId)->isVisible());
}

TEST_F(PlayerPane, PlayingRecordingsDriveTheControlsAndTheListEndsStop)
{
    const std::string first = Recording("REC_20120820_153012_F.avi", 2, 45);
    ASSERT_TRUE(OpenAndPlay({first}));

    // Playing: the engine gets the slider's volume, everything is usable, the times and channels show.
    const auto volumes = log.Since(0, CHANGE_VIDEO_VOLUME);
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front().param.volume, 30);
    EXPECT_TRUE(pane->IsPositionSliderEnabled());
    EXPECT_TRUE(C(Pane::kForwardButtonId)->isEnabled());
    EXPECT_EQ(Text(*pane, Pane::kTotalLabelId), "00:45");
    EXPECT_TRUE(C(Pane::kChannel1ButtonId)->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane->PositionSlider()->value() > 0; }, kWaitMs));

    // Forward while playing: 222 x 5 units from where the slider is.
    std::size_t mark = log.Size();
    int from = pane->PositionSlider()->value();
    pane->OnBnClickedForwardBtn();
    ASSERT_TRUE(WaitFor(CHANGE_VIDEO_FRAME_POSITION, 1));
    auto seeks = log.Since(mark, CHANGE_VIDEO_FRAME_POSITION);
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_NEAR(seeks[0].param.position, (from + 1110) / 10000.0, 1e-6);

    // Pause, one frame on, play again.
    pane->OnBnClickedPlayBtn();
    ASSERT_TRUE(WaitFor(VIDEO_PAUSE));
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Count(CHANGE_VIDEO_FRAME_POSITION) >= 1; }, kWaitMs));
    QTest::qWait(300);
    mark = log.Size();
    from = pane->PositionSlider()->value();
    pane->OnBnClickedForwardBtn();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.Since(mark, CHANGE_VIDEO_FRAME_POSITION).empty(); }, kWaitMs));
    seeks = log.Since(mark, CHANGE_VIDEO_FRAME_POSITION);
    const RecordingItem* item = m_session.GetCurrentRecording();
    ASSERT_GT(item->totalFrames, 0);
    EXPECT_NEAR(seeks[0].param.position, (from + 10000 / item->totalFrames) / 10000.0, 1e-6);
    pane->OnBnClickedPlayBtn();
    ASSERT_TRUE(WaitFor(VIDEO_PLAYING, 2));
    EXPECT_TRUE(C(Pane::kRewindButtonId)->isEnabled());

    // Next at the last recording: the first is loaded and stopped, rewind and forward disabled.
    mark = log.Size();
    pane->OnBnClickedNextBtn();
    ASSERT_TRUE(WaitFor(VIDEO_STOP));
    std::vector<int32_t> sequence;
    for (int32_t id : log.Ids(mark))
        if (id == VIDEO_INDEX_SELECT || id == VIDEO_MEDIA_LOAD || id == VIDEO_STOP || id == VIDEO_NEXT)
            sequence.push_back(id);
    EXPECT_EQ(sequence, (std::vector<int32_t>{VIDEO_INDEX_SELECT, VIDEO_MEDIA_LOAD, VIDEO_STOP}));
    EXPECT_EQ(log.Since(mark, VIDEO_INDEX_SELECT).at(0).param.index, 0);
    EXPECT_FALSE(C(Pane::kForwardButtonId)->isEnabled());
    EXPECT_FALSE(C(Pane::kRewindButtonId)->isEnabled());
    EXPECT_FALSE(pane->IsPositionSliderEnabled());
    EXPECT_EQ(pane->PositionSlider()->value(), 0);
    EXPECT_EQ(Text(*pane, Pane::kElapsedLabelId), "00:00");
    EXPECT_FALSE(C(Pane::kChannel1ButtonId)->isVisible());
}

TEST_F(PlayerPane, AMissingFileDisablesEverythingAndClearsTheGraph)
{
    const std::string path = Recording("REC_20120820_153012_F.avi", 1);
    std::filesystem::remove(path);
    Open({path});
    ASSERT_TRUE(WaitFor(VIDEO_FILE_NOT_FOUND));
    EXPECT_EQ(static_cast<GraphStandIn*>(pane->Graph())->cleared, 1);
    for (int id : {Pane::kPreviousButtonId, Pane::kPlayButtonId, Pane::kNextButtonId, Pane::kPositionSliderId})
        EXPECT_FALSE(C(id)->isEnabled()) << id;
    EXPECT_EQ(Text(*pane, Pane::kTotalLabelId), "00:00");

    // Without a duration rewind and forward post nothing.
    const std::size_t mark = log.Size();
    pane->OnBnClickedForwardBtn();
    pane->OnBnClickedRewindBtn();
    QTest::qWait(200);
    EXPECT_TRUE(log.Since(mark, CHANGE_VIDEO_FRAME_POSITION).empty());
}

TEST_F(PlayerPane, AOneChannelRecordingAfterAllShowsChannelOneWithoutTheButtons)
{
    const std::string two = Recording("REC_20120820_153012_F.avi", 2);
    const std::string one = Recording("REC_20120820_153112_F.avi", 1);
    ASSERT_TRUE(OpenAndPlay({two, one}));
    pane->OnBnClickedAllChannelVideoBtn();
    EXPECT_EQ(pane->ViewModeNow(), Pane::kAllChannelsView);
    EXPECT_TRUE(pane->SecondChannel()->isVisible());

    const int openings = log.Count(VIDEO_METADATA_CREATED);
    pane->OnBnClickedNextBtn();
    ASSERT_TRUE(WaitFor(VIDEO_METADATA_CREATED, openings + 1));
    EXPECT_EQ(pane->ViewModeNow(), Pane::kChannel1View);
    EXPECT_FALSE(pane->SecondChannel()->isVisible());
    EXPECT_EQ(pane->FirstChannel()->width(), 770);
    EXPECT_FALSE(C(Pane::kChannel1ButtonId)->isVisible());
}

// Messages pile up behind a slow listener while the user drags: no report queued before a seek moves the
// thumb back, and the messages that are not positions survive the seek.
TEST_F(PlayerPane, ADragBehindASlowListenerKeepsTheThumbAndTheOtherMessages)
{
    m_session.SetRecordings({});
    log.Hold(VIDEO_PAUSE);
    m_session.Post(VIDEO_PAUSE);
    ASSERT_TRUE(log.WaitHeld());
    for (float position : {0.1f, 0.2f, 0.3f}) {
        auto report = std::make_unique<MessageParam>();
        report->position = position;
        m_session.Post(VIDEO_FRAME_POSITION_CHANGED, std::move(report));
    }
    m_session.Post(VIDEO_METADATA_CREATED);

    // The user drags the thumb to 80 % and lets go.
    pane->PositionSlider()->setEnabled(true);
    CMySliderControl* slider = pane->PositionSlider();
    const QRect channel = slider->ChannelRect();
    const int x = channel.left() + channel.width() * 8 / 10;
    WindowMouse::Press(slider, slider->ThumbRect().center());
    WindowMouse::Move(slider, {x, channel.center().y()});
    WindowMouse::Release(slider, {x, channel.center().y()});
    const int dragged = slider->value();
    EXPECT_GT(dragged, 7000);
    log.Release();

    ASSERT_TRUE(WaitFor(VIDEO_METADATA_CREATED));
    ASSERT_TRUE(WaitFor(CHANGE_VIDEO_FRAME_POSITION));
    QTest::qWait(200);
    EXPECT_EQ(log.Count(VIDEO_FRAME_POSITION_CHANGED), 0);
    EXPECT_EQ(slider->value(), dragged);
    const auto seeks = log.Since(0, CHANGE_VIDEO_FRAME_POSITION);
    EXPECT_NEAR(seeks.back().param.position, dragged / 10000.0, 1e-6);
}

// Paused, the engine reports no position. A seek with the slider (held, dragged, let go, or a click) and
// a frame step each still move every read-out of the pane to the moment shown, and the session's
// position with them; while the thumb is held the time follows the thumb.
TEST_F(PlayerPane, PausedSeeksAndStepsMoveTheTimeAndTheSpeedToTheMomentShown)
{
    ASSERT_TRUE(OpenAndPlay({Recording("REC_20120820_153012_F.avi", 1, 45)}));
    pane->OnBnClickedPlayBtn();
    ASSERT_TRUE(WaitFor(VIDEO_PAUSE));
    QTest::qWait(500);
    const RecordingItem& item = *m_session.GetCurrentRecording();
    CMySliderControl* slider = pane->PositionSlider();

    // The position announced last since mark, once every seek since then has been announced and the pane
    // has shown it.
    const auto announced = [&](std::size_t mark) -> std::optional<float> {
        const auto allAnnounced = [&] {
            const std::size_t positions = log.Since(mark, VIDEO_FRAME_POSITION_CHANGED).size();
            return positions > 0 && positions == log.Since(mark, CHANGE_VIDEO_FRAME_POSITION).size();
        };
        if (!QTest::qWaitFor(allAnnounced, kWaitMs))
            return std::nullopt;
        QTest::qWait(100);
        QCoreApplication::processEvents();
        return log.Since(mark, VIDEO_FRAME_POSITION_CHANGED).back().param.position;
    };
    const auto expectShows = [&](float position, int sliderValue) {
        EXPECT_NEAR(position, sliderValue / 10000.0, 1e-6);
        EXPECT_EQ(slider->value(), sliderValue);
        EXPECT_EQ(Text(*pane, Pane::kElapsedLabelId), Pane::TimeText(static_cast<int>(item.duration * position)));
        EXPECT_EQ(pane->SpeedPanelPicture(), Pane::SpeedPanelImage(Pane::SpeedTextAt(item, position)));
        EXPECT_FLOAT_EQ(m_session.position, position);
    };
    const QRect channel = slider->ChannelRect();
    const auto at = [&](double share) { return QPoint(channel.left() + int(channel.width() * share), channel.center().y()); };

    {
        SCOPED_TRACE("thumb held at half");
        std::size_t mark = log.Size();
        WindowMouse::Press(slider, at(0.5));
        const int value = slider->value();
        const auto position = announced(mark);
        ASSERT_TRUE(position);
        EXPECT_TRUE(slider->IsThumbHeld());
        expectShows(*position, value);
    }
    {
        SCOPED_TRACE("thumb dragged to three quarters, then let go");
        std::size_t mark = log.Size();
        WindowMouse::Move(slider, at(0.75));
        const int value = slider->value();
        auto position = announced(mark);
        ASSERT_TRUE(position);
        expectShows(*position, value);
        mark = log.Size();
        WindowMouse::Release(slider, at(0.75));
        position = announced(mark);
        ASSERT_TRUE(position);
        expectShows(*position, value);
    }
    {
        SCOPED_TRACE("a click at a quarter");
        const std::size_t mark = log.Size();
        WindowMouse::Press(slider, at(0.25));
        WindowMouse::Release(slider, at(0.25));
        const int value = slider->value();
        const auto position = announced(mark);
        ASSERT_TRUE(position);
        expectShows(*position, value);
    }
    for (const bool forward : {true, true, false}) {
        SCOPED_TRACE(forward ? "a frame on" : "a frame back");
        const std::size_t mark = log.Size();
        const int from = slider->value();
        forward ? pane->OnBnClickedForwardBtn() : pane->OnBnClickedRewindBtn();
        const auto position = announced(mark);
        ASSERT_TRUE(position);
        const int step = 10000 / item.totalFrames;
        EXPECT_NEAR(*position, (from + (forward ? step : -step)) / 10000.0, 1e-6);
        expectShows(*position, Pane::SliderValue(*position));
    }
    EXPECT_EQ(log.Count(VIDEO_PLAYING), 1) << "still paused";
}

TEST_F(PlayerPane, MuteRestoresTheVolumeAndMovingOrSteppingTheVolumeUnmutes)
{
    auto volumesSince = [&](std::size_t mark) {
        (void)QTest::qWaitFor([&] { return !log.Since(mark, CHANGE_VIDEO_VOLUME).empty(); }, kWaitMs);
        std::vector<int> values;
        for (const Delivered& d : log.Since(mark, CHANGE_VIDEO_VOLUME))
            values.push_back(d.param.volume);
        return values;
    };
    CBitmapSlider* volume = pane->VolumeSlider();
    volume->SetPos(47);

    std::size_t mark = log.Size();
    pane->OnBnClickedMuteBtn();
    EXPECT_EQ(volumesSince(mark), std::vector<int>{0});
    EXPECT_TRUE(pane->IsMuted());
    mark = log.Size();
    pane->OnBnClickedMuteBtn();
    EXPECT_EQ(volumesSince(mark), std::vector<int>{47});
    EXPECT_FALSE(pane->IsMuted());

    // The mute's own message is delivered after the click returns: wait for it before marking.
    auto mute = [&] {
        const std::size_t before = log.Size();
        pane->OnBnClickedMuteBtn();
        (void)volumesSince(before);
    };

    // A drag while muted unmutes and posts every step.
    mute();
    mark = log.Size();
    const int y = volume->height() / 2;
    WindowMouse::Press(volume, {volume->PositionToPixel(20), y});
    WindowMouse::Move(volume, {volume->PositionToPixel(60), y});
    WindowMouse::Release(volume, {volume->PositionToPixel(60), y});
    const auto dragged = volumesSince(mark);
    ASSERT_FALSE(dragged.empty());
    EXPECT_EQ(dragged.back(), volume->GetPos());
    EXPECT_FALSE(pane->IsMuted());

    // Up after Mute: sound on, and the engine hears it.
    mute();
    mark = log.Size();
    pane->StepVolume(5);
    EXPECT_EQ(volumesSince(mark), std::vector<int>{5});
    EXPECT_FALSE(pane->IsMuted());
    pane->StepVolume(500);
    EXPECT_EQ(volume->GetPos(), 100);
}

TEST_F(PlayerPane, OnlyTheUsersSliderStepsPostAndKeysNeverMoveThem)
{
    QSlider* speed = pane->SpeedSlider();
    std::size_t mark = log.Size();
    speed->setValue(6);  // the program's own change posts nothing
    QTest::qWait(150);
    EXPECT_TRUE(log.Since(mark, CHANGE_VIDEO_SPEED).empty());

    speed->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // as a user's step does
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.Since(mark, CHANGE_VIDEO_SPEED).empty(); }, kWaitMs));
    EXPECT_FLOAT_EQ(log.Since(mark, CHANGE_VIDEO_SPEED).back().param.rate, 2.0f);
    EXPECT_EQ(Text(*pane, Pane::kSpeedLabelId), "2.00 x");

    mark = log.Size();
    pane->OnBnClickedSpeedDefaultBtn();
    pane->BrightnessSlider()->setValue(80);
    pane->OnBnClickedBrightnessDefaultBtn();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.Since(mark, CHANGE_VIDEO_BRIGHTNESS).empty(); }, kWaitMs));
    EXPECT_FLOAT_EQ(log.Since(mark, CHANGE_VIDEO_SPEED).back().param.rate, 1.0f);
    EXPECT_FLOAT_EQ(log.Since(mark, CHANGE_VIDEO_BRIGHTNESS).back().param.brightness, 1.0f);
    EXPECT_EQ(Text(*pane, Pane::kSpeedLabelId), "1.00 x");

    // A key on a focused slider changes nothing.
    mark = log.Size();
    speed->setFocus();
    QTest::keyClick(speed, Qt::Key_Right);
    QTest::keyClick(speed, Qt::Key_End);
    QTest::keyClick(pane->BrightnessSlider(), Qt::Key_Left);
    QTest::qWait(150);
    EXPECT_EQ(speed->value(), 4);
    EXPECT_EQ(pane->BrightnessSlider()->value(), 50);
    EXPECT_TRUE(log.Since(mark, CHANGE_VIDEO_SPEED).empty());
}

// The program's shortcuts work wherever the pointer is, the video included (the engine's windows lie
// over it); here the test window carries the three of table 262 that the pane serves.
TEST_F(PlayerPane, ShortcutsReachThePaneWithThePointerOverTheVideo)
{
    ASSERT_TRUE(OpenAndPlay({Recording("REC_20120820_153012_F.avi", 1, 20)}));
    const std::map<int, void (Pane::*)()> commands = {
        {40038, &Pane::OnBnClickedPlayBtn}, {40041, &Pane::OnBnClickedRewindBtn}, {40040, &Pane::OnBnClickedForwardBtn}};
    for (const Accelerator& accelerator : LoadAcceleratorTable()) {
        const auto command = commands.find(accelerator.command);
        if (command == commands.end())
            continue;
        auto* action = new QAction(pane);
        action->setShortcut(QKeySequence(QString::fromStdString(accelerator.keys)));
        QObject::connect(action, &QAction::triggered, pane, command->second);
        pane->addAction(action);
    }
    ASSERT_TRUE(ShowAndWait(*pane));
    const QPoint overVideo = pane->FirstChannel()->mapToGlobal(pane->FirstChannel()->rect().center());
    auto key = [&](const char* name) {
        const ProgramRun run = RunProgram({"xdotool", "mousemove", std::to_string(overVideo.x()),
                                           std::to_string(overVideo.y()), "key", name});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    };

    key("space");
    ASSERT_TRUE(WaitFor(VIDEO_PAUSE));
    QTest::qWait(300);
    const int seeks = log.Count(CHANGE_VIDEO_FRAME_POSITION);
    key("Right");
    ASSERT_TRUE(WaitFor(CHANGE_VIDEO_FRAME_POSITION, seeks + 1));
    key("Left");
    ASSERT_TRUE(WaitFor(CHANGE_VIDEO_FRAME_POSITION, seeks + 2));
    key("space");
    EXPECT_TRUE(WaitFor(VIDEO_PLAYING, 2));
}

// Leaves a screenshot of the pane playing a two-channel recording in ALL view in the build folder.
TEST_F(PlayerPane, Screenshot)
{
    pane->OnBnClickedAllChannelVideoBtn();
    ASSERT_TRUE(OpenAndPlay({Recording("REC_20120820_153012_F.avi", 2, 20)}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->SecondChannel()->IsTrackChosen(); }, kWaitMs));
    ASSERT_TRUE(WaitFor(VIDEO_FRAME_POSITION_CHANGED, log.Count(VIDEO_FRAME_POSITION_CHANGED) + 6));
    const ProgramRun shot = RunProgram({"import", "-window", "root", TESSARO_PLAYERPANE_SCREENSHOT});
    EXPECT_EQ(shot.exitCode, 0) << shot.err;
}

}  // namespace
