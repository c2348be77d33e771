// Shows the core's messages on the terminal: message boxes and notices go to stderr, so that
// stdout stays clean for --json output.
// Threading: callable from any thread; lines are written whole.
#pragma once

#include <mutex>

#include "platform/UserNotifier.h"

namespace nimbrel::cli {

class PrintingNotifier : public UserNotifier {
  public:
    void MessageBox(std::string_view text, std::string_view caption, Icon icon) override;
    void ShowTip(std::string_view text, int durationMs) override;

  private:
    std::mutex lock_;
};

}  // namespace nimbrel::cli
