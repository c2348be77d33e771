// The timeline of a played recording: its start time of day and its length in seconds, the
// slider's positions (one a second), the time texts shown beside it, and where the transport
// buttons and arrow keys move the slider.
// Threading: a value type; callable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

class PlaybackTimeline {
  public:
    static constexpr int kJumpSeconds = 10;  // fast forward and rewind
    static constexpr int kArrowExtra = 9;    // an arrow key moves 1 + 9 positions
    static constexpr int kMaxLength = 86400;

    // From the camera's start time "YYYYMMDDhhmmss" and the recording's length in seconds;
    // nothing when the time is not 14 digits of a valid time of day or the length is not
    // 1..kMaxLength.
    static std::optional<PlaybackTimeline> FromReply(std::string_view initTime, int lengthSeconds);

    int Length() const { return length_; }
    // "hh:mm:ss" of the start time plus `position` seconds, hours counted modulo 24.
    std::string TimeAt(int position) const;
    std::string StartText() const { return TimeAt(0); }
    std::string EndText() const { return TimeAt(length_); }

    // The slider position after fast forward, rewind, or an arrow-key step whose own move of
    // one position in `direction` (+1 or -1) has already given `stepped`.
    int Forward(int position) const;
    int Rewind(int position) const;
    int ArrowStep(int stepped, int direction) const;

  private:
    PlaybackTimeline(int startSecondOfDay, int length)
        : startSecondOfDay_(startSecondOfDay), length_(length) {}
    int Clamp(int position) const;

    int startSecondOfDay_;
    int length_;
};

}  // namespace nimbrel
