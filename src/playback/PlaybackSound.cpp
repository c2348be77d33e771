#include "playback/PlaybackSound.h"

#include "live/StreamPacket.h"

namespace nimbrel {
namespace {

// The camera goes on from the key frame at or before a jump's point, so the first frames after a
// jump lie up to a key-frame interval before it; frames further away are of the old position.
constexpr int64_t kBeforeJumpMs = 5000;
constexpr int64_t kAfterJumpMs = 1000;

}  // namespace

PlaybackSound::PlaybackSound(const StopSignal& stop, const AudioBackends& backends,
                             const std::atomic<int64_t>& pictureMs)
    : player_(off_, stop, backends, "pb") {
    player_.FollowPicture(&pictureMs);
}

void PlaybackSound::StartPlayer() {
    if (sampleRate_ > 0 && !paused_) player_.StartPlaying(true, sampleRate_);
}

void PlaybackSound::Start(int sampleRate) {
    sampleRate_ = sampleRate;
    paused_ = false;
    jumpPointMs_ = -1;
    StartPlayer();
}

void PlaybackSound::Pause() {
    paused_ = true;
    player_.StopAndWait({});
}

void PlaybackSound::Resume() {
    paused_ = false;
    StartPlayer();
}

void PlaybackSound::LeaveForJump(int seconds) {
    // Stopped first: from here until the player runs again every frame is refused.
    player_.StopAndWait({});
    jumpPointMs_ = static_cast<int64_t>(seconds) * 1000;
}

void PlaybackSound::ArriveFromJump() {
    StartPlayer();
}

void PlaybackSound::Stop() {
    player_.StopAndWait({});
    sampleRate_ = 0;
    jumpPointMs_ = -1;
}

void PlaybackSound::Put(std::span<const uint8_t> packet) {
    if (packet.size() < kAudioHeaderSize || off_ != 0) {
        ++refused_;
        return;
    }
    const uint32_t time = AudioTimeValue(packet.first<kAudioHeaderSize>());
    if (const int64_t point = jumpPointMs_; point >= 0) {
        if (time + kBeforeJumpMs < point || time > point + kAfterJumpMs) {
            ++refused_;
            return;
        }
        jumpPointMs_ = -1;
    }
    player_.PutFrame(true, packet.subspan(kAudioHeaderSize), time);
}

}  // namespace nimbrel
