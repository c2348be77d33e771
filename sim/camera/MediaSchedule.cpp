#include "camera/MediaSchedule.h"

#include <algorithm>

namespace nimbrel::sim {

MediaSchedule::MediaSchedule(long long startUs, long long videoPeriodUs, long long audioPeriodUs)
    : videoPeriod_(videoPeriodUs),
      audioPeriod_(audioPeriodUs),
      videoBase_(startUs),
      audioBase_(startUs) {}

MediaSchedule::Item MediaSchedule::Take(long long nowUs) {
    const long long video = videoBase_ + videoCount_ * videoPeriod_;
    const long long audio = audioPeriod_ > 0 ? audioBase_ + audioCount_ * audioPeriod_ : video + 1;
    if (video <= audio && video <= nowUs) {
        ++videoCount_;
        lastVideoDue_ = video;
        return Item::Video;
    }
    if (audioPeriod_ > 0 && audio <= nowUs) {
        ++audioCount_;
        return Item::Audio;
    }
    return Item::None;
}

long long MediaSchedule::NextUs() const {
    const long long video = videoBase_ + videoCount_ * videoPeriod_;
    if (audioPeriod_ <= 0) return video;
    return std::min(video, audioBase_ + audioCount_ * audioPeriod_);
}

bool MediaSchedule::Restarted(long long nowUs, long long lagUs) {
    if (nowUs - (videoBase_ + videoCount_ * videoPeriod_) <= lagUs) return false;
    videoBase_ = audioBase_ = nowUs;
    videoCount_ = audioCount_ = 0;
    return true;
}

}  // namespace nimbrel::sim
