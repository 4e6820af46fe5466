#pragma once

#include <QFont>
#include <QString>

// The skin's texts name fonts by family and cell height in pixels. When the family is not installed a
// clean sans-serif stands in, sized so that its lines are no taller than the named font's.
QFont SkinFont(const QString& family, int cellHeight, QFont::Weight weight = QFont::Normal);
