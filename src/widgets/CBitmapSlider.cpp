#include "widgets/CBitmapSlider.h"
#include "widgets/SkinIds.h"

#include "widgets/ResourceManager.h"

#include <QBitmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QPixmap WithKeyColourClear(const QPixmap& picture)
{
    QPixmap masked = picture;
    const QColor key = picture.toImage().pixelColor(0, 0);
    masked.setMask(picture.createMaskFromColor(key, Qt::MaskInColor));
    return masked;
}

}  // namespace

CBitmapSlider::CBitmapSlider(QWidget* parent, int controlId) : QWidget(parent), m_controlId(controlId)
{
    setFocusPolicy(Qt::StrongFocus);
}

bool CBitmapSlider::SetChannelBitmaps()
{
    const ResourceManager* resources = ResourceManager::GetInstance();
    const QPixmap backdrop = resources->LoadBitmap(SkinId::kPlayerBackground);
    const QPixmap channel = resources->LoadBitmap(SkinId::kVolumeNormal);
    const QPixmap active = resources->LoadBitmap(SkinId::kVolumeActive);
    if (backdrop.isNull() || channel.isNull() || active.isNull())
        return false;
    m_backdrop = backdrop;
    m_channel = WithKeyColourClear(channel);
    m_activeChannel = WithKeyColourClear(active);
    m_width = channel.width();
    m_height = channel.height();
    resize(m_width, m_height);
    m_rect = rect();
    m_hasChannel = true;
    update();
    return true;
}

void CBitmapSlider::SetRange(int min, int max)
{
    m_min = min;
    m_max = max;
    SetPos(m_pos);
}

void CBitmapSlider::SetPos(int pos)
{
    m_pos = std::clamp(pos, std::min(m_min, m_max), std::max(m_min, m_max));
    update();
}

void CBitmapSlider::SetMargins(int left, int right)
{
    m_marginLeft = left;
    m_marginRight = right;
    update();
}

int CBitmapSlider::PositionToPixel(int pos) const
{
    if (m_max == m_min)  // an empty range has its only position at the start
        return m_marginLeft;
    const double span = m_width - m_marginRight - m_marginLeft;
    return m_marginLeft + int(std::trunc(span * (pos - m_min) / (m_max - m_min)));
}

int CBitmapSlider::PixelToPosition(int x) const
{
    const double span = m_width - m_marginRight - m_marginLeft;
    if (span <= 0)
        return m_min;
    // Multiplied before dividing, so that a pixel that is exactly a position does not land just below it.
    return int(std::trunc(m_min + double(x - m_marginLeft) * (m_max - m_min) / span));
}

void CBitmapSlider::paintEvent(QPaintEvent*)
{
    if (!m_hasChannel)
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_backdrop, 50, 13, 74, 23);
    const int p = std::clamp(PositionToPixel(m_pos), 0, m_width);
    painter.drawPixmap(0, 0, m_activeChannel, 0, 0, p, m_height);
    painter.drawPixmap(p, 0, m_channel, p, 0, m_width - p, m_height);
}

void CBitmapSlider::DragTo(int mouseX)
{
    const int x = std::clamp(mouseX, m_marginLeft, std::max(m_marginLeft, m_width - m_marginRight));
    if (x == PositionToPixel(m_pos))
        return;
    const int pos = std::clamp(PixelToPosition(x), std::min(m_min, m_max), std::max(m_min, m_max));
    // Several pixels can share a position: only a real change is news for the owner.
    if (pos == m_pos)
        return;
    m_pos = pos;
    update();
    emit Moving(m_controlId, m_pos);
}

void CBitmapSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    DragTo(event->position().toPoint().x());
    update();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        DragTo(event->position().toPoint().x());
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    m_dragging = false;
    update();
    emit Moved(m_controlId, m_pos);
}

void CBitmapSlider::keyPressEvent(QKeyEvent* event)
{
    // Tab stays the focus key; every other key tells the owner the position again.
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        event->ignore();
        return;
    }
    emit Moved(m_controlId, m_pos);
}

void CBitmapSlider::focusInEvent(QFocusEvent*)
{
    update();
}

void CBitmapSlider::focusOutEvent(QFocusEvent*)
{
    update();
}
