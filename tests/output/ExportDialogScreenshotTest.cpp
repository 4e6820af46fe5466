// Pictures of the clip export dialog for a person to look at, in English and Korean: both previews paused
// at the two ends of a range, taken from the screen (MPlayer's pixels are not in the widgets' own drawing);
// and the note shown while a clip is written.
#include "output/BusyDialog.h"
#include "output/CSaveVideoDialog.h"
#include "OutputTestSupport.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "recording/RecordingItem.h"

#include <QProcess>
#include <QSlider>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <string>

namespace {

struct Shot {
    Language language;
    bool mplayer;  // false: the faces that stand in when MPlayer cannot start
    const char* file;
};

// Names the case by its file (the default would print the bytes, a pointer among them, and the case's
// name would change from run to run).
void PrintTo(const Shot& shot, std::ostream* out)
{
    *out << shot.file;
}

class ExportDialogScreenshot : public ::testing::TestWithParam<Shot> {
protected:
    static void SetUpTestSuite() { LoadSkin(); }
    static void TearDownTestSuite() { UnloadSkin(); }
};

TEST_P(ExportDialogScreenshot, BothPreviewsShowTheirMoment)
{
    const Language before = CurrentLanguage();
    const Shot shot = GetParam();
    SetCurrentLanguage(shot.language);
    BoxRecorder boxes;
    RecordingItem item(DateTime::FromCalendar(2012, 8, 20, 15, 30, 12), Always, FiftyNineSecondRecording(),
                       "REC_0001.avi");
    item.duration = 59;
    CSaveVideoDialog dialog(nullptr, boxes);
    dialog.SetRecording(item);
    if (!shot.mplayer)
        dialog.SetPreviewProgram("/nonexistent/mplayer");
    dialog.move(20, 20);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.findChild<QSlider*>("1013")->setValue(12);
    dialog.findChild<QSlider*>("1014")->setValue(47);
    auto shows = [&](MplayerControl& preview) { return ShowsAPicture(ScreenPixels(dialog.PreviewSurface(preview))); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return shows(dialog.StartPreview()) && shows(dialog.EndPreview()); }, 15000));
    EXPECT_EQ(dialog.IsPreviewShown(dialog.StartPreview()), shot.mplayer);
    QTest::qWait(1500);  // the seeks land

    const QRect frame = dialog.frameGeometry();
    const std::string file = std::string(TESSARO_BUILD_DIR) + "/" + shot.file;
    const QString crop = QString("%1x%2+%3+%4").arg(frame.width()).arg(frame.height()).arg(frame.x()).arg(frame.y());
    EXPECT_EQ(QProcess::execute("import", {"-window", "root", "-crop", crop, QString::fromStdString(file)}), 0);
    SetCurrentLanguage(before);
}

INSTANTIATE_TEST_SUITE_P(Shots, ExportDialogScreenshot,
                         ::testing::Values(Shot{Language::English, true, "export-dialog.png"},
                                           Shot{Language::Korean, true, "export-dialog-ko.png"},
                                           Shot{Language::English, false, "export-dialog-no-mplayer.png"}),
                         [](const auto& test) {
                             return std::string(test.param.language == Language::Korean ? "Korean" : "English") +
                                    (test.param.mplayer ? "" : "WithoutMplayer");
                         });

}  // namespace

namespace {

// The note shown while a clip is written, in Korean (the longer text).
TEST(BusyNoteScreenshot, KoreanNoteWhileAClipIsWritten)
{
    const Language before = CurrentLanguage();
    SetCurrentLanguage(Language::Korean);
    std::atomic<bool> taken{false};
    QTimer::singleShot(300, [&] {
        if (QWidget* busy = QApplication::activeModalWidget()) {
            EXPECT_TRUE(busy->grab().save(QString(TESSARO_BUILD_DIR) + "/clip-busy-ko.png"));
        }
        taken = true;
    });
    const Result result = RunBehindBusyDialog(nullptr, QString::fromStdString(LoadString(StringId::kClipSaving)), [&] {
        while (!taken)
            QThread::msleep(5);
        return Result::Success();
    });
    EXPECT_TRUE(result.Ok());
    SetCurrentLanguage(before);
}

}  // namespace
