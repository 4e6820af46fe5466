#pragma once

// An icon button of the skin: three faces (normal, hover, pressed) drawn over a backdrop cut from the
// owner's background picture, so that the button seems to sit on that background.

#include <QIcon>
#include <QPixmap>
#include <QPushButton>

class CButtonStyle : public QPushButton {
    Q_OBJECT
public:
    enum { kNormal = 1, kHover = 2, kPressed = 3 };
    // The backdrop that is copied 1:1 from (3, 8); any other is stretched from the button's own place.
    static constexpr int kPlayerPaneBackdrop = 107;

    explicit CButtonStyle(QWidget* parent = nullptr);

    // Loads the three faces by icon id. Called again to change the look (a disabled look: one id three times).
    void SetIcons(int normalId, int pressedId, int hoverId);
    // The owner's background picture (107, 108 or 152) and its id; the owner keeps nothing alive for it.
    void SetBackdrop(int backdropId, const QPixmap& backdrop);

    int GetState() const { return m_state; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void SetState(int state);

    int m_backdropId = 0;
    bool m_selected = false;
    QIcon m_normalIcon, m_pressedIcon, m_hoverIcon;
    QPixmap m_backdrop;
    int m_state = kNormal;
    bool m_hoverArmed = true;
};
