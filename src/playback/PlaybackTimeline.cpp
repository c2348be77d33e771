#include "playback/PlaybackTimeline.h"

#include <algorithm>
#include <cstdio>

namespace nimbrel {

std::optional<PlaybackTimeline> PlaybackTimeline::FromReply(std::string_view initTime,
                                                            int lengthSeconds) {
    if (initTime.size() != 14 || lengthSeconds < 1 || lengthSeconds > kMaxLength)
        return std::nullopt;
    for (char c : initTime)
        if (c < '0' || c > '9') return std::nullopt;
    const auto two = [&](std::size_t at) {
        return (initTime[at] - '0') * 10 + initTime[at + 1] - '0';
    };
    const int hour = two(8), minute = two(10), second = two(12);
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return PlaybackTimeline(hour * 3600 + minute * 60 + second, lengthSeconds);
}

std::string PlaybackTimeline::TimeAt(int position) const {
    const int total = (startSecondOfDay_ + std::max(0, position)) % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", total / 3600, total / 60 % 60, total % 60);
    return text;
}

int PlaybackTimeline::Clamp(int position) const {
    return std::clamp(position, 0, length_);
}

int PlaybackTimeline::Forward(int position) const {
    return Clamp(position + kJumpSeconds);
}

int PlaybackTimeline::Rewind(int position) const {
    return Clamp(position - kJumpSeconds);
}

int PlaybackTimeline::ArrowStep(int stepped, int direction) const {
    return Clamp(stepped + (direction < 0 ? -kArrowExtra : kArrowExtra));
}

}  // namespace nimbrel
