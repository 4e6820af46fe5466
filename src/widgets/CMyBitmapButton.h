#pragma once

// A button drawn from up to four pictures of the skin: normal, selected (pressed), focus and disabled.

#include <QAbstractButton>
#include <QPixmap>

class CMyBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CMyBitmapButton(QWidget* parent = nullptr);

    // Drops the four current pictures and loads the requested ones by bitmap id (0: none). Without the
    // normal picture it gives up at once; false also when any other requested picture is missing, the
    // ones that loaded staying attached.
    bool LoadBitmaps(quint16 normal, quint16 selected = 0, quint16 focus = 0, quint16 disabled = 0);
    // Resizes the button to its normal picture.
    void SizeToContent();

    // The picture the button shows in its present state.
    const QPixmap& CurrentBitmap() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_normal, m_selected, m_focus, m_disabled;
};
