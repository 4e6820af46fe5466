#pragma once

// The header of the skinned table: a band of the skin's pieces with a small light font.

#include <QHeaderView>
#include <QPixmap>

class CSkinHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    static constexpr int kHeight = 18;  // the pieces' height

    explicit CSkinHeaderCtrl(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_end, m_band, m_start;  // bitmaps 123, 124, 125
};
