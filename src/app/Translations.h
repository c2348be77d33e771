// The language of the program's windows: the catalogue of the language (compiled into the
// program) put in place for the toolkit's texts and for the core's hook, before any window is
// made.
// Threading: the UI thread, once at start-up, before workers run.
#pragma once

#include "settings/InterfaceLanguage.h"

namespace nimbrel {

// English gets the whole English catalogue. Russian gets the Russian one, which holds only the
// source texts a Russian reader must read otherwise (Chinese or English texts, labels that name
// another action); every other text is shown as written. False when the catalogue cannot be
// loaded: the program then shows the source texts.
bool InstallTranslation(InterfaceLanguage language);

}  // namespace nimbrel
