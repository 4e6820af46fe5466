#include "widgets/CPicture.h"

#include <QBitmap>
#include <QPainter>

CPicture::CPicture(QWidget* parent) : QWidget(parent) {}

void CPicture::SetBitmap(const QPixmap& bitmap)
{
    m_bitmap = bitmap;
    UpdateMasked();
}

void CPicture::SetTransparentColor(const QColor& color)
{
    m_transparentColor = color;
    UpdateMasked();
}

QSize CPicture::sizeHint() const
{
    return m_bitmap.deviceIndependentSize().toSize();
}

void CPicture::UpdateMasked()
{
    m_masked = m_bitmap;
    if (!m_masked.isNull())
        m_masked.setMask(m_bitmap.createMaskFromColor(m_transparentColor, Qt::MaskInColor));
    update();
}

void CPicture::paintEvent(QPaintEvent*)
{
    if (!m_masked.isNull())
        QPainter(this).drawPixmap(0, 0, m_masked);
}
