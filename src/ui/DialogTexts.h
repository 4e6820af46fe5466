#pragma once

// Texts of the viewer's own dialogs that have no string-table id, in both languages. One entry per
// text, addressed by a short key; the language is the one chosen at start.

#include "infra/StringTable.h"

#include <QString>

// The text of key in the current language (or the one given); "#key" for an unknown key, so that a
// missing entry shows up.
QString DialogText(const char* key);
QString DialogText(const char* key, Language language);
