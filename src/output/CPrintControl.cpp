#include "output/CPrintControl.h"

#include "infra/SafeFile.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "infra/UserFolders.h"
#include "widgets/MessageBoxes.h"
#include "widgets/LoadText.h"
#include "widgets/SaveFailure.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cerrno>
#include <string>
#include <sys/statvfs.h>
#include <tuple>

namespace {

// A plain sans for Latin text and digits with a Hangul face behind it, sized in page units so that ascent
// + descent is cellHeight (the height a report font is given in). DejaVu comes first: digits taken from
// the CJK face lose their text in a PDF (a reader or a search finds no numbers).
QFont ReportFont(int cellHeight, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK KR"),
                      QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
    font.setStyleHint(QFont::SansSerif);
    font.setBold(bold);
    font.setPixelSize(cellHeight);
    const qreal height = QFontMetricsF(font).height();
    if (height > 0)
        font.setPixelSize(std::max(1, qRound(cellHeight * cellHeight / height)));
    return font;
}

constexpr int kCentred = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
constexpr int kLeft = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
constexpr int kRight = Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;

void DrawPicture(QPainter& painter, QPoint at, const QImage& picture, bool halfSize)
{
    if (picture.isNull())
        return;  // a picture that could not be had leaves its area blank
    painter.drawImage(QRect(at, CPrintControl::PlacedSize(picture.size(), halfSize)), picture);
}

}  // namespace

CPrintControl::CPrintControl() = default;

CPrintControl::~CPrintControl()
{
    // The preview draws through this object's printer.
    delete m_preview.data();
}

QSize CPrintControl::PlacedSize(QSize picture, bool halfSize)
{
    QSize size = halfSize ? picture / 2 : picture;
    if (size.width() > kLargestPicture.width() || size.height() > kLargestPicture.height())
        size = size.scaled(kLargestPicture, Qt::KeepAspectRatio);
    return size;
}

QString CPrintControl::SuggestedPdfName()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("'TessaroReport-'yyyyMMdd-HHmmss'.pdf'"));
}

void CPrintControl::BeginPrinting(QPainter& painter, PageInfo& info)
{
    m_titleFont = ReportFont(40, true);
    m_sectionFont = ReportFont(20, true);
    m_bodyFont = ReportFont(15, false);
    m_boldBodyFont = ReportFont(15, true);
    // The measuring text is 53 characters long; the first 52 are measured.
    const QString sample = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSATUVWXYZ").left(52);
    const QFontMetrics metrics(m_titleFont);
    m_lineHeight = metrics.height();
    m_charWidth = metrics.horizontalAdvance(sample) / 52;
    m_deviceWidth = painter.device()->width();
    m_deviceHeight = painter.device()->height();
    m_pageHeight = m_deviceWidth > 0 ? qRound(double(kPageWidth) * m_deviceHeight / m_deviceWidth) : 0;
    info.lastPage = 2;
    info.currentPage = 1;
}

void CPrintControl::DrawLines(QPainter& painter, int bottom,
                              const std::initializer_list<std::tuple<const QFont*, int, int, QString>>& lines)
{
    // Each line moves the left edge and the top of one rectangle whose bottom stays: a line is centred
    // on (top + bottom) / 2.
    int left = 0, top = 0;
    const int right = kPageWidth - 2 * m_charWidth;
    bool first = true;
    for (const auto& [font, dx, dy, text] : lines) {
        left += dx;
        top += dy;
        const int centre = (top + bottom) / 2;
        painter.setFont(*font);
        const bool title = first && font == &m_titleFont;
        painter.drawText(QRect(left, centre - 100, right - left, 200), title ? kCentred : kLeft, text);
        first = false;
    }
}

void CPrintControl::PrintPage(QPainter& painter, const PageInfo& info)
{
    if (m_pageHeight <= 0)
        return;
    const int L = m_lineHeight, W = m_charWidth, H = m_pageHeight;
    painter.save();
    painter.setViewport(0, 0, m_deviceWidth, m_deviceHeight);
    painter.setWindow(-1, 0, kPageWidth, H);
    painter.setPen(Qt::black);

    // Header: the name and the time of printing.
    painter.setFont(m_boldBodyFont);
    const QRect header(20, 10, kPageWidth - 2 * W, 2 * L);
    painter.drawText(header, kLeft, QStringLiteral("TESSARO"));
    const QDateTime now = QDateTime::currentDateTime();
    painter.drawText(header, kRight,
                     QString::asprintf("%d-%d-%d  %.2d:%.2d:%.2d ", now.date().year(), now.date().month(),
                                       now.date().day(), now.time().hour(), now.time().minute(), now.time().second()));

    // Body, below the header band.
    painter.save();
    painter.translate(0, 2 * L);
    if (info.currentPage == 1) {
        DrawPicture(painter, {80, 220}, m_report.m_track1Image, true);
        DrawPicture(painter, {80, 620}, m_report.m_track2Image, true);
        DrawLines(painter, 2 * L + 40,
                  {{&m_titleFont, 0, 0, QStringLiteral("Tessaro Viewer Report")},
                   {&m_sectionFont, 30, 140, QStringLiteral("1. 촬영 정보")},
                   {&m_bodyFont, 30, 80, QStringLiteral("● 촬영 이미지")},
                   {&m_bodyFont, 30, 40, QStringLiteral("▶ 채널 1")},
                   {&m_bodyFont, 0, 800, QStringLiteral("▶ 채널 2")}});
    } else {
        DrawPicture(painter, {80, 150}, m_report.m_mapImage, false);
        DrawLines(painter, 2 * L,
                  {{&m_sectionFont, 30, 0, QStringLiteral("2. 위치 정보")},
                   {&m_bodyFont, 30, 90, QStringLiteral("● ") + m_report.m_latitudeText},
                   {&m_bodyFont, 0, 40, QStringLiteral("● ") + m_report.m_longitudeText},
                   {&m_bodyFont, 0, 40, QStringLiteral("● 지도")},
                   {&m_sectionFont, -30, 800, QStringLiteral("3. 충격 정보")},
                   {&m_bodyFont, 30, 80, QStringLiteral("● 충격 센서 값")},
                   {&m_bodyFont, 30, 40, QStringLiteral("▶ ") + m_report.m_gSensorText},
                   {&m_bodyFont, -30, 40, QStringLiteral("● ") + m_report.m_timeText},
                   {&m_bodyFont, 0, 40, QStringLiteral("● ") + m_report.m_speedText}});
    }
    painter.restore();

    // Footer: the band along the bottom edge, W in from each side.
    painter.translate(W - 1, H - 2 * L);
    painter.setFont(m_boldBodyFont);
    const QRect footer(0, 0, kPageWidth - 2 * W, 2 * L);
    painter.drawText(footer, kLeft, LoadText(StringId::kReportFooter));
    painter.drawText(footer, kRight, QString::asprintf("Page %d of %d", info.currentPage, info.lastPage));
    painter.restore();
}

void CPrintControl::EndPrinting(QPainter&, PageInfo&)
{
    m_titleFont = m_sectionFont = m_bodyFont = m_boldBodyFont = QFont();
}

bool CPrintControl::Print(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    PageInfo info;
    info.rect = QRect(0, 0, printer.width(), printer.height());
    BeginPrinting(painter, info);
    bool pagesDone = true;
    for (int page = info.firstPage; page <= info.lastPage; ++page) {
        if (page > info.firstPage && !printer.newPage()) {
            pagesDone = false;
            break;
        }
        info.currentPage = page;
        PrintPage(painter, info);
    }
    EndPrinting(painter, info);
    if (!pagesDone) {
        printer.abort();
        painter.end();
        return false;
    }
    return painter.end();
}

namespace {

// Whether the file at fd ends with a PDF's end-of-file mark, which the printer writes last: a job that ran
// out of room or hit a write error leaves a file without it, whatever the printer says.
bool EndsLikeAPdf(const FileHandle& file)
{
    const int64_t size = file.Size();
    std::string tail(static_cast<std::size_t>(std::min<int64_t>(size, 64)), '\0');
    return size > 0 && file.ReadAt(size - static_cast<int64_t>(tail.size()), tail.data(), tail.size()) &&
           tail.find("%%EOF") != std::string::npos;
}

// Prints; a PDF goes into a staging file beside its chosen name and takes the name only once whole, so a
// failed job never leaves a part under that name (nor replaces an older file with one). The failure of a
// PDF says why; a printer's job only that it failed.
Result PrintStaged(CPrintControl& control, QPrinter& printer)
{
    const QString target = printer.outputFileName();
    if (printer.outputFormat() != QPrinter::PdfFormat || target.isEmpty())
        return control.Print(printer) ? Result::Success() : Result::Failure("the printer refused the job");
    StagedFile staged(target.toStdString());
    if (Result opened = staged.Opened(); !opened)
        return opened;
    printer.setOutputFileName(QString::fromStdString(staged.TemporaryPath().string()));
    const bool printed = control.Print(printer);
    printer.setOutputFileName(target);
    if (!printed || !EndsLikeAPdf(staged.Handle())) {
        // The printer does not say why; a full disk is the usual cause, and the only one it hides.
        struct statvfs space {};
        const bool full = ::fstatvfs(staged.Handle().Get(), &space) == 0 && space.f_bavail == 0;
        return Result::Failure("the report came out incomplete", full ? ENOSPC : EIO);
    }
    return staged.Commit(staged.Handle().Size(), StagedFile::Existing::Replace);
}

// Tells a failed job: a PDF with its path and why, a printer's job in one sentence.
void TellPrintFailure(QWidget* owner, IMessageBoxes& boxes, const QPrinter& printer, const Result& failure)
{
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
    const QString text = toFile ? SaveFailureText(StringId::kReportNotSaved, printer.outputFileName().toStdString(),
                                                  ReasonText(failure))
                                : LoadText(StringId::kReportNotPrinted);
    boxes.ShowWithIcon(owner, QString(), text, QMessageBox::Ok, QMessageBox::Warning);
}

}  // namespace

void CPrintControl::PrintDirect(QWidget* parent, IMessageBoxes& boxes)
{
    QPrinter printer(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        // No printer: the report can still be kept, as a PDF file.
        boxes.Show(parent, QString(), LoadText(StringId::kNoPrinter), QMessageBox::Ok);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(DocumentsFolder().string()) + "/" + SuggestedPdfName());
    }
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printer.setPrintRange(QPrinter::AllPages);
    if (const Result printed = PrintStaged(*this, printer); !printed)
        TellPrintFailure(parent, boxes, printer, printed);
}

void CPrintControl::ShowPreview(QWidget* parent, IMessageBoxes& boxes)
{
    if (m_preview) {
        m_preview->raise();
        m_preview->activateWindow();
        return;
    }
    // Outlives every preview: the dialog only points at it.
    static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        // As with PrintDirect: the preview's Print offers a PDF in the documents folder.
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setOutputFileName(QString::fromStdString(DocumentsFolder().string()) + "/" + SuggestedPdfName());
    }
    m_preview = new QPrintPreviewDialog(printer, parent);
    m_preview->setAttribute(Qt::WA_DeleteOnClose);
    m_preview->setWindowTitle(QStringLiteral("Tessaro Viewer Print Preview"));
    QObject::connect(m_preview, &QPrintPreviewDialog::paintRequested, m_preview,
                     [this, parent, &boxes](QPrinter* target) {
                         // The preview's pages are drawn into a picture engine; anything else is the job
                         // its Print button started.
                         const QPaintEngine* engine = target->paintEngine();
                         if (engine && engine->type() == QPaintEngine::Picture) {
                             (void)Print(*target);
                             return;
                         }
                         if (const Result printed = PrintStaged(*this, *target); !printed)
                             TellPrintFailure(m_preview ? static_cast<QWidget*>(m_preview) : parent, boxes, *target,
                                              printed);
                     });
    QObject::connect(m_preview, &QDialog::finished, m_preview, &QObject::deleteLater);
    m_preview->show();
}
