#include "widgets/CSkinVerticleScrollbar.h"
#include "widgets/SkinIds.h"

#include "widgets/CSkinListCtrl.h"
#include "widgets/ResourceManager.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

CSkinVerticleScrollbar::CSkinVerticleScrollbar(QWidget* parent) : QWidget(parent)
{
    const ResourceManager* resources = ResourceManager::GetInstance();
    m_down = resources->LoadBitmap(SkinId::kScrollDown);
    m_thumb = resources->LoadBitmap(SkinId::kScrollThumb);
    m_up = resources->LoadBitmap(SkinId::kScrollUp);
    m_bottom = resources->LoadBitmap(SkinId::kScrollBottom);
    m_track = resources->LoadBitmap(SkinId::kScrollTrack);
    m_top = resources->LoadBitmap(SkinId::kScrollTop);
    m_repeat.setInterval(kRepeatMs);
    m_repeatDelay.setInterval(kRepeatDelayMs);
    connect(&m_repeat, &QTimer::timeout, this, [this] { OnTimer(kRepeatTimer); });
    connect(&m_repeatDelay, &QTimer::timeout, this, [this] { OnTimer(kRepeatDelayTimer); });
}

void CSkinVerticleScrollbar::Init(CSkinListCtrl* list)
{
    m_pList = list;
    UpdateThumbPosition();
}

int CSkinVerticleScrollbar::ScrollLimit() const
{
    if (!m_pList)
        return 0;
    const QScrollBar* bar = m_pList->verticalScrollBar();
    return bar->maximum() - bar->minimum();
}

int CSkinVerticleScrollbar::ScrollPosition() const
{
    if (!m_pList)
        return 0;
    const QScrollBar* bar = m_pList->verticalScrollBar();
    return bar->value() - bar->minimum();
}

void CSkinVerticleScrollbar::Scroll(int action)
{
    if (m_pList)
        m_pList->verticalScrollBar()->triggerAction(QAbstractSlider::SliderAction(action));
    UpdateThumbPosition();
}

void CSkinVerticleScrollbar::KeepThumbOnTrack()
{
    if (m_thumbTop + kThumbHeight > height() - 36)
        m_thumbTop = height() - 54;
    if (m_thumbTop < kTrackTop)
        m_thumbTop = kTrackTop;
}

void CSkinVerticleScrollbar::UpdateThumbPosition()
{
    const int limit = ScrollLimit();
    if (limit <= 0) {
        // Nothing to scroll: the thumb rests at the top and is not drawn.
        m_pixelsPerLine = 0.0;
        m_thumbTop = kTrackTop;
    } else {
        m_pixelsPerLine = double(height() - 90) / limit;
        m_thumbTop = int(std::trunc(m_pixelsPerLine * ScrollPosition())) + kTrackTop;
        KeepThumbOnTrack();
    }
    update();
}

void CSkinVerticleScrollbar::OnTimer(int timerId)
{
    if (timerId == kRepeatDelayTimer) {
        if (m_upPressed || m_downPressed) {
            m_repeatDelay.stop();
            m_repeat.start();
        }
    } else if (timerId == kRepeatTimer) {
        if (m_downPressed)
            Scroll(QAbstractSlider::SliderSingleStepAdd);
        if (m_upPressed)
            Scroll(QAbstractSlider::SliderSingleStepSub);
    }
}

void CSkinVerticleScrollbar::paintEvent(QPaintEvent*)
{
    const int h = height();
    QPainter painter(this);
    painter.fillRect(rect(), QColor(80, 80, 80));
    painter.drawPixmap(0, 0, m_top);
    painter.drawPixmap(0, 17, m_up);
    // The track: the top row of its picture stretched down to the bottom.
    painter.drawPixmap(QRect(0, 37, 18, h - 37), m_track, QRect(0, 0, 18, 1));
    painter.drawPixmap(0, h - 37, m_down);
    painter.drawPixmap(1, h - 19, m_bottom);
    if (ScrollLimit() != 0)
        painter.drawPixmap(0, m_thumbTop, m_thumb);
}

void CSkinVerticleScrollbar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    if (ThumbRect().contains(point)) {
        m_draggingThumb = true;
    } else if (DownArrowRect().contains(point)) {
        m_downPressed = true;
        m_repeatDelay.start();
    } else if (UpArrowRect().contains(point)) {
        m_upPressed = true;
        m_repeatDelay.start();
    }
}

void CSkinVerticleScrollbar::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_draggingThumb)
        return;
    // The thumb follows the mouse, held 13 pixels below its top, and the table follows the thumb.
    m_thumbTop = event->position().toPoint().y() - 13;
    const int limit = ScrollLimit();
    if (limit > 0) {
        const int target = int(std::trunc((m_thumbTop - kTrackTop) / (double(height() - 90) / limit)));
        const int lines = target - ScrollPosition();
        if (lines != 0)
            m_pList->verticalScrollBar()->setValue(m_pList->verticalScrollBar()->value() + lines);
    }
    KeepThumbOnTrack();
    update();
}

void CSkinVerticleScrollbar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    UpdateThumbPosition();
    m_repeat.stop();
    m_repeatDelay.stop();
    bool lineScrolled = false;
    if (m_upPressed && UpArrowRect().contains(point)) {
        Scroll(QAbstractSlider::SliderSingleStepSub);
        lineScrolled = true;
    } else if (m_downPressed && DownArrowRect().contains(point)) {
        Scroll(QAbstractSlider::SliderSingleStepAdd);
        lineScrolled = true;
    }
    if (!lineScrolled && !ThumbRect().contains(point) && !m_draggingThumb
        && (PageUpRect().contains(point) || PageDownRect().contains(point))) {
        Scroll(point.y() > m_thumbTop ? QAbstractSlider::SliderPageStepAdd : QAbstractSlider::SliderPageStepSub);
    }
    m_draggingThumb = false;
    m_upPressed = false;
    m_downPressed = false;
}

void CSkinVerticleScrollbar::resizeEvent(QResizeEvent*)
{
    UpdateThumbPosition();
}
