// The clip export dialog with real MPlayer previews (and a stand-in that keeps the commands it gets).
#include "output/CSaveVideoDialog.h"
#include "OutputTestSupport.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "recording/RecordingItem.h"
#include "support/TempDir.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include <sys/stat.h>

namespace {

constexpr int kWaitMs = 15000;

RecordingItem Item(const std::string& path, int duration, const std::string& fileName = "")
{
    RecordingItem item(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, path,
                       fileName.empty() ? std::filesystem::path(path).filename().string() : fileName);
    item.duration = duration;
    return item;
}

// A stand-in for MPlayer that keeps its arguments and every command it reads, by its process id.
std::string KeepingStandIn(const TempDir& dir)
{
    const std::string script = dir / "mplayer-standin";
    std::ofstream(script) << "#!/bin/sh\nexec cat > '" << dir.path().string() << "/input-'$$\n";
    chmod(script.c_str(), 0755);
    return script;
}

std::string CommandsReceived(const TempDir& dir, const MplayerControl& preview)
{
    return ReadFileBytes(dir / ("input-" + std::to_string(preview.ProcessId())));
}

class ExportDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadSkin(); }
    static void TearDownTestSuite() { UnloadSkin(); }

    // A dialog over item, shown (its previews started) unless show is false.
    std::unique_ptr<CSaveVideoDialog> Open(const RecordingItem& item, const QString& program = QString(),
                                           bool show = true)
    {
        auto dialog = std::make_unique<CSaveVideoDialog>(nullptr, boxes);
        if (!program.isEmpty())
            dialog->SetPreviewProgram(program);
        dialog->SetRecording(item);
        if (show) {
            dialog->move(40, 40);
            dialog->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        }
        return dialog;
    }

    static QString Label(CSaveVideoDialog& dialog, int id)
    {
        return dialog.findChild<QLabel*>(QString::number(id))->text();
    }
    static QSlider* Slider(CSaveVideoDialog& dialog, int id)
    {
        return dialog.findChild<QSlider*>(QString::number(id));
    }
    // What a mouse drag does: the slider is pressed, moved and let go.
    static void Drag(QSlider* slider, int value)
    {
        slider->setSliderDown(true);
        slider->setSliderPosition(value);
        slider->setSliderDown(false);
    }

    BoxRecorder boxes;
};

TEST(ExportDialogTimes, TimeTextsAndTheirSeconds)
{
    struct Case {
        int seconds;
        const char* text;
    };
    const Case cases[] = {{0, "00:00:00"}, {59, "00:00:59"}, {60, "00:01:00"}, {3725, "01:02:05"},
                          {359999, "99:59:59"}, {360000, "100:00:00"}, {-5, "00:00:00"}};
    for (const Case& c : cases) {
        EXPECT_EQ(FormatSeconds(c.seconds), c.text) << c.seconds;
        if (c.seconds >= 0 && c.seconds < 360000) {
            EXPECT_EQ(SecondsOfTimeText(c.text), c.seconds) << c.text;
        }
    }
    // Leading digits of each two-character field; a field without digits, or cut off, counts 0.
    EXPECT_EQ(SecondsOfTimeText("1x:0y:5z"), 3600 + 5);
    EXPECT_EQ(SecondsOfTimeText("ab:cd:ef"), 0);
    EXPECT_EQ(SecondsOfTimeText("00:02"), 120);
    EXPECT_EQ(SecondsOfTimeText(""), 0);
}

TEST_F(ExportDialog, OpensOnTheWholeRangeWithBothPreviewsPausedOnTheirPictures)
{
    const std::string recording = FiftyNineSecondRecording();
    auto dialog = Open(Item(recording, 59));
    EXPECT_EQ(dialog->windowTitle(), QString::fromStdString(LoadString(StringId::kClipDialogTitle)));
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kStartTimeLabelId), "00:00:00");
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kEndTimeLabelId), "00:00:59");
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kLengthLabelId), "00:00:59");
    QSlider* start = Slider(*dialog, CSaveVideoDialog::kStartSliderId);
    QSlider* end = Slider(*dialog, CSaveVideoDialog::kEndSliderId);
    EXPECT_EQ(std::make_pair(start->minimum(), start->maximum()), std::make_pair(0, 59));
    EXPECT_EQ(std::make_pair(start->value(), end->value()), std::make_pair(0, 59));

    MplayerControl& first = dialog->StartPreview();
    MplayerControl& last = dialog->EndPreview();
    EXPECT_EQ(OptionOf(first.ProcessId(), "-ss"), "00:00:00");
    EXPECT_EQ(OptionOf(last.ProcessId(), "-ss"), "58");
    EXPECT_EQ(ArgumentsOf(last.ProcessId()).back(), recording);

    // Both draw a picture into their own window and then stand still; the two moments differ.
    QImage firstPicture, lastPicture;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            firstPicture = ScreenPixels(dialog->PreviewSurface(first));
            lastPicture = ScreenPixels(dialog->PreviewSurface(last));
            return ShowsAPicture(firstPicture) && ShowsAPicture(lastPicture);
        },
        kWaitMs));
    // MPlayer may show a frame or two before its pause takes hold (a busy machine is slower to pause):
    // the picture it settles on is the one that must then stay.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QImage before = ScreenPixels(dialog->PreviewSurface(first));
            QTest::qWait(300);
            firstPicture = ScreenPixels(dialog->PreviewSurface(first));
            return firstPicture == before;
        },
        kWaitMs));
    lastPicture = ScreenPixels(dialog->PreviewSurface(last));
    EXPECT_NE(firstPicture, lastPicture);
    QTest::qWait(1500);
    EXPECT_TRUE(first.IsRunning() && last.IsRunning());
    EXPECT_TRUE(dialog->IsPreviewShown(first) && dialog->IsPreviewShown(last));
    EXPECT_EQ(ScreenPixels(dialog->PreviewSurface(first)), firstPicture) << "the start preview did not pause";
}

TEST_F(ExportDialog, LongAndSubSecondRecordingsStartTheEndPreviewInsideTheRange)
{
    auto dialog = Open(Item(FiftyNineSecondRecording(), 3725));
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kEndTimeLabelId), "01:02:05");
    EXPECT_EQ(OptionOf(dialog->EndPreview().ProcessId(), "-ss"), "3724");

    auto shortOne = Open(Item(FiftyNineSecondRecording(), 0));
    EXPECT_EQ(OptionOf(shortOne->EndPreview().ProcessId(), "-ss"), "0");
    EXPECT_EQ(Label(*shortOne, CSaveVideoDialog::kLengthLabelId), "00:00:00");
}

TEST_F(ExportDialog, APreviewThatDiesLeavesTheFaceInItsPlaceAndNoBox)
{
    auto dialog = Open(Item(FiftyNineSecondRecording(), 59), "/bin/false");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !dialog->IsPreviewShown(dialog->StartPreview()) && !dialog->IsPreviewShown(dialog->EndPreview()); },
        kWaitMs));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ExportDialog, SlidersKeepTheirOrderAndSeekTheirPreviewByMouseAndByKey)
{
    TempDir dir;
    auto dialog = Open(Item("clip.avi", 59), QString::fromStdString(KeepingStandIn(dir)));
    QSlider* start = Slider(*dialog, CSaveVideoDialog::kStartSliderId);
    QSlider* end = Slider(*dialog, CSaveVideoDialog::kEndSliderId);

    Drag(end, 30);  // mouse
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kEndTimeLabelId), "00:00:30");
    start->setFocus();
    QTest::keyClick(start, Qt::Key_End);  // onto the end: one step before it
    EXPECT_EQ(start->value(), 29);
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kStartTimeLabelId), "00:00:29");
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kLengthLabelId), "00:00:01");
    Drag(start, 10);
    end->setFocus();
    QTest::keyClick(end, Qt::Key_Home);  // onto the start: one step after it
    EXPECT_EQ(end->value(), 11);
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kEndTimeLabelId), "00:00:11");
    Drag(end, 5);
    EXPECT_EQ(end->value(), 11);
    QTest::keyClick(end, Qt::Key_PageUp);  // what a click on the groove does
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kEndTimeLabelId),
              QString::fromStdString(FormatSeconds(end->value())));
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kLengthLabelId),
              QString::fromStdString(FormatSeconds(end->value() - 10)));

    // The end preview shows the last second inside the range.
    const std::string endSeeks = "pause\npausing seek 29.0 2\npausing seek 10.0 2\npausing seek 10.0 2\npausing seek " +
                                 std::to_string(end->value() - 1) + ".0 2\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return CommandsReceived(dir, dialog->EndPreview()) == endSeeks; }, kWaitMs))
        << CommandsReceived(dir, dialog->EndPreview());
    const std::string startSeeks = "pause\npausing seek 29.0 2\npausing seek 10.0 2\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return CommandsReceived(dir, dialog->StartPreview()) == startSeeks; }, kWaitMs))
        << CommandsReceived(dir, dialog->StartPreview());
}

TEST_F(ExportDialog, OutputNamesTakeTheFirstFreeCopyNumberOfALowerCaseAviOrMp4)
{
    TempDir folder;
    WriteFileBytes(folder / "REC_0001_copy(1).avi", "x");
    std::filesystem::create_directory(folder / "REC_0001_copy(2).avi");  // anything there counts
    struct Case {
        std::string fileName;
        std::string folder;
        std::string expected;
    };
    const std::string dir = folder.path().string();
    const Case cases[] = {
        {"REC_0001.avi", dir, "REC_0001_copy(3).avi"}, {"EVT_0001.mp4", dir, "EVT_0001_copy(1).mp4"},
        {"REC_0001.AVI", dir, ""},  {"REC_0001.mkv", dir, ""}, {"avi", dir, ""}, {"", dir, ""},
        {"REC_0001.avi", "", ""},
    };
    for (const Case& c : cases) {
        auto dialog = Open(Item("/nowhere/" + c.fileName, 5, c.fileName), QString(), false);
        EXPECT_EQ(dialog->setOutputFileName(c.folder), !c.expected.empty()) << c.fileName;
        EXPECT_EQ(dialog->GetOutputFileName(), c.expected) << c.fileName;
    }
}

TEST_F(ExportDialog, ACancelledChooserKeepsTheDialogAndItsPreviewsAndAChosenFolderClosesWithOk)
{
    TempDir folder;
    auto dialog = Open(Item(FiftyNineSecondRecording(), 59));
    const qint64 pids[] = {dialog->StartPreview().ProcessId(), dialog->EndPreview().ProcessId()};
    auto* ok = dialog->findChild<QPushButton*>(QString::number(CSaveVideoDialog::kOkButtonId));
    ASSERT_TRUE(ok->isDefault());

    QTest::mouseClick(ok, Qt::LeftButton);
    ASSERT_EQ(boxes.chooserTitles.size(), 1u);
    EXPECT_EQ(boxes.chooserTitles[0].toStdString(), LoadString(StringId::kSelectFolder));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->StartPreview().IsRunning() && dialog->EndPreview().IsRunning());

    boxes.chosenFolder = QString::fromStdString(folder.path().string());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->GetOutputFolder(), folder.path().string());
    EXPECT_EQ(dialog->GetOutputFileName(), "REC_0001_copy(1).avi");
    EXPECT_EQ(dialog->GetStartTimeText(), "00:00:00");
    EXPECT_EQ(dialog->GetEndTimeText(), "00:00:59");
    for (qint64 pid : pids)
        EXPECT_TRUE(ProcessIsGone(pid)) << pid;
    // The dialog wrote nothing.
    EXPECT_TRUE(FolderEntries(folder.path()).empty());
}

TEST_F(ExportDialog, EveryWayOutEndsBothPreviewsWithoutAZombie)
{
    const std::pair<const char*, std::function<void(std::unique_ptr<CSaveVideoDialog>&)>> ways[] = {
        {"Cancel", [](std::unique_ptr<CSaveVideoDialog>& d) { QTest::mouseClick(d->findChild<QPushButton*>("1059"), Qt::LeftButton); }},
        {"Esc", [](std::unique_ptr<CSaveVideoDialog>& d) { QTest::keyClick(d.get(), Qt::Key_Escape); }},
        {"close box", [](std::unique_ptr<CSaveVideoDialog>& d) { d->close(); }},
        {"destruction", [](std::unique_ptr<CSaveVideoDialog>& d) { d.reset(); }},
    };
    for (const auto& [way, leave] : ways) {
        auto dialog = Open(Item(FiftyNineSecondRecording(), 59));
        const qint64 pids[] = {dialog->StartPreview().ProcessId(), dialog->EndPreview().ProcessId()};
        ASSERT_GT(pids[0], 0);
        ASSERT_GT(pids[1], 0);
        leave(dialog);
        if (dialog) {
            EXPECT_FALSE(dialog->isVisible()) << way;
            EXPECT_EQ(dialog->result(), QDialog::Rejected) << way;
        }
        for (qint64 pid : pids)
            EXPECT_TRUE(ProcessIsGone(pid)) << way;
    }
}

TEST_F(ExportDialog, WithoutMplayerTheFacesShowAndTheRangeAndOkStillWork)
{
    TempDir folder;
    auto dialog = Open(Item(FiftyNineSecondRecording(), 59), "/nonexistent/mplayer");
    EXPECT_FALSE(dialog->IsPreviewShown(dialog->StartPreview()));
    EXPECT_FALSE(dialog->IsPreviewShown(dialog->EndPreview()));
    QSlider* start = Slider(*dialog, CSaveVideoDialog::kStartSliderId);
    start->setFocus();
    QTest::keyClick(start, Qt::Key_PageUp);
    EXPECT_EQ(Label(*dialog, CSaveVideoDialog::kStartTimeLabelId),
              QString::fromStdString(FormatSeconds(start->value())));
    boxes.chosenFolder = QString::fromStdString(folder.path().string());
    dialog->OnBnClickedokbtn();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(boxes.boxes.empty());
}

// Run by the next test in a child process: holds an open dialog until it is killed.
TEST_F(ExportDialog, DISABLED_HoldsTheDialogUntilKilled)
{
    const char* pidsFile = std::getenv("TESSARO_HOLDER_PIDS");
    ASSERT_NE(pidsFile, nullptr);
    auto dialog = Open(Item(std::getenv("TESSARO_HOLDER_RECORDING"), 59));
    ASSERT_TRUE(dialog->StartPreview().IsRunning() && dialog->EndPreview().IsRunning());
    const std::string temporary = std::string(pidsFile) + ".part";
    std::ofstream(temporary) << dialog->StartPreview().ProcessId() << ' ' << dialog->EndPreview().ProcessId() << '\n';
    std::filesystem::rename(temporary, pidsFile);
    QTest::qWait(60000);
}

TEST_F(ExportDialog, AViewerKilledWhileTheDialogIsOpenLeavesNoMplayer)
{
    TempDir dir;
    const std::string pidsFile = dir / "pids";
    QProcess holder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TESSARO_HOLDER_PIDS", QString::fromStdString(pidsFile));
    environment.insert("TESSARO_HOLDER_RECORDING", QString::fromStdString(FiftyNineSecondRecording()));
    holder.setProcessEnvironment(environment);
    holder.setProcessChannelMode(QProcess::ForwardedChannels);
    holder.start(QCoreApplication::applicationFilePath(),
                 {"--gtest_also_run_disabled_tests", "--gtest_filter=ExportDialog.DISABLED_HoldsTheDialogUntilKilled"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(pidsFile); }, 30000));
    qint64 startPid = 0, endPid = 0;
    std::istringstream(ReadFileBytes(pidsFile)) >> startPid >> endPid;
    ASSERT_GT(startPid, 0);
    ASSERT_GT(endPid, 0);
    EXPECT_FALSE(ProcessIsDead(startPid));

    ::kill(static_cast<pid_t>(holder.processId()), SIGKILL);
    ASSERT_TRUE(holder.waitForFinished(5000));
    // The previews' parent is gone; they are killed with it (whoever reaps them afterwards).
    EXPECT_TRUE(QTest::qWaitFor([&] { return ProcessIsDead(startPid) && ProcessIsDead(endPid); }, 5000));
}

}  // namespace
