#pragma once

// A picture of the skin drawn at its natural size with one colour left out, so that what lies beneath
// shows through (the speed panel's digits over its glass).

#include <QColor>
#include <QPixmap>
#include <QWidget>

class CPicture : public QWidget {
    Q_OBJECT
public:
    explicit CPicture(QWidget* parent = nullptr);

    void SetBitmap(const QPixmap& bitmap);
    const QPixmap& Bitmap() const { return m_bitmap; }
    void SetTransparentColor(const QColor& color);
    QColor TransparentColor() const { return m_transparentColor; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateMasked();

    QColor m_transparentColor = Qt::white;
    QPixmap m_bitmap;
    QPixmap m_masked;  // m_bitmap with m_transparentColor cleared
};
