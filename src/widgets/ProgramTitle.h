// The program's name as its windows show it: the main window's title, the tray tip and the
// caption of messages that belong to no other window.
// Threading: constant data, any thread.
#pragma once

#include "text/Translation.h"

namespace nimbrel {

inline constexpr const char* kProgramTitle = NIMBREL_TR_NOOP("Core", "Farlo видео-клиент");

}  // namespace nimbrel
