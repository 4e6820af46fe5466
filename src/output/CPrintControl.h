#pragma once

#include "output/ReportData.h"

#include <QFont>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

class IMessageBoxes;
class QPainter;
class QPrinter;
class QWidget;

// Which pages a job has, which one is being drawn, and the device's printable area in device pixels.
struct PrintInfo {
    int minPage = 1;
    int maxPage = 1;
    int currentPage = 1;
    QRect drawRect;
};

// The report printer: lays the two pages of a ReportData out on any paint device (a printer, a PDF file,
// the preview, an image) and runs the print dialog and the preview window. The main window owns one for
// its whole life and sets the report before every print or preview. Everything runs on the user-interface
// thread.
class CPrintControl {
public:
    // Logical units across a page, whatever the device; the page's height follows the device's shape.
    static constexpr int kPageWidth = 840;
    static constexpr int kPageCount = 2;
    // Stills and the map are scaled down to fit this box (aspect kept), so that a large picture neither
    // runs off the page nor under the next one.
    static constexpr QSize kPictureBox{680, 360};

    // boxes tell the user what went wrong; pdfFolder is where a user without a printer is offered to save
    // the report as a PDF file.
    CPrintControl(IMessageBoxes& boxes, QString pdfFolder);
    ~CPrintControl();
    CPrintControl(const CPrintControl&) = delete;
    CPrintControl& operator=(const CPrintControl&) = delete;

    void SetReport(const ReportData& report) { m_report = report; }
    const ReportData& Report() const { return m_report; }

    // One job: BeginPrinting once, PrintPage for each page, EndPrinting. Each does nothing without both
    // arguments.
    void BeginPrinting(QPainter* painter, PrintInfo* info);
    void PrintPage(QPainter* painter, PrintInfo* info);
    void EndPrinting(QPainter* painter, PrintInfo* info);

    // Prints both pages on printer. False when the job could not start or a page failed; the job is then
    // aborted, and a PDF file under the printer's file name is left as it was (the pages are written
    // beside it first and only then take its name).
    bool Print(QPrinter& printer);
    // The print dialog (both pages always; printing to a PDF file offered), then the job; a job that fails
    // is told. Cancelled: nothing. Without any printer installed the user is told first and the dialog
    // comes up set to a PDF file in pdfFolder.
    void PrintDirect(QWidget* parent);
    // Opens the preview window (modeless, owned by parent), or brings the open one forward.
    void ShowPreview(QWidget* parent);

    bool IsPreviewOpen() const { return m_previewOpen; }
    QPrintPreviewDialog* PreviewDialog() const;

    // Measures of the last job: W, L and H of the layout, the device's size.
    int CharWidth() const { return m_charWidth; }
    int LineHeight() const { return m_lineHeight; }
    int PageHeight() const { return m_pageHeight; }

    // Where a picture of the given size lands on the page: half size for the stills, its own size for the
    // map, each scaled down into kPictureBox when larger.
    static QSize StillSize(QSize picture);
    static QSize MapSize(QSize picture);

private:
    bool RunJob(QPrinter& printer);
    void TellFailure(QWidget* parent);
    void DrawPageText(QPainter* painter, int page);

    IMessageBoxes& m_boxes;
    QString m_pdfFolder;
    ReportData m_report;

    QFont m_titleFont;
    QFont m_sectionFont;
    QFont m_bodyFont;
    int m_charWidth = 0;
    int m_lineHeight = 0;
    int m_pageHeight = 0;
    int m_deviceWidth = 0;
    int m_deviceHeight = 0;

    std::unique_ptr<QPrinter> m_previewPrinter;
    QPointer<QPrintPreviewDialog> m_preview;
    bool m_previewOpen = false;
};
