// When a streaming camera sends its next video frame and audio packet: fixed periods counted
// from the start, so lateness never accumulates; a connection that falls far behind (a slow
// client) starts its periods again from now instead of sending a burst. A frame's due time is
// the time its camera captured it.
// Threading: one connection's thread.
#pragma once

namespace nimbrel::sim {

class MediaSchedule {
  public:
    // Periods in microseconds; an audio period of 0 means no audio.
    MediaSchedule(long long startUs, long long videoPeriodUs, long long audioPeriodUs);

    enum class Item { None, Video, Audio };
    // The item due at `nowUs`, earliest first; each call takes one item.
    Item Take(long long nowUs);
    // The time of the next item.
    long long NextUs() const;
    // When the video frame taken last was due: the time a camera's clock gives the frame it
    // captured then.
    long long LastVideoDueUs() const { return lastVideoDue_; }
    // True (once) when video fell more than `lagUs` behind and was restarted from `nowUs`:
    // the caller resumes its clip at a key frame.
    bool Restarted(long long nowUs, long long lagUs);

  private:
    long long videoPeriod_;
    long long audioPeriod_;
    long long videoBase_;
    long long audioBase_;
    long long videoCount_ = 0;
    long long audioCount_ = 0;
    long long lastVideoDue_ = 0;
};

}  // namespace nimbrel::sim
