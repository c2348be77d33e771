// How the core shows something to the user without knowing the face it has: the desktop program
// posts to its UI thread, the command-line client prints, tests record.
// Threading: implementations must accept calls from any thread and must not block on the UI.
#pragma once

#include <string_view>

namespace nimbrel {

class UserNotifier {
public:
    enum class Icon { None, Information, Warning };
    virtual ~UserNotifier() = default;
    // A modal message with an OK button.
    virtual void MessageBox(std::string_view text, std::string_view caption,
                            Icon icon = Icon::None) = 0;
    // A short notice that fades after `durationMs`.
    virtual void ShowTip(std::string_view text, int durationMs) = 0;
};

}  // namespace nimbrel
