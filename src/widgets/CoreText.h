// The texts of the Qt-free core as a window shows them: the core keeps its texts in Russian and
// hands them over whole (messages, menu items, tooltips); the window translates them here, by
// the core's catalogue context.
// Threading: any thread (the toolkit's translation lookup is thread-safe).
#pragma once

#include <QCoreApplication>
#include <QString>
#include <string>

#include "text/Translation.h"

namespace nimbrel {

inline QString CoreText(const char* source) {
    return QCoreApplication::translate(text::kCoreContext, source);
}
inline QString CoreText(const std::string& source) {
    return CoreText(source.c_str());
}

}  // namespace nimbrel
