#include "playback/PlaybackAnimation.h"

#include <pthread.h>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

constexpr auto kCycle = 300ms;
constexpr auto kFailedCycle = 1000ms;

}  // namespace

PlaybackAnimation::PlaybackAnimation(Source source)
    : source_(std::move(source)), thread_(&PlaybackAnimation::Loop, this) {}

PlaybackAnimation::~PlaybackAnimation() {
    stop_.Raise();
    if (thread_.joinable()) thread_.join();
}

void PlaybackAnimation::SetRepaint(std::function<void()> repaint) {
    std::lock_guard guard(repaintLock_);
    repaint_ = std::move(repaint);
}

void PlaybackAnimation::Repaint() {
    std::lock_guard guard(repaintLock_);
    if (repaint_) repaint_();
}

void PlaybackAnimation::Loop() {
    pthread_setname_np(pthread_self(), "pb-animation");
    for (;;) {
        auto wait = kCycle;
        const int state = source_.state();
        if (state == kStarting) {
            Repaint();
        } else if (state == kFailed && source_.framesBuffered() < 2) {
            Repaint();
            wait = kFailedCycle;
        }
        if (!stop_.SleepFor(wait)) return;
        ++step_;
    }
}

}  // namespace nimbrel
