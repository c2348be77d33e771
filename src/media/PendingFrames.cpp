#include "media/PendingFrames.h"

namespace nimbrel {

void PendingFrames::Keep(const uint8_t* data, std::size_t size, bool key) {
    if (key) Clear();
    if (waitingForKey_) return;
    if (bytes_.size() + size + kPadding > kMaxBytes) {
        Clear();
        waitingForKey_ = true;
        return;
    }
    const std::size_t offset = bytes_.size();
    bytes_.insert(bytes_.end(), data, data + size);
    bytes_.insert(bytes_.end(), kPadding, 0);
    frames_.push_back({offset, size});
}

void PendingFrames::Drain(const std::function<bool(const uint8_t*, std::size_t)>& decode) {
    for (const Entry& frame : frames_)
        if (!decode(bytes_.data() + frame.offset, frame.size)) break;
    bytes_.clear();
    frames_.clear();
}

void PendingFrames::Clear() {
    bytes_.clear();
    frames_.clear();
    waitingForKey_ = false;
}

void PendingFrames::Release() {
    Clear();
    bytes_.shrink_to_fit();
    frames_.shrink_to_fit();
}

}  // namespace nimbrel
