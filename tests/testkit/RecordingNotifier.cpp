#include "RecordingNotifier.h"

namespace nimbrel::test {

void RecordingNotifier::MessageBox(std::string_view text, std::string_view caption, Icon) {
    std::lock_guard guard(lock_);
    shown_.push_back({std::string(text), std::string(caption)});
}

void RecordingNotifier::ShowTip(std::string_view text, int) {
    std::lock_guard guard(lock_);
    shown_.push_back({std::string(text), ""});
}

std::vector<RecordingNotifier::Shown> RecordingNotifier::Messages() const {
    std::lock_guard guard(lock_);
    return shown_;
}

}  // namespace nimbrel::test
