#pragma once

// The skinned table's vertical scroll bar, drawn from pictures beside the table in place of the
// table's own. Arrows scroll a line at release, and keep scrolling while held; the thumb can be
// dragged; the ends above and below the arrows page.

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class CSkinListCtrl;

class CSkinVerticleScrollbar : public QWidget {
    Q_OBJECT
public:
    // Timer 2 waits before an arrow repeats, timer 1 repeats.
    enum { kRepeatTimer = 1, kRepeatDelayTimer = 2 };
    static constexpr int kRepeatDelayMs = 250;
    static constexpr int kRepeatMs = 50;
    static constexpr int kThumbHeight = 18;
    static constexpr int kTrackTop = 36;

    explicit CSkinVerticleScrollbar(QWidget* parent = nullptr);

    // The table it scrolls (not owned).
    void Init(CSkinListCtrl* list);
    // Puts the thumb where the table's scroll position says.
    void UpdateThumbPosition();

    int ThumbTop() const { return m_thumbTop; }
    double PixelsPerLine() const { return m_pixelsPerLine; }
    const QTimer& RepeatDelayTimer() const { return m_repeatDelay; }
    const QTimer& RepeatTimer() const { return m_repeat; }
    // What each timer does when it fires; the timers call it, and so can a test that plays the clock.
    void OnTimer(int timerId);

    // Hit areas in client coordinates.
    QRect UpArrowRect() const { return QRect(0, 11, 18, 26); }
    QRect DownArrowRect() const { return QRect(0, height() - 36, 18, 18); }
    QRect ThumbRect() const { return QRect(0, m_thumbTop, 18, kThumbHeight); }
    QRect PageUpRect() const { return QRect(0, 0, 18, 20); }
    QRect PageDownRect() const { return QRect(0, height() - 18, 18, 18); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int ScrollLimit() const;
    int ScrollPosition() const;
    void Scroll(int action);
    void KeepThumbOnTrack();

    CSkinListCtrl* m_pList = nullptr;
    bool m_upPressed = false;
    bool m_downPressed = false;
    bool m_draggingThumb = false;
    int m_thumbTop = kTrackTop;
    double m_pixelsPerLine = 0.0;
    QTimer m_repeat;       // timer 1
    QTimer m_repeatDelay;  // timer 2
    QPixmap m_down, m_thumb, m_up, m_bottom, m_track, m_top;  // bitmaps 175 to 180
};
