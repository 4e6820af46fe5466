#pragma once

#include "infra/StringTable.h"

// Qt's own texts (the standard buttons, the file and folder choosers, the print dialog) in the interface's
// language, from the translations the system's Qt ships. English needs none; a missing translation leaves
// Qt's English texts. Call on the user-interface thread whenever the language is chosen.
void UseQtTranslations(Language language);
