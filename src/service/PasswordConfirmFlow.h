// The signed-in user types the account password again before a protected device operation
// (sharing, deleting a device); the text is checked locally against the stored form.
// Threading: the view's thread.
#pragma once

#include <string>
#include <string_view>

#include "text/Translation.h"

namespace nimbrel {

namespace confirm_text {
inline constexpr const char* kEnterPassword = NIMBREL_TR_NOOP("Core", "Введите пароль");
inline constexpr const char* kWrongPassword = NIMBREL_TR_NOOP("Core", "Неверно введен пароль");
}  // namespace confirm_text

class PasswordConfirmFlow {
  public:
    // `stored` is the stored form of the password used at login.
    explicit PasswordConfirmFlow(std::string stored) : stored_(std::move(stored)) {}

    struct Result {
        bool accepted = false;  // close with OK: the caller may go on
        bool clearBox = false;  // empty the password box
    };
    // The OK button with the typed text. Sets the status line on refusal.
    Result Confirm(std::string_view typed);
    // Editing the box clears the status line.
    void Edited() { status_.clear(); }
    // The red status line under the box.
    const std::string& StatusText() const { return status_; }

  private:
    std::string stored_;
    std::string status_;
};

}  // namespace nimbrel
