#include "ui/graph/CGraphStatic.h"

#include "widgets/SkinFont.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

// Far below any image: keeps a huge downward offset an int without changing what the image shows.
constexpr double kFarBelow = -1.0e6;

}  // namespace

CGraphStatic::CGraphStatic(QWidget* parent)
    // A light weight in name only: the dialog font has no light face and draws it regular, while the
    // stand-in's extra-light face all but vanishes at 10 pixels.
    : QWidget(parent), m_labelFont(SkinFont(QStringLiteral("MS Shell Dlg"), 10, QFont::Normal))
{
    // Painting copies the whole image: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Clicks go to the pane, which moves the window.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    Resize();
}

CGraphStatic::~CGraphStatic() = default;

GraphSeries* CGraphStatic::AddSeries(const QColor& color, double penWidth)
{
    auto series = std::make_unique<GraphSeries>();
    series->color = color;
    series->penWidth = static_cast<int>(penWidth);
    if (!m_spareValues.empty()) {
        series->values = std::move(m_spareValues.back());
        m_spareValues.pop_back();
    }
    m_series.push_back(std::move(series));
    return m_series.back().get();
}

void CGraphStatic::AddPoint(GraphSeries* series, double value)
{
    const bool ours = std::any_of(m_series.begin(), m_series.end(),
                                  [series](const std::unique_ptr<GraphSeries>& own) { return own.get() == series; });
    if (ours)
        series->values.push_back(value);
}

void CGraphStatic::RemoveAllSeries()
{
    SetCursor(std::nullopt);  // while its column is still known
    // The values' buffers stay for the next series: an hour's trace fills about 260 KB per axis, which
    // the next recording reuses instead of touching fresh pages.
    for (const std::unique_ptr<GraphSeries>& series : m_series) {
        series->values.clear();
        m_spareValues.push_back(std::move(series->values));
    }
    m_series.clear();
}

int CGraphStatic::ColumnOf(std::size_t i, std::size_t count) const
{
    const double step = static_cast<double>(m_plotRect.Width()) / static_cast<double>(count);
    return kFirstColumn + static_cast<int>(static_cast<double>(i) * step);
}

void CGraphStatic::SetCursor(std::optional<std::size_t> index)
{
    const std::optional<int> before = CursorColumn();
    m_cursor = index;
    const std::optional<int> after = CursorColumn();
    if (before == after)
        return;
    UpdateColumn(before);
    UpdateColumn(after);
}

std::optional<int> CGraphStatic::CursorColumn() const
{
    if (!m_cursor || m_series.empty())
        return std::nullopt;
    const std::size_t count = m_series.front()->values.size();
    if (*m_cursor >= count)
        return std::nullopt;
    return ColumnOf(*m_cursor, count);
}

void CGraphStatic::UpdateColumn(std::optional<int> column)
{
    if (column)
        update(*column, 0, 1, height());
}

int CGraphStatic::Offset(double g) const
{
    const double offset = m_height * g / m_yRange;
    if (std::isnan(offset))
        return 0;
    return static_cast<int>(std::max(std::min(offset, static_cast<double>(m_plotRect.Height())), kFarBelow));
}

void CGraphStatic::Draw()
{
    if (!m_image.isNull()) {
        QPainter painter(&m_image);
        DrawBackground(painter);
        for (const std::unique_ptr<GraphSeries>& series : m_series)
            if (series->visible)
                DrawSeries(painter, *series);
    }
    update();
}

void CGraphStatic::DrawEmpty()
{
    if (!m_image.isNull()) {
        QPainter painter(&m_image);
        DrawBackground(painter);
    }
    update();
}

void CGraphStatic::Resize()
{
    UpdateGeometry();
    m_image = QImage(static_cast<int>(m_width), static_cast<int>(m_height), QImage::Format_RGB32);
    m_image.fill(m_backColor);
}

void CGraphStatic::UpdateGeometry()
{
    m_clientRect = {0, 0, width(), height()};
    const GraphEdges& c = m_clientRect;
    m_labelRect = {c.left, c.top + 2, c.left + 10, c.bottom - 2};
    m_plotRect = {c.left + 12, c.top + 2, c.right - 2, c.bottom - 2};
    m_width = c.Width();
    m_height = c.Height();
}

void CGraphStatic::DrawBackground(QPainter& painter)
{
    painter.fillRect(0, 0, m_clientRect.Width(), m_clientRect.Height(), m_backColor);
    DrawGrid(painter);
    DrawLabels(painter);
}

void CGraphStatic::DrawGrid(QPainter& painter)
{
    const GraphEdges& plot = m_plotRect;
    const int outerRight = plot.right - plot.left + kFirstColumn;
    painter.setPen(QPen(m_gridColor, 1, Qt::SolidLine));
    painter.drawLine(plot.left, plot.top, plot.left, plot.bottom);
    painter.drawLine(outerRight, plot.top, outerRight, plot.bottom);

    // Twelve columns and rows 23 pixels apart, the lowest 25 above the bottom; the first of each is
    // drawn whatever the size.
    QPen dotted(m_gridColor, 1, Qt::CustomDashLine);
    dotted.setDashPattern({1, 1});
    painter.setPen(dotted);
    const int columnStep = outerRight / 12;
    int x = plot.left + columnStep;
    do {
        painter.drawLine(x, plot.top + 5, x, plot.bottom - 5);
        x += columnStep;
    } while (columnStep > 0 && x <= plot.right);
    int y = plot.bottom - 25;
    do {
        painter.drawLine(plot.left + 5, y, plot.right, y);
        y -= 23;
    } while (y >= plot.top + 10);
}

void CGraphStatic::DrawLabels(QPainter& painter)
{
    painter.setPen(kLabelColor);
    painter.setFont(m_labelFont);
    const GraphEdges& label = m_labelRect;
    const struct {
        int value;
        int top;
    } labels[] = {{2, label.top}, {0, label.bottom / 2 - 5}, {-2, label.bottom - 10}};
    for (const auto& [value, top] : labels)
        painter.drawText(QRect(label.left, top, label.Width(), label.bottom - top), Qt::AlignRight | Qt::AlignTop,
                         QString::number(value));
}

void CGraphStatic::DrawSeries(QPainter& painter, const GraphSeries& series)
{
    const std::vector<double>& values = series.values;
    const std::size_t count = values.size();
    if (count == 0)
        return;
    painter.setPen(QPen(series.color, series.penWidth, Qt::SolidLine));
    // The whole recording spans the plot's width: sample i sits at column 13 + trunc(i * step). Where
    // several fall into one column only the first is drawn, and the others are skipped without a look, so
    // the cost stays bounded by the width however long the recording.
    const double step = static_cast<double>(m_plotRect.Width()) / static_cast<double>(count);
    if (!(step > 0.0))
        return;  // no room for a second column
    const auto columnOf = [this, count](std::size_t i) { return ColumnOf(i, count); };
    const int centre = m_plotRect.bottom / 2;
    QPoint last(kFirstColumn, centre - Offset(values[0]));
    std::size_t i = 0;
    for (;;) {
        // The first sample right of the last column drawn: estimated, then set right where rounding erred.
        const int wanted = last.x() + 1;
        std::size_t next = std::max(i + 1, static_cast<std::size_t>(std::max(0.0, (wanted - kFirstColumn) / step)));
        while (next > i + 1 && columnOf(next - 1) >= wanted)
            --next;
        while (next < count && columnOf(next) < wanted)
            ++next;
        if (next >= count)
            break;
        const QPoint point(columnOf(next), centre - Offset(values[next]));
        painter.drawLine(last, point);
        last = point;
        i = next;
    }
}

void CGraphStatic::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
    if (const std::optional<int> column = CursorColumn()) {
        painter.setPen(QPen(kCursorColor, 1, Qt::SolidLine));
        painter.drawLine(*column, m_plotRect.top, *column, m_plotRect.bottom - 1);
    }
}
