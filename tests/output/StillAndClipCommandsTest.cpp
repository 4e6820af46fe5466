// The still and clip commands without a main window: the session's messages and the boxes are recorded;
// clips are written from generated recordings, stills by the real channel panes.
#include "output/StillAndClipCommands.h"
#include "output/BusyDialog.h"
#include "output/CSaveVideoDialog.h"
#include "OutputTestSupport.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "playback/CFirstChannelVideoPane.h"
#include "playback/CSecondChannelVideoPane.h"
#include "playback/PlaybackTestSupport.h"
#include "settings/ViewerOptions.h"

#include <QHBoxLayout>
#include <QTest>
#include <QTimer>

#include "widgets/QtTranslations.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

using tessaro::LocalMoment;

// An AVI file with an index (the clip writer's own tests look inside).
bool IsAClip(const std::string& path)
{
    if (!std::filesystem::is_regular_file(path))
        return false;
    const std::string bytes = ReadFileBytes(path);
    return bytes.compare(0, 4, "RIFF") == 0 && bytes.find("idx1") != std::string::npos;
}

class Commands : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadSkin(); }
    static void TearDownTestSuite() { UnloadSkin(); }

    Commands()
    {
        options.m_saveDirectory = saveFolder.path().string();
        session.AddListener(&log);
    }
    ~Commands() override { session.Shutdown(); }

    void UseRecording(const std::string& path, int duration = 5)
    {
        session.SetRecordings(RecordingItems({path}));
        session.GetCurrentRecording()->duration = duration;
    }
    // The messages delivered once everything posted so far has gone through.
    std::vector<Delivered> Messages()
    {
        PostMessage(session, VIDEO_FILE_NOT_FOUND);  // a marker nobody here acts on
        EXPECT_TRUE(QTest::qWaitFor([&] { return log.Count(VIDEO_FILE_NOT_FOUND) > 0; }, kWaitMs));
        auto all = log.All();
        all.pop_back();
        return all;
    }
    std::vector<int32_t> DeliveredIds()
    {
        std::vector<int32_t> ids;
        for (const auto& d : Messages())
            ids.push_back(d.message);
        return ids;
    }

    TempDir saveFolder;
    TempDir clipFolder;
    ViewerOptions options;
    PlaybackSession session;
    MessageLog log;
    BoxRecorder boxes;
    std::optional<ClipChoice> choice;
    int dialogRuns = 0;
    StillAndClipCommands commands{nullptr, session, boxes, options, [this](const RecordingItem&) {
                                      ++dialogRuns;
                                      return choice;
                                  }};
};

TEST_F(Commands, ACaptureNamesItsStillAfterTheRecordingAndTheMomentInTheCaptureFolder)
{
    UseRecording("/card/REC_20130405_101010.avi");
    const LocalMoment moments[] = {{2014, 1, 2, 3, 4, 5, 67}, {2014, 1, 2, 3, 4, 5, 0}};
    int next = 0;
    commands.SetClock([&] { return moments[next++]; });
    commands.OnBnClickedVideoCaptureBtn();
    commands.OnBnClickedVideoCaptureBtn();

    const std::string folder = saveFolder / "CAM_CAPTURE";
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    const auto delivered = Messages();
    ASSERT_EQ(delivered.size(), 4u);
    const std::string names[] = {"REC_20130405_101010-2014-1-2-03h04m05s67.png", "REC_20130405_101010-2014-1-2-03h04m05s.png"};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(delivered[2 * i].message, VIDEO_PAUSE);
        EXPECT_EQ(delivered[2 * i + 1].message, CAPTURE_VIDEO_SNAPSHOT);
        EXPECT_EQ(delivered[2 * i + 1].param.snapshotPath, folder + "/" + names[i]);
        EXPECT_EQ(delivered[2 * i + 1].param.snapshotFolder, folder);
    }
}

TEST_F(Commands, WithoutARecordingACaptureDoesNothingAndARecordOnlyPauses)
{
    commands.OnBnClickedVideoCaptureBtn();
    commands.OnBnClickedVideoRecordBtn();  // Ctrl+S works at any time
    EXPECT_EQ(DeliveredIds(), std::vector<int32_t>{VIDEO_PAUSE});
    EXPECT_EQ(dialogRuns, 0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(saveFolder / "CAM_CAPTURE"));
}

TEST_F(Commands, ACaptureMakesOneFolderLevelOnly)
{
    options.m_saveDirectory = saveFolder / "gone";
    UseRecording("/card/REC_1.avi");
    commands.OnBnClickedVideoCaptureBtn();
    // The still is still asked for: the pane reports that it could not be written.
    EXPECT_EQ(DeliveredIds(), (std::vector<int32_t>{VIDEO_PAUSE, CAPTURE_VIDEO_SNAPSHOT}));
    EXPECT_FALSE(std::filesystem::exists(saveFolder / "gone"));
}

TEST_F(Commands, ARecordedClipIsWrittenAndTheUserMayOpenItsFolder)
{
    const std::string recording = MakeRecording(saveFolder.path(), {"--seconds", "5"}, "EVT_0001.avi");
    UseRecording(recording);
    const std::string folder = clipFolder.path().string();
    choice = ClipChoice{"00:00:01", "00:00:04", folder, "EVT_0001_copy(1).avi"};
    boxes.answers = {QMessageBox::Yes, QMessageBox::No};
    commands.OnBnClickedVideoRecordBtn();

    const std::string clip = folder + "/EVT_0001_copy(1).avi";
    EXPECT_TRUE(IsAClip(clip)) << clip;
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.toStdString(), clip + LoadString(StringId::kClipSavedAskShowFolder));
    EXPECT_EQ(boxes.boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(boxes.boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(boxes.openedFolders, std::vector<QString>{QString::fromStdString(folder)});
    EXPECT_EQ(DeliveredIds(), std::vector<int32_t>{VIDEO_PAUSE});

    // No: the folder stays closed.
    choice->outputFileName = "EVT_0001_copy(2).avi";
    commands.OnBnClickedVideoRecordBtn();
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.openedFolders.size(), 1u);
}

// A clip that cannot be written is told in the interface's language: what failed, where (on a line of
// its own) and why; nothing is left behind, not even the hidden staging file. The folders here fail for
// root too: one that is gone, one under a regular file, and a disk that fills up half-way (the process's
// file size limit, which the system reports as EFBIG).
TEST_F(Commands, AClipThatCannotBeWrittenIsReportedWithWhereAndWhyAndReplacesNothing)
{
    const std::string recording = MakeRecording(saveFolder.path(), {"--seconds", "3"}, "EVT_0001.avi");
    UseRecording(recording, 3);
    const std::string taken = clipFolder / "taken.avi";
    WriteFileBytes(taken, "keep me");
    const std::string folder = clipFolder.path().string();
    struct Case {
        const char* what;
        ClipChoice choice;
        std::string where;
        int reason;
        rlim_t sizeLimit = RLIM_INFINITY;
    };
    const Case cases[] = {
        {"no name could be made", {"00:00:00", "00:00:03", folder, ""}, folder, StringId::kReasonNoClipName},
        {"the name was taken meanwhile", {"00:00:00", "00:00:03", folder, "taken.avi"}, taken, StringId::kReasonExists},
        {"the folder is gone", {"00:00:00", "00:00:03", clipFolder / "gone", "EVT_0001_copy(1).avi"},
         clipFolder / "gone/EVT_0001_copy(1).avi", StringId::kReasonNotFound},
        {"a folder under a file", {"00:00:00", "00:00:03", taken, "EVT_0001_copy(1).avi"},
         taken + "/EVT_0001_copy(1).avi", StringId::kReasonNotAFolder},
        {"the disk fills up", {"00:00:00", "00:00:03", folder, "EVT_0001_copy(1).avi"},
         clipFolder / "EVT_0001_copy(1).avi", StringId::kReasonTooLarge, 16 * 1024},
    };
    for (Language language : {Language::English, Language::Korean}) {
        SetCurrentLanguage(language);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            boxes.boxes.clear();
            choice = c.choice;
            rlimit saved {};
            getrlimit(RLIMIT_FSIZE, &saved);
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit limited = saved;
            limited.rlim_cur = c.sizeLimit;
            setrlimit(RLIMIT_FSIZE, &limited);
            commands.OnBnClickedVideoRecordBtn();
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].text.toStdString(),
                      LoadString(StringId::kClipNotSaved) + "\n" + c.where + "\n" + LoadString(c.reason));
            EXPECT_EQ(boxes.boxes[0].buttons, QMessageBox::Ok);
            EXPECT_EQ(boxes.boxes[0].icon, QMessageBox::Warning);
        }
    }
    SetCurrentLanguage(Language::English);
    EXPECT_EQ(LoadString(StringId::kClipNotSaved), "The clip could not be saved.");
    EXPECT_EQ(ReadFileBytes(taken), "keep me");
    EXPECT_EQ(FolderEntries(clipFolder.path()), std::vector<std::string>{"taken.avi"});
    EXPECT_TRUE(boxes.openedFolders.empty());
}

TEST_F(Commands, ACancelledDialogWritesNothing)
{
    UseRecording("/card/EVT_0001.avi");
    commands.OnBnClickedVideoRecordBtn();
    EXPECT_EQ(dialogRuns, 1);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(DeliveredIds(), std::vector<int32_t>{VIDEO_PAUSE});
}

TEST_F(Commands, TheRealDialogNamesTheClipInTheChosenFolder)
{
    const std::string recording = MakeRecording(saveFolder.path(), {"--seconds", "4"}, "EVT_0001.avi");
    UseRecording(recording, 4);
    boxes.chosenFolder = QString::fromStdString(clipFolder.path().string());
    StillAndClipCommands real(nullptr, session, boxes, options);
    // OK as soon as the dialog is up.
    QTimer::singleShot(300, [] {
        if (auto* dialog = dynamic_cast<CSaveVideoDialog*>(QApplication::activeModalWidget()))
            dialog->OnBnClickedokbtn();
    });
    real.OnBnClickedVideoRecordBtn();
    const std::string clip = clipFolder / "EVT_0001_copy(1).avi";
    EXPECT_TRUE(IsAClip(clip));
    // The chooser opens in the save folder, where stills and reports go, not in the program's folder.
    ASSERT_EQ(boxes.chooserStarts.size(), 1u);
    EXPECT_EQ(boxes.chooserStarts[0].toStdString(), options.m_saveDirectory);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.toStdString(), clip + LoadString(StringId::kClipSavedAskShowFolder));
}

// The failure box as the user sees it, real and on the screen, in English and in Korean:
// build/clip-failed-en.png and build/clip-failed-ko.png.
TEST(ClipFailureBox, ShowsWhatWhereAndWhyInTheInterfacesLanguage)
{
    TempDir dir;
    const std::string recording = MakeRecording(dir.path(), {"--seconds", "2"}, "EVT_0001.avi");
    PlaybackSession session;
    session.SetRecordings(RecordingItems({recording}));
    session.GetCurrentRecording()->duration = 2;
    ViewerOptions options;
    options.m_saveDirectory = dir.path().string();
    // A folder under a regular file: no one, root included, can write there.
    const ClipChoice choice{"00:00:00", "00:00:02", recording, "EVT_0001_copy(1).avi"};
    for (const auto& [language, name] : {std::pair{Language::English, "en"}, std::pair{Language::Korean, "ko"}}) {
        SetCurrentLanguage(language);
        UseQtTranslations(language);  // the box's own buttons too
        StillAndClipCommands commands(nullptr, session, GetMessageBoxes(), options,
                                      [&](const RecordingItem&) { return std::optional<ClipChoice>(choice); });
        QString shown;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            poll.stop();
            QTest::qWait(200);
            box->grab().save(QString(TESSARO_BUILD_DIR "/clip-failed-%1.png").arg(name));
            shown = box->text();
            box->accept();
        });
        poll.start(100);
        commands.OnBnClickedVideoRecordBtn();
        EXPECT_EQ(shown.toStdString(), LoadString(StringId::kClipNotSaved) + "\n" + recording + "/EVT_0001_copy(1).avi\n" +
                                           LoadString(StringId::kReasonNotAFolder));
    }
    SetCurrentLanguage(Language::English);
    UseQtTranslations(Language::English);
    session.Shutdown();
}

TEST(BusyDialog, TheWindowKeepsRunningWhileTheWorkRunsAndTheNoteCannotBeClosed)
{
    std::atomic<bool> release{false};
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    bool escapeIgnored = false;
    QTimer::singleShot(200, [&] {
        QWidget* busy = QApplication::activeModalWidget();
        if (busy) {
            QTest::keyClick(busy, Qt::Key_Escape);
            busy->close();
            escapeIgnored = busy->isVisible();
        }
        release = true;
    });
    const Result result = RunBehindBusyDialog(nullptr, "Saving", [&] {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return Result::Failure("why not");
    });
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(result.Reason(), "why not");
    EXPECT_TRUE(escapeIgnored);
    EXPECT_GE(ticks, 5);  // the user-interface thread went on meanwhile

    const Result thrown = RunBehindBusyDialog(nullptr, "Saving", []() -> Result { throw std::bad_alloc(); });
    EXPECT_FALSE(thrown.Ok());
}

// The channel panes write the stills the capture asks for.
class CommandsWithPanes : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartEngineAndSkin(); }
    static void TearDownTestSuite() { StopEngineAndSkin(); }
};

TEST_F(CommandsWithPanes, ACaptureOfATwoChannelRecordingWritesTheFrontAndTheRearStill)
{
    TempDir dir;
    BoxRecorder boxes;
    ViewerOptions options;
    options.m_saveDirectory = dir.path().string();
    PlaybackSession session;
    MainWindowStandIn mainWindow(session);
    session.AddListener(&mainWindow);
    {
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        auto* first = new CFirstChannelVideoPane(&window, session, *VlcFunctionExecutor::Instance());
        auto* second = new CSecondChannelVideoPane(&window, session, *VlcFunctionExecutor::Instance());
        layout->addWidget(first);
        layout->addWidget(second);
        window.resize(1100, 340);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        MessageLog log;
        session.AddListener(&log);

        session.SetRecordings(
            RecordingItems({MakeRecording(dir.path(), {"--seconds", "4", "--channels", "2"}, "REC_0001.avi")}));
        auto select = std::make_unique<MessageParam>();
        session.Post(VIDEO_INDEX_SELECT, std::move(select));
        session.Post(VIDEO_MEDIA_LOAD);
        session.Post(NEW_VIDEO_PLAY);
        ASSERT_TRUE(QTest::qWaitFor([&] { return second->IsTrackChosen(); }, kWaitMs));
        const int positions = log.Count(VIDEO_FRAME_POSITION_CHANGED);
        ASSERT_TRUE(QTest::qWaitFor([&] { return log.Count(VIDEO_FRAME_POSITION_CHANGED) >= positions + 3; }, kWaitMs));

        StillAndClipCommands commands(&window, session, boxes, options);
        const LocalMoment moment{2026, 12, 10, 22, 40, 1, 5};
        commands.SetClock([&] { return moment; });
        commands.OnBnClickedVideoCaptureBtn();
        // Channel 1 tells the user, channel 2 writes the rear still after it.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes.empty() && log.Count(CAPTURE_VIDEO_SNAPSHOT) > 0; }, kWaitMs));
        const std::string stem = dir / "CAM_CAPTURE/REC_0001-2026-12-10-22h40m01s5";
        EXPECT_EQ(QImage(QString::fromStdString(stem + "(Track1).png")).size(), QSize(640, 352));
        EXPECT_EQ(QImage(QString::fromStdString(stem + "(Track2).png")).size(), QSize(320, 180));
        session.RemoveListener(&log);
        delete first;
        delete second;
    }
    session.Shutdown();
}

// A capture right after a recording is loaded, before its first picture is shown (Next, then the camera
// button at once), waits for that picture and saves the still; a still that cannot be saved says what,
// where and why, and never blames rights that play no part.
TEST_F(CommandsWithPanes, AStillRightAfterLoadingIsSavedAndAFailedOneSaysWhy)
{
    TempDir dir;
    BoxRecorder boxes;
    ViewerOptions options;
    options.m_saveDirectory = dir.path().string();
    PlaybackSession session;
    MainWindowStandIn mainWindow(session);
    session.AddListener(&mainWindow);
    {
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        auto* first = new CFirstChannelVideoPane(&window, session, *VlcFunctionExecutor::Instance());
        layout->addWidget(first);
        window.resize(700, 340);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        session.SetRecordings(
            RecordingItems({MakeRecording(dir.path(), {"--seconds", "4", "--channels", "1"}, "REC_0001.avi")}));
        StillAndClipCommands commands(&window, session, boxes, options);
        const LocalMoment moment{2026, 12, 10, 22, 40, 1, 5};
        commands.SetClock([&] { return moment; });

        session.Post(VIDEO_INDEX_SELECT, std::make_unique<MessageParam>());
        session.Post(VIDEO_MEDIA_LOAD);
        session.Post(NEW_VIDEO_PLAY);
        commands.OnBnClickedVideoCaptureBtn();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes.empty(); }, kWaitMs));
        const std::string still = dir / "CAM_CAPTURE/REC_0001-2026-12-10-22h40m01s5.png";
        EXPECT_EQ(boxes.boxes[0].text.toStdString(), still + LoadString(StringId::kStillSavedAskShowFolder));
        EXPECT_EQ(QImage(QString::fromStdString(still)).size(), QSize(640, 352));

        // The save folder is a file: the capture folder cannot be made, the still not written.
        boxes.boxes.clear();
        const std::string notAFolder = dir / "REC_0001.avi";
        options.m_saveDirectory = notAFolder;
        commands.OnBnClickedVideoCaptureBtn();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes.empty(); }, kWaitMs));
        EXPECT_EQ(boxes.boxes[0].text.toStdString(),
                  LoadString(StringId::kStillNotSaved) + "\n" + notAFolder + "/CAM_CAPTURE/REC_0001-2026-12-10-22h40m01s5.png\n" +
                      LoadString(StringId::kReasonNotAFolder));
        EXPECT_EQ(boxes.boxes[0].icon, QMessageBox::Warning);
        EXPECT_EQ(FolderEntries(dir / "CAM_CAPTURE"), std::vector<std::string>{"REC_0001-2026-12-10-22h40m01s5.png"});
        delete first;
    }
    session.Shutdown();
}

}  // namespace
