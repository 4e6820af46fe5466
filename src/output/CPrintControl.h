#pragma once

// The report printer: lays out the two pages of a report on any paint device (a printer, a PDF, an image
// in tests) and offers the two ways of producing them: printing after the print dialog (a PDF file for a
// user without a printer) and a preview window. User-interface thread only.

#include "output/ReportData.h"

#include <QFont>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QRect>

class IMessageBoxes;
class QPainter;
class QPrinter;
class QWidget;

class CPrintControl {
public:
    // Which page a job is at, and the area it draws into (device pixels).
    struct PageInfo {
        int firstPage = 1;
        int lastPage = 2;
        int currentPage = 1;
        QRect rect;
    };

    // The logical page is this wide; its height follows the device's aspect.
    static constexpr int kPageWidth = 840;
    // Stills (at half size) and the map are scaled down to fit into this, aspect kept.
    static constexpr QSize kLargestPicture{680, 360};

    CPrintControl();
    ~CPrintControl();
    CPrintControl(const CPrintControl&) = delete;
    CPrintControl& operator=(const CPrintControl&) = delete;

    void SetReport(const ReportData& report) { m_report = report; }
    const ReportData& Report() const { return m_report; }

    // One job: fonts and measures, then each page, then the end. painter is active on the device.
    void BeginPrinting(QPainter& painter, PageInfo& info);
    void PrintPage(QPainter& painter, const PageInfo& info);
    void EndPrinting(QPainter& painter, PageInfo& info);

    // Prints both pages on printer. False when the job could not start or a page failed; the job is then
    // aborted.
    bool Print(QPrinter& printer);

    // The print dialog (both pages always; printing to a PDF file offered), then the job. Without any
    // printer installed the user is told first and the dialog is set to a PDF in the documents folder.
    // A job that fails is told; a cancelled dialog does nothing.
    void PrintDirect(QWidget* parent, IMessageBoxes& boxes);

    // Opens the preview of the report, or brings an open one forward. parent owns it. The preview's own
    // Print goes the way PrintDirect's job goes (a PDF staged beside its name); a failure is told through
    // boxes, which must outlive the preview.
    void ShowPreview(QWidget* parent, IMessageBoxes& boxes);
    bool IsPreviewOpen() const { return !m_preview.isNull(); }
    QPrintPreviewDialog* Preview() const { return m_preview; }

    // Measures of the running job, for tests.
    int CharWidth() const { return m_charWidth; }
    int LineHeight() const { return m_lineHeight; }
    int PageHeight() const { return m_pageHeight; }
    // Where a picture of that size goes at half size (page 1) or its own size (the map), fitted.
    static QSize PlacedSize(QSize picture, bool halfSize);

    // The file name a PDF report is suggested under: "TessaroReport-<date>-<time>.pdf".
    static QString SuggestedPdfName();

private:
    void DrawLines(QPainter& painter, int bottom, const std::initializer_list<std::tuple<const QFont*, int, int, QString>>& lines);

    ReportData m_report;
    QFont m_titleFont, m_sectionFont, m_bodyFont, m_boldBodyFont;
    int m_charWidth = 0;
    int m_lineHeight = 0;
    int m_pageHeight = 0;
    int m_deviceWidth = 0;
    int m_deviceHeight = 0;
    QPointer<QPrintPreviewDialog> m_preview;
};
