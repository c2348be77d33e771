// A notifier that records what the core would have shown, for assertions.
// Threading: callable from any thread.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/UserNotifier.h"

namespace nimbrel::test {

class RecordingNotifier : public UserNotifier {
public:
    struct Shown {
        std::string text;
        std::string caption;  // empty for notices
    };
    void MessageBox(std::string_view text, std::string_view caption, Icon icon) override;
    void ShowTip(std::string_view text, int durationMs) override;
    std::vector<Shown> Messages() const;

private:
    mutable std::mutex lock_;
    std::vector<Shown> shown_;
};

}  // namespace nimbrel::test
