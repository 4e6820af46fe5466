// The report's layout drawn on an image, the print job on a PDF file, and the dialogs around it.
#include "output/CPrintControl.h"

#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "ReportTestSupport.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

QImage Solid(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The smallest rectangle holding every pixel of exactly this colour.
QRect BoundsOf(const QImage& page, QColor colour)
{
    QRect bounds;
    const QRgb wanted = colour.rgb();
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixel(x, y) == wanted)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

bool HasInk(const QImage& page, int fromRow, int toRow)
{
    for (int y = std::max(0, fromRow); y < std::min(page.height(), toRow); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                return true;
    return false;
}

// Draws one page of the report on an image of the given size.
QImage DrawPage(CPrintControl& printer, QSize device, int page)
{
    QImage image(device, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PrintInfo info;
    printer.BeginPrinting(&painter, &info);
    info.currentPage = page;
    printer.PrintPage(&painter, &info);
    printer.EndPrinting(&painter, &info);
    return image;
}

TEST(PrintLayout, PagesFollowTheDeviceShapeAndStillsLandBelowTheHeaderAtHalfSizeWithinTheirBox)
{
    ReportBoxRecorder boxes;
    CPrintControl printer(boxes, QString());
    ReportData report;
    report.m_track1Image = Solid({640, 352}, Qt::red);
    report.m_track2Image = Solid({1920, 1080}, Qt::blue);
    report.m_mapImage = Solid({400, 300}, Qt::green);
    printer.SetReport(report);

    // A device twice as tall as wide: one device pixel per logical unit.
    const QImage first = DrawPage(printer, {840, 1680}, 1);
    EXPECT_EQ(printer.PageHeight(), 1680);
    const int L = printer.LineHeight();
    EXPECT_GE(L, 34);
    EXPECT_LE(L, 40);
    EXPECT_GT(printer.CharWidth(), 10);
    // The body starts 2L down; the page's origin is one unit in from the left edge.
    EXPECT_EQ(BoundsOf(first, Qt::red), QRect(81, 2 * L + 220, 320, 176));
    // Half of 1920 x 1080 would run off the page: it is scaled into 680 x 360 instead.
    EXPECT_EQ(BoundsOf(first, Qt::blue), QRect(81, 2 * L + 620, 640, 360));
    EXPECT_TRUE(BoundsOf(first, Qt::green).isNull());
    // Header, labels, footer; nothing between the second still and the footer band.
    EXPECT_TRUE(HasInk(first, 10, 2 * L + 10));
    EXPECT_TRUE(HasInk(first, 2 * L + 590 - 10, 2 * L + 590 + 10));  // "▶ 채널 2" just above its still
    EXPECT_FALSE(HasInk(first, 2 * L + 620 + 360 + 1, 1680 - 2 * L));
    EXPECT_TRUE(HasInk(first, 1680 - 2 * L, 1680));

    const QImage second = DrawPage(printer, {840, 1680}, 2);
    EXPECT_EQ(BoundsOf(second, Qt::green), QRect(81, 2 * L + 150, 400, 300));
    EXPECT_TRUE(BoundsOf(second, Qt::red).isNull());

    // A landscape device: the page gets shorter, the layout keeps its logical units.
    DrawPage(printer, {1000, 500}, 1);
    EXPECT_EQ(printer.PageHeight(), 420);
}

TEST(PrintLayout, MissingPicturesLeaveTheirAreaBlankAndTheTextStillPrints)
{
    ReportBoxRecorder boxes;
    CPrintControl printer(boxes, QString());
    const QImage first = DrawPage(printer, {840, 1680}, 1);
    const int L = printer.LineHeight();
    EXPECT_FALSE(HasInk(first, 2 * L + 220, 2 * L + 220 + 176));
    EXPECT_TRUE(HasInk(first, 2 * L + 120, 2 * L + 200));  // the section title and its labels
    // Nothing at all on either argument missing.
    printer.PrintPage(nullptr, nullptr);
}

TEST(PrintLayout, PictureSizes)
{
    struct Case {
        QSize picture, still, map;
    };
    const Case cases[] = {
        {{640, 352}, {320, 176}, {640, 352}},
        {{320, 180}, {160, 90}, {320, 180}},
        {{1920, 1080}, {640, 360}, {640, 360}},
        {{1000, 300}, {500, 150}, {680, 204}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CPrintControl::StillSize(c.picture), c.still) << c.picture.width();
        EXPECT_EQ(CPrintControl::MapSize(c.picture), c.map) << c.picture.width();
    }
}

// Answers the next modal dialog (the print dialog) with done(result) once it is up.
void AnswerNextModal(std::function<void(QDialog*)> answer)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start(50);
}

TEST(PrintDirect, WithoutAPrinterTheUserIsToldThenOfferedAPdfInTheDocumentsFolder)
{
    TempDir dir;
    ReportBoxRecorder boxes;
    CPrintControl printer(boxes, QString::fromStdString(dir.path().string()));
    QString dialogFile;
    AnswerNextModal([&](QDialog* dialog) {
        auto* print = qobject_cast<QPrintDialog*>(dialog);
        ASSERT_NE(print, nullptr);
        dialogFile = print->printer()->outputFileName();
        print->accept();
    });
    printer.PrintDirect(nullptr);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].toStdString(), LoadString(StringId::kNoPrinterSavePdf));
    EXPECT_TRUE(dialogFile.startsWith(QString::fromStdString(dir / "TessaroReport-"))) << dialogFile.toStdString();
    EXPECT_TRUE(dialogFile.endsWith(".pdf"));
    // The report is there, and no staging file is left beside it.
    const auto entries = FolderEntries(dir.path());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(QString::fromStdString(dir / entries[0]), dialogFile);
    EXPECT_GT(std::filesystem::file_size(dir / entries[0]), 1000u);
}

TEST(PrintDirect, ACancelledDialogPrintsNothingAndAnUnwritableFileIsTold)
{
    TempDir dir;
    ReportBoxRecorder boxes;
    {
        CPrintControl printer(boxes, QString::fromStdString(dir.path().string()));
        AnswerNextModal([](QDialog* dialog) { dialog->reject(); });
        printer.PrintDirect(nullptr);
        EXPECT_EQ(boxes.texts.size(), 1u);  // only the missing printer
        EXPECT_TRUE(FolderEntries(dir.path()).empty());
    }
    // A folder below a plain file cannot be written, not even by root.
    WriteFileBytes(dir.path() / "file", "x");
    CPrintControl printer(boxes, QString::fromStdString(dir / "file"));
    AnswerNextModal([](QDialog* dialog) { dialog->done(QDialog::Accepted); });
    printer.PrintDirect(nullptr);
    ASSERT_EQ(boxes.texts.size(), 3u);
    EXPECT_EQ(boxes.texts[2].toStdString(), LoadString(StringId::kReportNotPrinted));
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"file"});
}

TEST(PrintDirect, AFailedJobLeavesTheExistingFileAsItWas)
{
    TempDir dir;
    ReportBoxRecorder boxes;
    CPrintControl printer(boxes, QString());
    const std::string target = dir / "report.pdf";
    WriteFileBytes(target, "the old report");
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(QString::fromStdString(target));
    EXPECT_TRUE(printer.Print(pdf));
    EXPECT_EQ(ReadFileBytes(target).substr(0, 5), "%PDF-");
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"report.pdf"});

    // A file name in a folder that does not exist: the job cannot start.
    pdf.setOutputFileName(QString::fromStdString(dir / "missing/report.pdf"));
    EXPECT_FALSE(printer.Print(pdf));
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"report.pdf"});
}

TEST(PrintPreview, ASecondRequestRaisesTheOpenPreviewAndAClosedOneMakesRoomForANewOne)
{
    ReportBoxRecorder boxes;
    CPrintControl printer(boxes, QString());
    ReportData report;
    report.m_track1Image = Solid({640, 352}, Qt::darkCyan);
    printer.SetReport(report);
    QWidget owner;
    printer.ShowPreview(&owner);
    ASSERT_TRUE(printer.IsPreviewOpen());
    QPrintPreviewDialog* first = printer.PreviewDialog();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), "Tessaro Viewer Print Preview");
    EXPECT_EQ(first->parent(), &owner);
    EXPECT_FALSE(first->isModal());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first));

    printer.ShowPreview(&owner);
    EXPECT_EQ(printer.PreviewDialog(), first);
    EXPECT_EQ(owner.findChildren<QPrintPreviewDialog*>().size(), 1);

    // Redrawing the preview of a printer that last printed to a file leaves that file alone.
    TempDir dir;
    const std::string earlier = dir / "earlier.pdf";
    WriteFileBytes(earlier, "an earlier report");
    first->printer()->setOutputFileName(QString::fromStdString(earlier));
    auto* widget = first->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(widget, nullptr);
    widget->updatePreview();
    QCoreApplication::processEvents();
    EXPECT_EQ(widget->pageCount(), 2);
    EXPECT_EQ(ReadFileBytes(earlier), "an earlier report");
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"earlier.pdf"});

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(printer.IsPreviewOpen());
    printer.ShowPreview(&owner);
    EXPECT_TRUE(printer.IsPreviewOpen());
    EXPECT_EQ(owner.findChildren<QPrintPreviewDialog*>().size(), 1);
    EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
