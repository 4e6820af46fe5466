// The two channel panes playing generated recordings through the real engine, in a real X window.
#include "playback/CFirstChannelVideoPane.h"
#include "playback/CSecondChannelVideoPane.h"
#include "PlaybackTestSupport.h"

#include "infra/SafeFile.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "widgets/MessageBoxes.h"
#include "widgets/ResourceManager.h"
#include "support/LogCapture.h"
#include "support/SampleCard.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QSet>
#include <QUrl>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Answers message boxes instead of showing them, noting the thread they were raised on.
class BoxRecorder final : public IMessageBoxes {
public:
    struct Box {
        QString caption, text;
        QMessageBox::StandardButtons buttons;
        bool onUiThread;
    };
    BoxRecorder() { SetMessageBoxes(this); }
    ~BoxRecorder() override { SetMessageBoxes(nullptr); }
    QMessageBox::StandardButton Show(QWidget*, const QString& caption, const QString& text,
                                     QMessageBox::StandardButtons buttons) override
    {
        boxes.push_back({caption, text, buttons, QThread::currentThread() == qApp->thread()});
        return answer;
    }
    void OpenFolder(const QString& folder) override { openedFolders.push_back(folder); }

    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::vector<Box> boxes;
    std::vector<QString> openedFolders;
};

// Entry points the adapter resolves but the panes never call.
template <typename Function>
Function* EngineFunction(const char* name)
{
    return reinterpret_cast<Function*>(dlsym(VlcFunctionExecutor::Instance()->m_module, name));
}

std::string MediaPath(libvlc_media_player_t* player)
{
    VlcFunctionExecutor* vlc = VlcFunctionExecutor::Instance();
    libvlc_media_t* media = vlc->libvlc_media_player_get_media(player);
    if (!media)
        return "";
    char* mrl = EngineFunction<char*(libvlc_media_t*)>("libvlc_media_get_mrl")(media);
    std::string path = QUrl(QString::fromUtf8(mrl)).toLocalFile().toStdString();
    free(mrl);
    vlc->libvlc_media_release(media);
    return path;
}

QSize ImageSize(const std::string& path)
{
    return QImage(QString::fromStdString(path)).size();
}

class ChannelPanes : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartEngineAndSkin(); }
    static void TearDownTestSuite() { StopEngineAndSkin(); }

    ChannelPanes()
    {
        // The main window registers first, the panes next, the log last: it sees each message after
        // the panes have acted on it.
        m_session.AddListener(&m_mainWindow);
        m_window.setWindowTitle("Channel panes");
        auto* layout = new QHBoxLayout(&m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(4);
        first = new CFirstChannelVideoPane(&m_window, m_session, *VlcFunctionExecutor::Instance());
        second = new CSecondChannelVideoPane(&m_window, m_session, *VlcFunctionExecutor::Instance());
        layout->addWidget(first);
        layout->addWidget(second);
        m_window.resize(1100, 340);
        m_window.move(0, 0);
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        m_session.AddListener(&log);
    }

    ~ChannelPanes() override
    {
        m_session.RemoveListener(&log);
        delete first;
        delete second;
        m_session.Shutdown();
    }

    std::string Recording(const std::string& fileName, int channels, int seconds = 4)
    {
        return MakeRecording(dir.path(), {"--seconds", std::to_string(seconds), "--channels", std::to_string(channels)},
                             fileName);
    }

    // A new list, as the main window posts it: the recording at index is selected, loaded and played.
    void Open(const std::vector<std::string>& paths, int index = 0)
    {
        m_session.SetRecordings(RecordingItems(paths));
        Select(index, NEW_VIDEO_PLAY);
    }

    void Select(int index, int32_t then)
    {
        auto select = std::make_unique<MessageParam>();
        select->index = index;
        m_session.Post(VIDEO_INDEX_SELECT, std::move(select));
        m_session.Post(VIDEO_MEDIA_LOAD);
        m_session.Post(then);
    }

    void Post(int32_t message, std::function<void(MessageParam&)> fill = {})
    {
        auto param = std::make_unique<MessageParam>();
        if (fill)
            fill(*param);
        m_session.Post(message, std::move(param));
    }

    // Waits (running the user-interface thread) until the message has been delivered count times and
    // every widget change queued before it has run.
    bool WaitFor(int32_t message, int count = 1)
    {
        const bool arrived = QTest::qWaitFor([&] { return log.Count(message) >= count; }, kWaitMs);
        QCoreApplication::processEvents();
        return arrived;
    }

    bool WaitForRearPicture()
    {
        // The rear track is chosen at channel 2's playing event; a few position reports later its
        // picture is on screen.
        const int positions = log.Count(VIDEO_FRAME_POSITION_CHANGED);
        return QTest::qWaitFor([&] { return second->IsTrackChosen(); }, kWaitMs) &&
               WaitFor(VIDEO_FRAME_POSITION_CHANGED, positions + 3);
    }

    static bool IsPlaying(CChannelVideoPane* pane)
    {
        return VlcFunctionExecutor::Instance()->libvlc_media_player_is_playing(pane->Player().get()) != 0;
    }

    TempDir dir;
    PlaybackSession m_session;
    MainWindowStandIn m_mainWindow{m_session};
    MessageLog log;
    QWidget m_window;
    CFirstChannelVideoPane* first = nullptr;
    CSecondChannelVideoPane* second = nullptr;
};

TEST_F(ChannelPanes, ANewRecordingRaisesItsMessagesInOrderAndBothCamerasPlay)
{
    // Until something plays channel 1 shows the skin's idle picture.
    EXPECT_TRUE(first->IdlePicture()->isVisible());
    EXPECT_FALSE(first->VideoSurface()->isVisible());
    EXPECT_FALSE(static_cast<QLabel*>(first->IdlePicture())->pixmap().isNull());

    Open({Recording("REC_20120820_153012_F.avi", 2)});
    ASSERT_TRUE(WaitFor(VIDEO_FRAME_POSITION_CHANGED, 4));

    // What channel 1's engine raised, in delivery order.
    std::vector<int32_t> raised;
    float lastPosition = -1.0f;
    for (const Delivered& d : log.All()) {
        if (d.message == VIDEO_OPENING || d.message == VIDEO_METADATA_CREATED || d.message == VIDEO_PLAYING ||
            d.message == CHANGE_VIDEO_BRIGHTNESS || d.message == VIDEO_FRAME_POSITION_CHANGED)
            raised.push_back(d.message);
        if (d.message == VIDEO_FRAME_POSITION_CHANGED) {
            EXPECT_GE(d.param.position, lastPosition);
            EXPECT_LT(d.param.position, 1.0f);
            lastPosition = d.param.position;
        }
        if (d.message == CHANGE_VIDEO_BRIGHTNESS) {
            EXPECT_FLOAT_EQ(d.param.brightness, 1.0f);
        }
    }
    ASSERT_GE(raised.size(), 8u);
    const std::vector<int32_t> start(raised.begin(), raised.begin() + 4);
    EXPECT_EQ(start, (std::vector<int32_t>{VIDEO_OPENING, VIDEO_METADATA_CREATED, VIDEO_PLAYING, CHANGE_VIDEO_BRIGHTNESS}));
    EXPECT_TRUE(std::all_of(raised.begin() + 4, raised.end(), [](int32_t id) { return id == VIDEO_FRAME_POSITION_CHANGED; }));
    // Loading the first recording paused no player that anyone should hear about.
    EXPECT_EQ(log.Count(VIDEO_PAUSE), 0);

    EXPECT_FALSE(first->IdlePicture()->isVisible());
    EXPECT_TRUE(first->VideoSurface()->isVisible());
    EXPECT_TRUE(IsPlaying(first));
    ASSERT_TRUE(QTest::qWaitFor([&] { return second->IsTrackChosen(); }, kWaitMs));
    EXPECT_TRUE(IsPlaying(second));
    EXPECT_EQ(MediaPath(second->Player().get()), MediaPath(first->Player().get()));
}

TEST_F(ChannelPanes, ATwoChannelSnapshotWritesTheFrontAndTheRearPicture)
{
    BoxRecorder boxes;
    const std::string recording = Recording("REC_20120820_153012_F.avi", 2);
    Open({recording});
    ASSERT_TRUE(WaitFor(VIDEO_PLAYING));
    ASSERT_TRUE(WaitForRearPicture());

    const std::string still = dir / "still.png";
    Post(CAPTURE_VIDEO_SNAPSHOT, [&](MessageParam& p) {
        p.snapshotPath = still;
        p.snapshotFolder = dir.path().string();
    });
    ASSERT_TRUE(WaitFor(CAPTURE_VIDEO_SNAPSHOT));

    // The generator's cameras differ in size, so the sizes tell which camera each pane shows.
    EXPECT_FALSE(std::filesystem::exists(still));
    EXPECT_EQ(ImageSize(dir / "still(Track1).png"), QSize(640, 352));
    EXPECT_EQ(ImageSize(dir / "still(Track2).png"), QSize(320, 180));

    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes.empty(); }, kWaitMs));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    const BoxRecorder::Box& box = boxes.boxes[0];
    EXPECT_TRUE(box.onUiThread);
    EXPECT_EQ(box.caption, QString("경고"));
    EXPECT_EQ(box.text.toStdString(), (dir / "still(Track1).png") + LoadString(255));
    EXPECT_EQ(box.buttons, QMessageBox::Yes | QMessageBox::No);
    // Yes opens the folder.
    EXPECT_EQ(boxes.openedFolders, std::vector<QString>{QString::fromStdString(dir.path().string())});
}

TEST_F(ChannelPanes, AOneChannelSnapshotKeepsItsPathAndAFailedCaptureIsReported)
{
    BoxRecorder boxes;
    boxes.answer = QMessageBox::No;
    Open({Recording("REC_20120820_153012_F.avi", 1)});
    ASSERT_TRUE(WaitFor(VIDEO_FRAME_POSITION_CHANGED, 3));
    // Without a rear camera channel 2 loads nothing.
    EXPECT_EQ(MediaPath(second->Player().get()), "");

    const std::string still = dir / "one.png";
    Post(CAPTURE_VIDEO_SNAPSHOT, [&](MessageParam& p) { p.snapshotPath = still; });
    ASSERT_TRUE(WaitFor(CAPTURE_VIDEO_SNAPSHOT));
    EXPECT_EQ(ImageSize(still), QSize(640, 352));
    EXPECT_FALSE(std::filesystem::exists(dir / "one(Track1).png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "one(Track2).png"));

    // Stopped, there is no picture to capture; with a folder given the user is told.
    Post(VIDEO_STOP);
    Post(CAPTURE_VIDEO_SNAPSHOT, [&](MessageParam& p) {
        p.snapshotPath = dir / "stopped.png";
        p.snapshotFolder = dir.path().string();
    });
    ASSERT_TRUE(WaitFor(CAPTURE_VIDEO_SNAPSHOT, 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes.empty(); }, kWaitMs));
    EXPECT_FALSE(std::filesystem::exists(dir / "stopped.png"));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].onUiThread);
    EXPECT_EQ(boxes.boxes[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(boxes.boxes[0].caption, QApplication::applicationDisplayName());
    // What, where and why, in the interface's language; no word of rights, which play no part here.
    EXPECT_EQ(boxes.boxes[0].text.toStdString(), LoadString(StringId::kStillNotSaved) + "\n" + (dir / "stopped.png") +
                                                     "\n" + LoadString(StringId::kReasonNoPicture));
    EXPECT_TRUE(boxes.openedFolders.empty());
    for (const std::string& name : FolderEntries(dir.path()))
        EXPECT_FALSE(IsStagingFileName(name)) << name;
}

TEST_F(ChannelPanes, PlaybackGoesOnToTheNextRecordingWithTheSameSettingsAndStopsOnTheFirstAfterTheLast)
{
    const std::string firstRecording = Recording("REC_20120820_153012_F.avi", 2, 3);
    const std::string secondRecording = Recording("REC_20120820_153112_F.avi", 2, 3);
    Open({firstRecording, secondRecording});
    ASSERT_TRUE(WaitFor(VIDEO_PLAYING));
    Post(CHANGE_VIDEO_SPEED, [](MessageParam& p) { p.rate = 4.0f; });
    Post(CHANGE_VIDEO_VOLUME, [](MessageParam& p) { p.volume = 55; });
    Post(CHANGE_VIDEO_BRIGHTNESS, [](MessageParam& p) { p.brightness = 1.5f; });

    // The first recording ends; the second is loaded into a new player and plays.
    ASSERT_TRUE(WaitFor(VIDEO_PLAYING, 2));
    ASSERT_TRUE(WaitFor(CHANGE_VIDEO_BRIGHTNESS, 3));
    VlcFunctionExecutor* vlc = VlcFunctionExecutor::Instance();
    {
        const auto player = first->Player();
        EXPECT_EQ(MediaPath(player.get()), secondRecording);
        EXPECT_FLOAT_EQ(vlc->libvlc_media_player_get_rate(player.get()), 4.0f);
        EXPECT_EQ(vlc->libvlc_audio_get_volume(player.get()), 55);
        EXPECT_FLOAT_EQ(vlc->libvlc_video_get_adjust_float(player.get(), libvlc_adjust_Brightness), 1.5f);
        const auto rear = second->Player();
        EXPECT_EQ(MediaPath(rear.get()), secondRecording);
        EXPECT_FLOAT_EQ(vlc->libvlc_media_player_get_rate(rear.get()), 4.0f);
        // Channel 2 stays muted whatever the volume.
        EXPECT_EQ(vlc->libvlc_audio_get_volume(rear.get()), 0);
        EXPECT_FLOAT_EQ(vlc->libvlc_video_get_adjust_float(rear.get(), libvlc_adjust_Brightness), 1.5f);
    }

    // The second, the last, ends: the list returns to the first recording, loaded and stopped.
    ASSERT_TRUE(WaitFor(VIDEO_STOP));
    QTest::qWait(500);  // room for anything the engine might still raise
    const std::vector<Delivered> all = log.All();
    std::vector<std::pair<int32_t, int32_t>> afterEnds;  // (message, index) from each end on
    for (auto it = all.begin(); it != all.end(); ++it)
        if (it->message == VIDEO_END_REACHED)
            for (auto next = it + 1; next != all.end() && next <= it + 3; ++next)
                afterEnds.emplace_back(next->message, next->message == VIDEO_INDEX_SELECT ? next->param.index : -1);
    const std::vector<std::pair<int32_t, int32_t>> expected = {
        {VIDEO_INDEX_SELECT, 1}, {VIDEO_MEDIA_LOAD, -1}, {VIDEO_NEXT, -1},
        {VIDEO_INDEX_SELECT, 0}, {VIDEO_MEDIA_LOAD, -1}, {VIDEO_STOP, -1}};
    EXPECT_EQ(afterEnds, expected);
    EXPECT_EQ(log.Count(VIDEO_OPENING), 2);
    // The pause of the player being replaced raised no VIDEO_PAUSE.
    EXPECT_EQ(log.Count(VIDEO_PAUSE), 0);

    EXPECT_EQ(m_session.currentIndex.load(), 0);
    EXPECT_EQ(MediaPath(first->Player().get()), firstRecording);
    EXPECT_FALSE(IsPlaying(first));
    EXPECT_TRUE(first->IdlePicture()->isVisible());
    EXPECT_FALSE(first->VideoSurface()->isVisible());
}

// The index of the decoded frame that the picture looks most like (frames as ffmpeg decodes them).
int MostAlike(const QImage& picture, const std::vector<QImage>& frames)
{
    const QImage small = picture.convertToFormat(QImage::Format_Grayscale8).scaled(160, 88);
    int best = -1;
    double bestDifference = 0.0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        double difference = 0.0;
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x)
                difference += std::abs(qGray(small.pixel(x, y)) - qGray(frames[i].pixel(x, y)));
        if (best < 0 || difference < bestDifference) {
            best = static_cast<int>(i);
            bestDifference = difference;
        }
    }
    return best;
}

// Paused, the engine reports no position; a seek or a frame step is announced as the position at once by
// channel 1 (the one clock everything follows), and the picture it leaves on screen is that moment's.
TEST_F(ChannelPanes, APausedSeekIsAnnouncedAsThePositionOfThePictureItShows)
{
    // 4 s of front camera at 30 frames a second, a key frame every 30.
    const std::string recording = Recording("REC_20120820_153012_F.avi", 1, 4);
    const std::filesystem::path decoded = dir.path() / "frames";
    std::filesystem::create_directories(decoded);
    ASSERT_EQ(RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-i", recording, "-map", "0:0",
                          (decoded / "%03d.png").string()})
                  .exitCode,
              0);
    std::vector<QImage> frames;
    for (int n = 1;; ++n) {
        const QImage frame(QString::fromStdString((decoded / QString::asprintf("%03d.png", n).toStdString()).string()));
        if (frame.isNull())
            break;
        frames.push_back(frame.convertToFormat(QImage::Format_Grayscale8).scaled(160, 88));
    }
    // Every frame that starts before the end: one more than 4 s hold.
    ASSERT_EQ(frames.size(), 121u);

    Open({recording});
    ASSERT_TRUE(WaitFor(VIDEO_FRAME_POSITION_CHANGED, 2));
    Post(VIDEO_PAUSE);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !IsPlaying(first); }, kWaitMs));
    QTest::qWait(500);

    // Mid-second frames (never a key frame), a step of one frame, and back.
    int still = 0;
    for (const int frame : {45, 46, 75, 100, 15}) {
        SCOPED_TRACE(frame);
        const std::size_t mark = log.Size();
        // The engine's positions count its frames (its length is 121 frames long).
        const float position = (static_cast<float>(frame) + 0.5f) / static_cast<float>(frames.size());
        Post(CHANGE_VIDEO_FRAME_POSITION, [&](MessageParam& p) { p.position = position; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !log.Since(mark, VIDEO_FRAME_POSITION_CHANGED).empty(); }, kWaitMs));
        const auto announced = log.Since(mark, VIDEO_FRAME_POSITION_CHANGED);
        ASSERT_EQ(announced.size(), 1u) << "announced once, by channel 1";
        EXPECT_FLOAT_EQ(announced[0].param.position, position);
        EXPECT_FLOAT_EQ(m_session.position, position) << "the session's position is the picture's";

        QTest::qWait(1000);  // the engine decodes up to the frame sought
        const std::string path = dir / ("still" + std::to_string(++still) + ".png");
        first->CaptureVideoSnapshot(path, "");
        const QImage picture(QString::fromStdString(path));
        ASSERT_FALSE(picture.isNull());
        EXPECT_NEAR(MostAlike(picture, frames), frame, 1) << "the picture shows the moment announced";
    }
    EXPECT_FALSE(IsPlaying(first)) << "still paused";
}

TEST_F(ChannelPanes, AMissingFileStopsBothChannelsAndShowsTheIdlePicture)
{
    const std::string missing = dir / "REC_20120820_153112_F.avi";
    Open({Recording("REC_20120820_153012_F.avi", 2), missing});
    ASSERT_TRUE(WaitFor(VIDEO_PLAYING));
    ASSERT_TRUE(QTest::qWaitFor([&] { return second->IsTrackChosen(); }, kWaitMs));

    // As the player pane posts it when the file is gone.
    Select(1, VIDEO_NEXT);
    Post(VIDEO_FILE_NOT_FOUND);
    ASSERT_TRUE(WaitFor(VIDEO_FILE_NOT_FOUND));
    EXPECT_EQ(MediaPath(first->Player().get()), missing);
    EXPECT_FALSE(IsPlaying(first));
    EXPECT_FALSE(IsPlaying(second));
    EXPECT_TRUE(first->IdlePicture()->isVisible());
    EXPECT_FALSE(first->VideoSurface()->isVisible());
    EXPECT_EQ(log.Count(VIDEO_OPENING), 1);
    // Pausing the player that the load replaced raised no VIDEO_PAUSE.
    EXPECT_EQ(log.Count(VIDEO_PAUSE), 0);
}

TEST_F(ChannelPanes, ChannelTwoGivesUpOnTheRearTrackWhenTheMetadataNeverComesAndStillStops)
{
    ScopedCurrentPath cwd(dir.path());
    LogCapture capture(dir.path());
    m_mainWindow.readMetadata = false;
    const std::string recording = Recording("REC_20120820_153012_F.avi", 2);
    Open({recording});
    ASSERT_TRUE(WaitFor(VIDEO_METADATA_CREATED));
    ASSERT_TRUE(QTest::qWaitFor([&] { return second->IsTrackChosen(); }, kWaitMs));
    EXPECT_EQ(capture.Count("CSecondChannelVideoPane", "OnSecondMediaPlayerPlaying",
                            "gave up choosing the rear camera's track"),
              1);
    Post(VIDEO_STOP);
    ASSERT_TRUE(WaitFor(VIDEO_STOP));
    EXPECT_FALSE(IsPlaying(second));
}

// Channel 2's playing handler is still waiting for the metadata (it would choose the rear track) when the
// player is stopped. Stopping waits for the engine's thread that runs the handler, so the handler must
// give up at once and make no engine call that needs the lock the stop holds: otherwise both wait for
// ever.
TEST_F(ChannelPanes, AStopWhileChannelTwoWaitsToChooseTheRearTrackEndsTheWait)
{
    ScopedCurrentPath cwd(dir.path());
    LogCapture capture(dir.path());
    m_mainWindow.readMetadata = false;
    Open({Recording("REC_20120820_153012_F.avi", 2)});
    ASSERT_TRUE(WaitFor(VIDEO_METADATA_CREATED));
    // Playing is set just before the handler is called; it then waits up to its timeout.
    ASSERT_TRUE(QTest::qWaitFor([&] { return IsPlaying(second); }, kWaitMs));
    Post(VIDEO_STOP);
    ASSERT_TRUE(WaitFor(VIDEO_STOP));
    EXPECT_FALSE(IsPlaying(second));
    // Stopped before it could choose: the next load chooses again.
    EXPECT_FALSE(second->IsTrackChosen());
    EXPECT_EQ(capture.Count("CSecondChannelVideoPane", "OnSecondMediaPlayerPlaying",
                            "gave up choosing the rear camera's track"),
              0);
}

TEST(ChannelPanesWithoutEngine, PanesWhoseEngineRefusesToStartIgnoreEveryMessage)
{
    VlcFunctionExecutor::SetExtraEngineOptions({"--an-option-no-engine-knows"});
    TempDir dir;
    PlaybackSession session;
    MessageLog log;
    {
        CFirstChannelVideoPane first(nullptr, session, *VlcFunctionExecutor::Instance());
        CSecondChannelVideoPane second(nullptr, session, *VlcFunctionExecutor::Instance());
        session.AddListener(&log);
        EXPECT_EQ(first.Player(), nullptr);
        EXPECT_EQ(second.Player(), nullptr);
        std::vector<std::unique_ptr<RecordingItem>> items;
        items.push_back(std::make_unique<RecordingItem>(DateTime{}, Always, MakeRecording(dir.path()), "REC.avi"));
        session.SetRecordings(std::move(items));
        for (int32_t message : {VIDEO_MEDIA_LOAD, NEW_VIDEO_PLAY, VIDEO_PLAY, VIDEO_PAUSE, CHANGE_VIDEO_SPEED,
                                CHANGE_VIDEO_BRIGHTNESS, CHANGE_VIDEO_VOLUME, CAPTURE_VIDEO_SNAPSHOT,
                                VIDEO_METADATA_CREATED, VIDEO_STOP})
            session.Post(message, std::make_unique<MessageParam>());
        EXPECT_TRUE(QTest::qWaitFor([&] { return log.Count(VIDEO_STOP) == 1; }, kWaitMs));
        session.RemoveListener(&log);
    }
    session.Shutdown();
    VlcFunctionExecutor::SetExtraEngineOptions({});
    VlcFunctionExecutor::DestroyInstance();
}

// Leaves a screenshot of the two panes playing in the build folder.
TEST_F(ChannelPanes, BothCamerasAreDrawnInsideThePanesAndNoWindowOfTheEngineAppears)
{
    Open({Recording("REC_20120820_153012_F.avi", 2, 5)});
    ASSERT_TRUE(WaitFor(VIDEO_PLAYING));
    ASSERT_TRUE(WaitForRearPicture());

    const ProgramRun tree = RunProgram({"xwininfo", "-root", "-tree"});
    ASSERT_EQ(tree.exitCode, 0) << tree.err;
    // The engine names a window of its own after itself.
    EXPECT_EQ(QString::fromStdString(tree.out).indexOf("vlc", 0, Qt::CaseInsensitive), -1) << tree.out;

    // Each pane's area holds a picture, not a flat colour (the surfaces are black until the engine draws:
    // a busy machine may need a moment more for channel 1's first picture).
    const auto coloursIn = [](const QImage& screen, QWidget* surface) {
        const QImage picture = screen.copy(QRect(surface->mapToGlobal(QPoint(0, 0)), surface->size()));
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 4)
            for (int x = 0; x < picture.width(); x += 4)
                colours.insert(picture.pixel(x, y));
        return colours.size();
    };
    int frontColours = 0, rearColours = 0;
    (void)QTest::qWaitFor(
        [&] {
            const ProgramRun shot = RunProgram({"import", "-window", "root", TESSARO_PANES_SCREENSHOT});
            const QImage screen(TESSARO_PANES_SCREENSHOT);
            if (shot.exitCode != 0 || screen.isNull())
                return false;
            frontColours = coloursIn(screen, first->VideoSurface());
            rearColours = coloursIn(screen, second->VideoSurface());
            return frontColours > 50 && rearColours > 50;
        },
        kWaitMs);
    EXPECT_GT(frontColours, 50);
    EXPECT_GT(rearColours, 50);
}

}  // namespace
