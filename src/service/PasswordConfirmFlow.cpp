#include "service/PasswordConfirmFlow.h"

#include "service/PasswordMix.h"

namespace nimbrel {

PasswordConfirmFlow::Result PasswordConfirmFlow::Confirm(std::string_view typed) {
    Result result;
    if (typed.empty()) {
        result.clearBox = true;
        status_ = confirm_text::kEnterPassword;
    } else if (PasswordMatches(typed, stored_)) {
        result.accepted = true;
        status_.clear();
    } else {
        status_ = confirm_text::kWrongPassword;
    }
    return result;
}

}  // namespace nimbrel
