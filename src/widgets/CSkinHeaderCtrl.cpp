#include "widgets/CSkinHeaderCtrl.h"
#include "widgets/SkinIds.h"

#include "widgets/ResourceManager.h"
#include "widgets/SkinFont.h"

#include <QPainter>

CSkinHeaderCtrl::CSkinHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    const ResourceManager* resources = ResourceManager::GetInstance();
    m_end = resources->LoadBitmap(SkinId::kHeaderEnd);
    m_band = resources->LoadBitmap(SkinId::kHeaderBand);
    m_start = resources->LoadBitmap(SkinId::kHeaderStart);
    // A pixel font where it is installed; the stand-in keeps its height so the header stays 18 high.
    setFont(SkinFont(QStringLiteral("Sevenet 7"), 14));
    setFixedHeight(kHeight);
    setHighlightSections(false);
}

QSize CSkinHeaderCtrl::sizeHint() const
{
    return QSize(QHeaderView::sizeHint().width(), kHeight);
}

void CSkinHeaderCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QRect client = viewport()->rect();
    painter.fillRect(client, QColor(51, 51, 51));
    // The band behind all columns: the left column of the band piece, stretched.
    painter.drawPixmap(QRect(2, 0, client.width(), kHeight), m_band, QRect(0, 0, 1, kHeight));
    painter.setFont(font());
    painter.setPen(QColor(200, 200, 200));
    for (int column = 0; column < count(); ++column) {
        if (isSectionHidden(column))
            continue;
        const QRect section(sectionViewportPosition(column), 0, sectionSize(column), client.height());
        if (visualIndex(column) == 0) {
            painter.drawPixmap(section.left(), 0, m_start);
        } else {
            painter.fillRect(QRect(section.left() - 1, 0, 2, kHeight), Qt::black);
            painter.drawPixmap(section.left() + 2, 0, m_band, 0, 0, 1, kHeight);
        }
        painter.drawPixmap(section.left() + section.width() - 2, 0, m_end);
        const QRect textArea = section.adjusted(2, 2, -2, -2);
        const QString title = model() ? model()->headerData(column, orientation()).toString() : QString();
        const QString shown = painter.fontMetrics().elidedText(title, Qt::ElideRight, textArea.width());
        painter.drawText(textArea, Qt::AlignCenter | Qt::TextSingleLine, shown);
    }
}
