#pragma once

// The About box: a small black borderless box with the skin's band on top, the product name, the
// version and a bitmap OK button. Dragging the band moves the box.

#include "infra/Version.h"

#include <QDialog>
#include <QPixmap>

class CMyBitmapButton;
class QLabel;

class CAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kProductName = "Tessaro Viewer";
    static constexpr const char* kVersion = kTessaroVersionText;

    explicit CAbout(QWidget* parent = nullptr);

    CMyBitmapButton* OkButton() const { return m_ok; }
    QLabel* ProductLabel() const { return m_product; }
    QLabel* VersionLabel() const { return m_version; }
    QWidget* Band() const { return m_bandArea; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPixmap m_band;
    CMyBitmapButton* m_ok;
    QLabel* m_product;
    QLabel* m_version;
    QWidget* m_bandArea;
    // Where the band was grabbed, relative to the box, while the box moves by hand.
    QPoint m_grabOffset;
    bool m_movingByHand = false;
};
