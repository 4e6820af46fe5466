#pragma once

// The position slider: a horizontal trackbar drawn from pictures of the skin (channel, elapsed-part
// fill, thumb). A click puts the thumb where the mouse is, not a page further; the keyboard and the
// wheel never move it, so its position only changes by the mouse and by the owner.

#include "widgets/SkinIds.h"

#include <QPixmap>
#include <QSlider>

class CMySliderControl : public QSlider {
    Q_OBJECT
public:
    // Codes of the notifications, as the horizontal-scroll codes they have always been.
    static constexpr int SB_THUMBPOSITION = 4;
    static constexpr int SB_THUMBTRACK = 5;

    explicit CMySliderControl(QWidget* parent = nullptr);

    // Bitmap ids of the pictures (defaults 170, 171, 172, 167).
    void SetBitmaps(int channelId, int thumbId, int pressedThumbId, int fillId);
    // Without the fill the ground stays unpainted and the elapsed part is not shown.
    void SetDrawFill(bool drawFill);

    // The channel the thumb's centre travels along, and the thumb for the present position.
    QRect ChannelRect() const;
    QRect ThumbRect() const;

signals:
    // code SB_THUMBTRACK while the mouse moves the thumb, SB_THUMBPOSITION once when it lets go.
    void HScroll(int code, int position, CMySliderControl* slider);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Puts the position under the point; true when it changed.
    bool SetPositionFromPoint(const QPoint& point);

    bool m_dragging = false;
    bool m_moved = false;
    int m_channelBitmapId = SkinId::kSliderChannel;
    int m_thumbBitmapId = SkinId::kSliderThumb;
    int m_pressedThumbBitmapId = SkinId::kSliderThumbPressed;
    int m_fillBitmapId = SkinId::kSliderFill;
    bool m_drawFill = true;
    QPixmap m_channel, m_thumb, m_pressedThumb, m_fill;
};
