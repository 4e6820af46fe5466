#include "widgets/CButtonStyle.h"

#include "widgets/ResourceManager.h"

#include <QMouseEvent>
#include <QPainter>

CButtonStyle::CButtonStyle(QWidget* parent) : QPushButton(parent)
{
    setMouseTracking(true);  // hover starts with the first move over the button, not only while pressed
}

void CButtonStyle::SetIcons(int normalId, int pressedId, int hoverId)
{
    const ResourceManager* resources = ResourceManager::GetInstance();
    m_normalIcon = resources->LoadIcon(normalId);
    m_pressedIcon = resources->LoadIcon(pressedId);
    m_hoverIcon = resources->LoadIcon(hoverId);
    update();
}

void CButtonStyle::SetBackdrop(int backdropId, const QPixmap& backdrop)
{
    m_backdropId = backdropId;
    m_backdrop = backdrop;
    update();
}

void CButtonStyle::paintEvent(QPaintEvent*)
{
    m_selected = isDown();
    QPainter painter(this);
    if (!m_backdrop.isNull()) {
        // Source rectangles are in the picture's own pixels, which a double-resolution skin doubles.
        const qreal scale = m_backdrop.devicePixelRatio();
        if (m_backdropId == kPlayerPaneBackdrop) {
            const QRectF source(3 * scale, 8 * scale, width() * scale, height() * scale);
            painter.drawPixmap(QRectF(rect()), m_backdrop, source);
        } else {
            // The patch at the button's own place in its parent, stretched over the button.
            const QRectF source(pos().x() * scale, pos().y() * scale, 50 * scale, 20 * scale);
            painter.drawPixmap(QRectF(rect()), m_backdrop, source);
        }
    }
    const QIcon& face = m_state == kHover ? m_hoverIcon : m_state == kPressed ? m_pressedIcon : m_normalIcon;
    if (face.isNull())
        return;
    const QSize natural = face.availableSizes().value(0, size());
    const QPoint at = m_state == kPressed && m_selected ? QPoint(1, 1) : QPoint(0, 0);
    painter.drawPixmap(at, face.pixmap(natural, devicePixelRatioF()));
}

void CButtonStyle::SetState(int state)
{
    m_state = state;
    update();
}

void CButtonStyle::mouseMoveEvent(QMouseEvent* event)
{
    if (m_hoverArmed) {
        SetState(kHover);
        m_hoverArmed = false;
    }
    QPushButton::mouseMoveEvent(event);
}

void CButtonStyle::leaveEvent(QEvent* event)
{
    SetState(kNormal);
    m_hoverArmed = true;
    QPushButton::leaveEvent(event);
}

void CButtonStyle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        SetState(kPressed);
    QPushButton::mousePressEvent(event);
}

void CButtonStyle::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        SetState(kHover);
    QPushButton::mouseReleaseEvent(event);
}

void CButtonStyle::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second click of a double-click is a click of its own: toolbar users click fast.
    mousePressEvent(event);
}
