#include "widgets/CMySliderControl.h"

#include "widgets/ResourceManager.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

// The channel runs 8 pixels in from both ends, 4 high with its centre 14 pixels down; the thumb is
// 12 x 20 and centred on it.
constexpr int kChannelInset = 8;
constexpr int kChannelTop = 12;
constexpr int kChannelHeight = 4;
constexpr QSize kThumbSize(12, 20);
constexpr int kThumbTop = 4;

}  // namespace

CMySliderControl::CMySliderControl(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setMinimumHeight(kThumbTop + kThumbSize.height() + 4);
    SetBitmaps(m_channelBitmapId, m_thumbBitmapId, m_pressedThumbBitmapId, m_fillBitmapId);
}

void CMySliderControl::SetBitmaps(int channelId, int thumbId, int pressedThumbId, int fillId)
{
    m_channelBitmapId = channelId;
    m_thumbBitmapId = thumbId;
    m_pressedThumbBitmapId = pressedThumbId;
    m_fillBitmapId = fillId;
    const ResourceManager* resources = ResourceManager::GetInstance();
    m_channel = resources->LoadBitmap(channelId);
    m_thumb = resources->LoadBitmap(thumbId);
    m_pressedThumb = resources->LoadBitmap(pressedThumbId);
    m_fill = resources->LoadBitmap(fillId);
    update();
}

void CMySliderControl::SetDrawFill(bool drawFill)
{
    m_drawFill = drawFill;
    update();
}

QRect CMySliderControl::ChannelRect() const
{
    return QRect(kChannelInset, kChannelTop, qMax(0, width() - 2 * kChannelInset), kChannelHeight);
}

QRect CMySliderControl::ThumbRect() const
{
    const QRect channel = ChannelRect();
    const double fraction = maximum() == minimum() ? 0.0 : double(value() - minimum()) / (maximum() - minimum());
    const int centre = channel.left() + int(std::trunc(fraction * channel.width()));
    return QRect(QPoint(centre - kThumbSize.width() / 2, kThumbTop), kThumbSize);
}

void CMySliderControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_drawFill)
        painter.fillRect(rect(), Qt::black);
    if (tickPosition() != NoTicks && tickInterval() > 0 && maximum() > minimum()) {
        painter.setPen(QColor(120, 120, 120));
        const QRect channel = ChannelRect();
        for (int tick = minimum(); tick <= maximum(); tick += tickInterval()) {
            const int x = channel.left() + (tick - minimum()) * channel.width() / (maximum() - minimum());
            painter.drawLine(x, kThumbTop + kThumbSize.height(), x, kThumbTop + kThumbSize.height() + 3);
        }
    }
    painter.drawPixmap(ChannelRect().adjusted(0, -2, 0, 2), m_channel);
    const QRect thumb = ThumbRect();
    if (m_drawFill)
        painter.drawPixmap(QRect(8, 10, thumb.left() + 3, 6), m_fill);
    painter.drawPixmap(thumb, m_dragging ? m_pressedThumb : m_thumb);
}

bool CMySliderControl::SetPositionFromPoint(const QPoint& point)
{
    const QRect channel = ChannelRect();
    if (channel.width() <= 0)
        return false;
    const double x = double(point.x() - channel.left()) / channel.width();
    const int wanted = int(std::trunc(minimum() + x * (maximum() - minimum()) + 0.5));
    const int position = qBound(minimum(), wanted, maximum());
    if (position == value())
        return false;
    setValue(position);
    return true;
}

void CMySliderControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_moved = false;
    setFocus(Qt::MouseFocusReason);
    if (SetPositionFromPoint(event->position().toPoint())) {
        m_moved = true;
        emit HScroll(SB_THUMBTRACK, value(), this);
    }
    update();  // the pressed thumb
}

void CMySliderControl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        QSlider::mouseMoveEvent(event);
        return;
    }
    if (SetPositionFromPoint(event->position().toPoint())) {
        m_moved = true;
        emit HScroll(SB_THUMBTRACK, value(), this);
    }
}

void CMySliderControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    if (SetPositionFromPoint(event->position().toPoint())) {
        m_moved = true;
        emit HScroll(SB_THUMBTRACK, value(), this);
    }
    if (m_moved) {
        m_moved = false;
        emit HScroll(SB_THUMBPOSITION, value(), this);
    }
    update();
}

void CMySliderControl::keyPressEvent(QKeyEvent* event)
{
    event->ignore();  // left to the window's own keys (seek, volume)
}

void CMySliderControl::wheelEvent(QWheelEvent* event)
{
    // A wheel step would move the thumb without telling the owner, leaving it out of step with playback.
    event->ignore();
}
