// A message the core shows the user: its text, its caption and its icon, as one value that a
// flow returns and a view or the command-line client shows.
// Threading: plain value type.
#pragma once

#include <string_view>

#include "platform/UserNotifier.h"

namespace nimbrel {

struct UserMessage {
    std::string_view text;  // empty: nothing is shown
    std::string_view caption;
    UserNotifier::Icon icon = UserNotifier::Icon::None;

    bool Empty() const { return text.empty(); }
    void ShowIn(UserNotifier& notifier) const {
        if (!Empty()) notifier.MessageBox(text, caption, icon);
    }
};

}  // namespace nimbrel
