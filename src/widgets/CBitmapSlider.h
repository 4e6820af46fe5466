#pragma once

// The volume slider: a horizontal track drawn from two pictures of the skin, without a thumb. The track
// before the position shows the active picture, the rest the normal one, both over a patch of the
// player pane's background.

#include <QPixmap>
#include <QWidget>

class CBitmapSlider : public QWidget {
    Q_OBJECT
public:
    // The values the notifications have always carried; owners that route by number use these.
    static constexpr int WM_BITMAPSLIDER_MOVING = 10449;
    static constexpr int WM_BITMAPSLIDER_MOVED = 10450;

    explicit CBitmapSlider(QWidget* parent = nullptr, int controlId = 0);

    // Backdrop 107, channel 186, active channel 185; the control takes the channel's size where it is.
    // False, with nothing set, when one of the three is missing.
    bool SetChannelBitmaps();

    void SetRange(int min, int max);
    void SetPos(int pos);
    int GetPos() const { return m_pos; }
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    void SetMargins(int left, int right);
    // Kept for the owner; the control itself never pages.
    void SetPageSize(int page) { m_page = page; }
    int GetPageSize() const { return m_page; }
    int ControlId() const { return m_controlId; }

    // The pixel of a position and the position of a pixel along the track.
    int PositionToPixel(int pos) const;
    int PixelToPosition(int x) const;

signals:
    // Each change of the position while the mouse drags it.
    void Moving(int controlId, int pos);
    // The mouse released it, or a key was pressed on it (keys never move it).
    void Moved(int controlId, int pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void DragTo(int mouseX);

    const int m_controlId;
    int m_max = 100, m_min = 0, m_pos = 0, m_page = 20;
    QRect m_rect;
    int m_width = 0, m_height = 0;
    int m_marginLeft = 0, m_marginRight = 0;
    bool m_hasChannel = false;
    bool m_dragging = false;
    // Each channel picture carries its own mask: the colour of its top-left pixel is left out.
    QPixmap m_channel, m_activeChannel, m_backdrop;
};
