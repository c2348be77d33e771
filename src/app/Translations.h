// The language of the program's windows: the English catalogue (compiled into the program) put
// in place for the toolkit's texts and for the core's hook, before any window is made.
// Threading: the UI thread, once at start-up, before workers run.
#pragma once

#include "settings/InterfaceLanguage.h"

namespace nimbrel {

// Russian needs nothing (the texts are written in it). False when the English catalogue cannot
// be loaded: the program then stays in Russian.
bool InstallTranslation(InterfaceLanguage language);

}  // namespace nimbrel
