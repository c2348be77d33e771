// The part of a window that the program's fading notices are centred on, when it is not the
// whole window (the login window keeps them off its fields).
// Threading: the UI thread.
#pragma once

#include <QRect>
#include <QVariant>
#include <QWidget>

namespace nimbrel {

inline constexpr const char* kNoticeAreaProperty = "nimbrelNoticeArea";

// `area` in `window`'s own coordinates.
inline void SetNoticeArea(QWidget* window, const QRect& area) {
    window->setProperty(kNoticeAreaProperty, area);
}
// An invalid rectangle when the window has none.
inline QRect NoticeArea(const QWidget* window) {
    return window->property(kNoticeAreaProperty).toRect();
}

}  // namespace nimbrel
