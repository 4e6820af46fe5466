#pragma once

#include "infra/StringTable.h"

#include <QString>

// The text of a string id in the current language, for a widget.
inline QString LoadText(int id)
{
    return QString::fromStdString(LoadString(id));
}
