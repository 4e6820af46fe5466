#include "output/CPrintControl.h"

#include "infra/DiagnosticLog.h"
#include "infra/SafeFile.h"
#include "infra/StringIds.h"
#include "infra/StringTable.h"
#include "widgets/MessageBoxes.h"
#include "widgets/SkinFont.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPaintEngine>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <unistd.h>

#include <filesystem>

namespace {

constexpr const char* kClass = "CPrintControl";
// Only its first 52 characters are measured; the average width of those gives W.
constexpr const char* kMeasureText = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSATUVWXYZ";
constexpr int kMeasuredCharacters = 52;
constexpr const char* kPreviewTitle = "Tessaro Viewer Print Preview";

void Log(const std::string& text, const char* function)
{
    WriteLog(text, kClass, function, kLogType, kLogLevelNormal);
}

// The dialog font of the report's layout: the desktop's sans serif with Noto Sans CJK for the Hangul,
// sized in logical units so that a line (ascent + descent) is cellHeight tall.
QFont ReportFont(int cellHeight, QFont::Weight weight)
{
    QFont font = SkinFont(QStringLiteral("MS Shell Dlg"), cellHeight, weight);
    font.setFamilies({font.family(), QStringLiteral("Noto Sans CJK KR")});
    return font;
}

QFont Bold(QFont font)
{
    font.setWeight(QFont::Bold);
    return font;
}

QSize FitIntoPictureBox(QSize size)
{
    if (size.width() > CPrintControl::kPictureBox.width() || size.height() > CPrintControl::kPictureBox.height())
        return size.scaled(CPrintControl::kPictureBox, Qt::KeepAspectRatio);
    return size;
}

void DrawPicture(QPainter* painter, const QImage& picture, QPoint at, QSize size)
{
    if (picture.isNull() || size.isEmpty())
        return;
    painter->drawImage(QRect(at, size), picture);
}

constexpr int kSingleLine = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;

// A PDF file is written under a hidden name beside its target and takes the target's name only once it
// is complete, so a failed job never leaves a half-written report under the name the user chose.
QString StagingName(const QString& target)
{
    const QFileInfo info(target);
    return info.dir().filePath(QStringLiteral(".%1.%2.part.pdf").arg(info.fileName()).arg(getpid()));
}

// The preview paints through its own engine; only a job that really writes a PDF file is staged.
bool WritesPdfFile(QPrinter& printer)
{
    return printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty() &&
           printer.paintEngine() && printer.paintEngine()->type() == QPaintEngine::Pdf;
}

}  // namespace

CPrintControl::CPrintControl(IMessageBoxes& boxes, QString pdfFolder) : m_boxes(boxes), m_pdfFolder(std::move(pdfFolder))
{
}

CPrintControl::~CPrintControl()
{
    // The preview belongs to its parent window but prints from this object.
    delete m_preview.data();
}

QPrintPreviewDialog* CPrintControl::PreviewDialog() const
{
    return m_preview.data();
}

QSize CPrintControl::StillSize(QSize picture)
{
    return FitIntoPictureBox(picture / 2);
}

QSize CPrintControl::MapSize(QSize picture)
{
    return FitIntoPictureBox(picture);
}

void CPrintControl::BeginPrinting(QPainter* painter, PrintInfo* info)
{
    if (!painter || !info)
        return;
    m_titleFont = ReportFont(40, QFont::Bold);
    m_sectionFont = ReportFont(20, QFont::Bold);
    m_bodyFont = ReportFont(15, QFont::Normal);

    painter->setFont(m_titleFont);
    const QFontMetrics metrics = painter->fontMetrics();
    const QString measured = QString::fromLatin1(kMeasureText).left(kMeasuredCharacters);
    m_lineHeight = metrics.height();
    m_charWidth = metrics.horizontalAdvance(measured) / kMeasuredCharacters;

    m_deviceWidth = painter->device()->width();
    m_deviceHeight = painter->device()->height();
    m_pageHeight = m_deviceWidth > 0 ? qRound(double(kPageWidth) * m_deviceHeight / m_deviceWidth) : 0;

    info->maxPage = kPageCount;
    info->currentPage = 1;
}

void CPrintControl::PrintPage(QPainter* painter, PrintInfo* info)
{
    if (!painter || !info || m_pageHeight <= 0)
        return;
    const int page = info->currentPage;
    painter->save();
    painter->setWindow(0, 0, kPageWidth, m_pageHeight);
    painter->setViewport(0, 0, m_deviceWidth, m_deviceHeight);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setPen(Qt::black);
    painter->setBackgroundMode(Qt::TransparentMode);

    const int bandHeight = 2 * m_lineHeight;
    const QRect band(0, 0, kPageWidth - 2 * m_charWidth, bandHeight);
    const QFont boldBody = Bold(m_bodyFont);

    // The page's logical origin sits one unit left of the device's edge.
    painter->setTransform(QTransform::fromTranslate(1, 0));
    painter->setFont(boldBody);
    const QRect header = band.translated(20, 10);
    painter->drawText(header, kSingleLine | Qt::AlignLeft, QStringLiteral("TESSARO"));
    const QDateTime now = QDateTime::currentDateTime();
    painter->drawText(header, kSingleLine | Qt::AlignRight,
                      QString::asprintf("%d-%d-%d  %.2d:%.2d:%.2d ", now.date().year(), now.date().month(),
                                        now.date().day(), now.time().hour(), now.time().minute(),
                                        now.time().second()));

    // The body starts below the header band.
    painter->setTransform(QTransform::fromTranslate(1, bandHeight));
    if (page == 1) {
        DrawPicture(painter, m_report.m_track1Image, {80, 220}, StillSize(m_report.m_track1Image.size()));
        // The second still whenever the report has one: a preview outlives the recording it was made of.
        DrawPicture(painter, m_report.m_track2Image, {80, 620}, StillSize(m_report.m_track2Image.size()));
    } else {
        DrawPicture(painter, m_report.m_mapImage, {80, 150}, MapSize(m_report.m_mapImage.size()));
    }
    DrawPageText(painter, page);

    // The footer band along the bottom edge, W in from either side.
    painter->setTransform(QTransform::fromTranslate(m_charWidth, m_pageHeight - bandHeight));
    painter->setFont(boldBody);
    painter->drawText(band, kSingleLine | Qt::AlignLeft,
                      QString::fromStdString(LoadString(StringId::kReportFooter)));
    painter->drawText(band, kSingleLine | Qt::AlignRight,
                      QStringLiteral("Page %1 of %2").arg(page).arg(info->maxPage));
    painter->restore();
}

void CPrintControl::DrawPageText(QPainter* painter, int page)
{
    struct Line {
        const QFont& font;
        int dx, dy;
        QString text;
        bool centred = false;
    };
    const QString bullet = QStringLiteral("● ");
    const QString arrow = QStringLiteral("▶ ");
    const std::vector<Line> lines =
        page == 1 ? std::vector<Line>{{m_titleFont, 0, 0, QStringLiteral("Tessaro Viewer Report"), true},
                                      {m_sectionFont, 30, 140, QStringLiteral("1. 촬영 정보")},
                                      {m_bodyFont, 30, 80, QStringLiteral("● 촬영 이미지")},
                                      {m_bodyFont, 30, 40, QStringLiteral("▶ 채널 1")},
                                      {m_bodyFont, 0, 800, QStringLiteral("▶ 채널 2")}}
                  : std::vector<Line>{{m_sectionFont, 30, 0, QStringLiteral("2. 위치 정보")},
                                      {m_bodyFont, 30, 90, bullet + m_report.m_latitudeText},
                                      {m_bodyFont, 0, 40, bullet + m_report.m_longitudeText},
                                      {m_bodyFont, 0, 40, QStringLiteral("● 지도")},
                                      {m_sectionFont, -30, 800, QStringLiteral("3. 충격 정보")},
                                      {m_bodyFont, 30, 80, QStringLiteral("● 충격 센서 값")},
                                      {m_bodyFont, 30, 40, arrow + m_report.m_gSensorText},
                                      {m_bodyFont, -30, 40, bullet + m_report.m_timeText},
                                      {m_bodyFont, 0, 40, bullet + m_report.m_speedText}};
    // The bottom stays put while the top moves down, so each line is centred halfway between the two:
    // each label lands just above the picture it names.
    const int bottom = 2 * m_lineHeight + (page == 1 ? 40 : 0);
    const int right = kPageWidth - 2 * m_charWidth;
    int left = 0;
    int top = 0;
    for (const Line& line : lines) {
        left += line.dx;
        top += line.dy;
        painter->setFont(line.font);
        const QRectF rect = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
        painter->drawText(rect, kSingleLine | (line.centred ? Qt::AlignHCenter : Qt::AlignLeft), line.text);
    }
}

void CPrintControl::EndPrinting(QPainter* painter, PrintInfo* info)
{
    if (!painter || !info)
        return;
    m_titleFont = m_sectionFont = m_bodyFont = QFont();
}

bool CPrintControl::RunJob(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        Log("the job could not start", "Print");
        return false;
    }
    PrintInfo info;
    info.drawRect = QRect(0, 0, printer.width(), printer.height());
    BeginPrinting(&painter, &info);
    bool printed = true;
    for (int page = info.minPage; page <= info.maxPage; ++page) {
        if (page > info.minPage && !printer.newPage()) {
            printed = false;
            break;
        }
        info.currentPage = page;
        PrintPage(&painter, &info);
    }
    EndPrinting(&painter, &info);
    if (!printed) {
        Log("a page failed; the job is aborted", "Print");
        printer.abort();
    }
    return painter.end() && printed;
}

bool CPrintControl::Print(QPrinter& printer)
{
    if (!WritesPdfFile(printer))
        return RunJob(printer);
    const QString target = printer.outputFileName();
    const QString staging = StagingName(target);
    printer.setOutputFileName(staging);
    const bool printed = RunJob(printer);
    printer.setOutputFileName(target);
    const bool saved = printed && QFileInfo(staging).size() > 0 &&
                       MoveFileSafely(staging.toStdString(), target.toStdString()).Ok();
    if (!saved)
        QFile::remove(staging);
    return saved;
}

void CPrintControl::TellFailure(QWidget* parent)
{
    m_boxes.Show(parent, QApplication::applicationDisplayName(),
                 QString::fromStdString(LoadString(StringId::kReportNotPrinted)), QMessageBox::Ok);
}

void CPrintControl::PrintDirect(QWidget* parent)
{
    Log("start", "PrintDirect");
    QPrinter printer(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        m_boxes.Show(parent, QApplication::applicationDisplayName(),
                     QString::fromStdString(LoadString(StringId::kNoPrinterSavePdf)), QMessageBox::Ok);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        const QString name = QDateTime::currentDateTime().toString(QStringLiteral("'TessaroReport-'yyyyMMdd-HHmmss'.pdf'"));
        printer.setOutputFileName(QDir(m_pdfFolder).filePath(name));
    }
    QPrintDialog dialog(&printer, parent);
    // Always the whole report: no selection, no page range.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, kPageCount);
    if (dialog.exec() != QDialog::Accepted) {
        Log("cancelled", "PrintDirect");
        return;
    }
    if (!Print(printer))
        TellFailure(parent);
    Log("end", "PrintDirect");
}

void CPrintControl::ShowPreview(QWidget* parent)
{
    if (m_previewOpen && m_preview) {
        m_preview->raise();
        m_preview->activateWindow();
        m_preview->setFocus();
        return;
    }
    if (!m_previewPrinter) {
        m_previewPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        if (QPrinterInfo::availablePrinters().isEmpty()) {
            m_previewPrinter->setOutputFormat(QPrinter::PdfFormat);
            m_previewPrinter->setPageSize(QPageSize(QPageSize::A4));
        }
    }
    auto* preview = new QPrintPreviewDialog(m_previewPrinter.get(), parent);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->setWindowTitle(QString::fromLatin1(kPreviewTitle));
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview, [this, preview](QPrinter* printer) {
        if (!Print(*printer))
            TellFailure(preview);
    });
    QObject::connect(preview, &QDialog::finished, preview, [this] { m_previewOpen = false; });
    QObject::connect(preview, &QObject::destroyed, [this] { m_previewOpen = false; });
    m_preview = preview;
    m_previewOpen = true;
    Log("open", "ShowPreview");
    preview->show();
}
