// A notifier that shows nothing: the account commands print each outcome themselves, once, in
// the chosen output form, instead of letting the flows' message boxes reach the terminal too.
// Threading: callable from any thread (it keeps no state).
#pragma once

#include "platform/UserNotifier.h"

namespace nimbrel::cli {

class SilentNotifier : public UserNotifier {
  public:
    void MessageBox(std::string_view, std::string_view, Icon) override {}
    void ShowTip(std::string_view, int) override {}
};

}  // namespace nimbrel::cli
