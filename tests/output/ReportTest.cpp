// The printed report: its page geometry on an image, its content in a PDF (read back with the poppler
// tools), its text lines in the cases a recording can be in, the print dialog without a printer, a
// failed job, and the preview window.
#include "output/CPrintControl.h"
#include "output/ReportBuilder.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "recording/AVIFileLoader.h"
#include "recording/LoadRecording.h"
#include "session/PlaybackSession.h"

#include "support/SampleCard.h"
#include "support/TempDir.h"
#include "support/qt/BoxRecorder.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

QImage Solid(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

ReportData StillsReport(QSize first, QSize second)
{
    ReportData report;
    report.m_track1Image = Solid(first, Qt::red);
    if (!second.isEmpty())
        report.m_track2Image = Solid(second, Qt::blue);
    report.m_mapImage = Solid({276, 237}, Qt::green);
    return report;
}

// The colour at a point of the logical page (below the header) on a device drawn by the printer.
QColor AtPage(const QImage& device, const CPrintControl& control, QPointF logical)
{
    const double scale = double(device.width()) / CPrintControl::kPageWidth;
    const QPointF onDevice((logical.x() + 1) * scale, (logical.y() + 2 * control.LineHeight()) * scale);
    return device.pixelColor(onDevice.toPoint());
}

TEST(ReportLayout, StillsSitAtHalfSizeBelowTheHeaderOnAPageAsTallAsTheDevice)
{
    QImage device(1000, 2000, QImage::Format_RGB32);
    device.fill(Qt::white);
    CPrintControl control;
    control.SetReport(StillsReport({640, 352}, {320, 180}));
    QPainter painter(&device);
    CPrintControl::PageInfo info;
    control.BeginPrinting(painter, info);
    EXPECT_EQ(control.PageHeight(), 1680);
    EXPECT_EQ(info.lastPage, 2);
    EXPECT_GT(control.LineHeight(), 30);
    EXPECT_GT(control.CharWidth(), 10);
    control.PrintPage(painter, info);
    painter.end();

    // Channel 1 at (80, 220) 320x176, channel 2 at (80, 620) 160x90.
    EXPECT_EQ(AtPage(device, control, {82, 222}), QColor(Qt::red));
    EXPECT_EQ(AtPage(device, control, {398, 394}), QColor(Qt::red));
    EXPECT_EQ(AtPage(device, control, {404, 300}), QColor(Qt::white));
    EXPECT_EQ(AtPage(device, control, {82, 622}), QColor(Qt::blue));
    EXPECT_EQ(AtPage(device, control, {238, 708}), QColor(Qt::blue));
    EXPECT_EQ(AtPage(device, control, {244, 660}), QColor(Qt::white));

    // Larger stills are fitted; the camera's own sizes are kept at half.
    EXPECT_EQ(CPrintControl::PlacedSize({1920, 1080}, true), QSize(640, 360));
    EXPECT_EQ(CPrintControl::PlacedSize({640, 352}, true), QSize(320, 176));
    EXPECT_EQ(CPrintControl::PlacedSize({276, 237}, false), QSize(276, 237));
    EXPECT_EQ(CPrintControl::PlacedSize({2000, 500}, false), QSize(680, 170));
}

struct Recording {
    TempDir dir;
    std::unique_ptr<RecordingItem> item;
    explicit Recording(const std::vector<std::string>& args)
    {
        std::string reason;
        item = LoadRecording(MakeRecording(dir.path(), args), reason);
        EXPECT_TRUE(item) << reason;
    }
};

// The text lines: the samples of the moment, N/A where there is none, numbers with a dot.
TEST(ReportTexts, LinesOfTheMomentOrNotAvailable)
{
    Recording twoChannels({"--seconds", "10", "--channels", "2"});
    ASSERT_TRUE(twoChannels.item);
    const RecordingItem& item = *twoChannels.item;
    ReportData report;
    FillReportTexts(report, &item, 0.5);
    const auto g = GetGSensorSampleAt(item, 5.0);
    const auto p = GetGpsSampleAt(item, 5.0);
    ASSERT_TRUE(g && p && p->valid);
    const QString gLabel = QString::fromStdString(LoadString(StringId::kReportGSensor));
    EXPECT_EQ(report.m_gSensorText, gLabel + QString::asprintf(" : X= %.8f, Y= %.8f, Z= %.8f", g->x, g->y, g->z));
    EXPECT_TRUE(report.m_latitudeText.endsWith(QString::asprintf(" : %.8f", p->latitude)));
    EXPECT_TRUE(report.m_longitudeText.endsWith(QString::asprintf(" : %.8f", p->longitude)));
    EXPECT_TRUE(report.m_speedText.endsWith(QString::asprintf(" : %.1f km/h", p->speed)));
    EXPECT_TRUE(report.m_timeText.endsWith(" : 2012-08-20 15:30:17")) << report.m_timeText.toStdString();

    struct Case {
        const char* name;
        const RecordingItem* recording;
    };
    Recording noGps({"--seconds", "5", "--channels", "1", "--no-gps"});
    const Case cases[] = {{"no recording", nullptr}, {"no GPS", noGps.item.get()}};
    for (const Case& c : cases) {
        ReportData none;
        FillReportTexts(none, c.recording, 0.5);
        EXPECT_TRUE(none.m_latitudeText.endsWith(" : N/A")) << c.name;
        EXPECT_TRUE(none.m_longitudeText.endsWith(" : N/A")) << c.name;
        EXPECT_TRUE(none.m_speedText.endsWith(" : N/A")) << c.name;
    }
    ReportData nothing;
    FillReportTexts(nothing, nullptr, 0.0);
    EXPECT_TRUE(nothing.m_gSensorText.endsWith(" : X= N/A, Y= N/A, Z= N/A"));

    // A sample without a fix is not a position of this moment.
    RecordingItem lost = item;
    for (GpsSample& sample : lost.gpsSamples)
        sample.valid = false;
    ReportData noFix;
    FillReportTexts(noFix, &lost, 0.5);
    EXPECT_TRUE(noFix.m_latitudeText.endsWith(" : N/A"));
}

// The report as a PDF, read back: its texts on the two pages and its pictures. Also left in the build
// folder with its pages as PNG to look at.
TEST(ReportPdf, TextsAndPicturesOfBothPages)
{
    Recording twoChannels({"--seconds", "10", "--channels", "2"});
    ASSERT_TRUE(twoChannels.item);
    ReportData report = StillsReport({640, 352}, {320, 180});
    FillReportTexts(report, twoChannels.item.get(), 0.5);
    CPrintControl control;
    control.SetReport(report);
    const std::string pdf = TESSARO_BUILD_DIR "/report.pdf";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(QString::fromStdString(pdf));
    ASSERT_TRUE(control.Print(printer));

    const ProgramRun text = RunProgram({"pdftotext", "-layout", pdf, "-"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    for (const QString& expected :
         {QStringLiteral("Tessaro Viewer Report"), QStringLiteral("1. 촬영 정보"), QStringLiteral("▶ 채널 2"),
          QStringLiteral("2. 위치 정보"), QStringLiteral("3. 충격 정보"), report.m_latitudeText, report.m_longitudeText,
          report.m_gSensorText, report.m_speedText, report.m_timeText, QStringLiteral("Page 1 of 2"),
          QStringLiteral("Page 2 of 2"), QString::fromStdString(LoadString(StringId::kReportFooter))})
        EXPECT_NE(QString::fromStdString(text.out).indexOf(expected), -1) << expected.toStdString();
    const ProgramRun images = RunProgram({"pdfimages", "-list", pdf});
    ASSERT_EQ(images.exitCode, 0) << images.err;
    EXPECT_NE(images.out.find("   640   352"), std::string::npos) << images.out;
    EXPECT_NE(images.out.find("   320   180"), std::string::npos) << images.out;
    EXPECT_NE(images.out.find("   276   237"), std::string::npos) << images.out;
    RunProgram({"pdftoppm", "-png", "-r", "60", pdf, TESSARO_BUILD_DIR "/report-page"});
}

// Answers the next print dialog once it shows (however slowly a loaded machine opens it).
void AnswerPrintDialog(bool accept, bool* seen)
{
    *seen = false;
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, accept, seen] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        *seen = true;
        poll->stop();
        poll->deleteLater();
        accept ? dialog->accept() : dialog->reject();
    });
    poll->start(100);
}

// With no printer installed (as here) the user is told, then the dialog offers a PDF in the documents
// folder; a folder that cannot take the file gives the failure box and leaves no part of a file.
TEST(ReportPrintDirect, WithoutAPrinterTheReportBecomesAPdfOrAFailureIsTold)
{
    TempDir dir;
    const std::string documents = (dir.path() / "documents").string();
    std::filesystem::create_directories(documents);
    setenv("XDG_DOCUMENTS_DIR", documents.c_str(), 1);
    BoxRecorder boxes;
    CPrintControl control;
    control.SetReport(StillsReport({640, 352}, {}));

    bool seen = false;
    AnswerPrintDialog(true, &seen);
    control.PrintDirect(nullptr, boxes);
    EXPECT_TRUE(seen);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].toStdString(), LoadString(StringId::kNoPrinter));
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(documents))
        written.push_back(entry.path().filename().string());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(written[0].starts_with("TessaroReport-") && written[0].ends_with(".pdf")) << written[0];

    // A cancelled dialog: nothing.
    AnswerPrintDialog(false, &seen);
    control.PrintDirect(nullptr, boxes);
    EXPECT_EQ(boxes.texts.size(), 2u);  // only the no-printer note again

    // The documents "folder" is a file: the PDF cannot be written.
    const std::string notAFolder = (dir.path() / "file").string();
    std::ofstream(notAFolder) << "x";
    setenv("XDG_DOCUMENTS_DIR", notAFolder.c_str(), 1);
    AnswerPrintDialog(true, &seen);
    control.PrintDirect(nullptr, boxes);
    ASSERT_EQ(boxes.texts.size(), 4u);
    // What, where (on a line of its own) and why; writing under a file fails for root too.
    const std::string told = boxes.texts[3].toStdString();
    EXPECT_TRUE(told.starts_with(LoadString(StringId::kReportNotSaved) + "\n" + notAFolder + "/TessaroReport-"))
        << told;
    EXPECT_TRUE(told.ends_with(".pdf\n" + LoadString(StringId::kReasonNotAFolder))) << told;
    unsetenv("XDG_DOCUMENTS_DIR");
}

TEST(ReportPreview, OneWindowAtATimeAndANewOneAfterClosing)
{
    QWidget owner;
    BoxRecorder boxes;
    CPrintControl control;
    control.SetReport(StillsReport({640, 352}, {320, 180}));
    control.ShowPreview(&owner, boxes);
    QPrintPreviewDialog* first = control.Preview();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), "Tessaro Viewer Print Preview");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first));
    first->resize(900, 700);
    QTest::qWait(500);
    first->grab().save(TESSARO_BUILD_DIR "/report-preview.png");
    control.ShowPreview(&owner, boxes);
    EXPECT_EQ(control.Preview(), first);
    first->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control.IsPreviewOpen(); }, 5000));
    control.ShowPreview(&owner, boxes);
    EXPECT_TRUE(control.IsPreviewOpen());
    EXPECT_NE(control.Preview(), nullptr);
}

// The preview's own Print button (no printer here: its dialog offers a PDF in the documents folder) writes
// the file whole, or tells the failure and leaves nothing.
TEST(ReportPreview, ItsPrintButtonWritesThePdfOrTellsTheFailure)
{
    TempDir dir;
    const std::filesystem::path documents = dir.path() / "documents";
    std::filesystem::create_directories(documents);
    std::ofstream(dir.path() / "file") << "x";
    struct Case {
        const char* name;
        std::filesystem::path folder;
        bool written;
    };
    const Case cases[] = {{"a folder that takes it", documents, true},
                          {"a documents \"folder\" that is a file", dir.path() / "file", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setenv("XDG_DOCUMENTS_DIR", c.folder.c_str(), 1);
        QWidget owner;
        BoxRecorder boxes;
        CPrintControl control;
        control.SetReport(StillsReport({640, 352}, {320, 180}));
        control.ShowPreview(&owner, boxes);
        QPrintPreviewDialog* preview = control.Preview();
        ASSERT_NE(preview, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
        QAction* print = nullptr;
        for (QAction* action : preview->findChildren<QAction*>())
            if (action->text() == "Print")
                print = action;
        ASSERT_NE(print, nullptr);
        bool seen = false;
        AnswerPrintDialog(true, &seen);
        print->trigger();
        EXPECT_TRUE(seen);
        std::vector<std::string> written;
        for (const auto& entry : std::filesystem::directory_iterator(documents))
            written.push_back(entry.path().filename().string());
        if (c.written) {
            EXPECT_TRUE(boxes.texts.empty());
            ASSERT_EQ(written.size(), 1u);
            EXPECT_TRUE(written[0].starts_with("TessaroReport-") && written[0].ends_with(".pdf")) << written[0];
            EXPECT_GT(std::filesystem::file_size(documents / written[0]), 1000u);
            std::filesystem::remove(documents / written[0]);
        } else {
            ASSERT_EQ(boxes.texts.size(), 1u);
            const std::string told = boxes.texts[0].toStdString();
            EXPECT_TRUE(told.starts_with(LoadString(StringId::kReportNotSaved) + "\n" + c.folder.string() + "/"))
                << told;
            EXPECT_TRUE(told.ends_with("\n" + LoadString(StringId::kReasonNotAFolder))) << told;
            EXPECT_TRUE(written.empty());
        }
        if (control.Preview())
            control.Preview()->close();
    }
    unsetenv("XDG_DOCUMENTS_DIR");
}

}  // namespace
