#include "widgets/SkinFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

QFont SkinFont(const QString& family, int cellHeight, QFont::Weight weight)
{
    const bool installed = QFontDatabase::families().contains(family, Qt::CaseInsensitive);
    QFont font(installed ? family : QStringLiteral("DejaVu Sans"));
    font.setWeight(weight);
    font.setStyleHint(QFont::SansSerif);
    // Largest pixel size whose line height fits the cell.
    int pixelSize = cellHeight;
    do {
        font.setPixelSize(pixelSize);
    } while (pixelSize-- > 6 && QFontMetrics(font).height() > cellHeight);
    return font;
}
