// A camera's device audio and talk as the rest of the view sees them: the reading loop's audio
// frames, starting and stopping by the camera's audio kind, the hand-over of each role to the
// camera waiting for it, and the view's stop of both (before the stream goes away).
#include "live/CCamera.h"
#include "platform/Log.h"

namespace nimbrel {

void CCamera::PutAudioFrame(const Packet& packet) {
    // While device audio is off, audio packets are dropped on arrival.
    if (m_bAudioOff != 0) return;
    const bool aac = packet.kind == kPacketAac;
    const uint32_t time = AudioTimeValue(packet.bytes.first<kAudioHeaderSize>());
    audio_.PutFrame(aac, packet.bytes.subspan(kAudioHeaderSize), aac ? time : 0);
}

void CCamera::StartDeviceAudio() {
    if (audio_.StartPlaying(m_bAudioAac != 0, m_nAudioSample) == CameraAudio::Start::StopRunning)
        live_.panes.SetNextRoleOwner(SharedRole::Audio, this);
}

bool CCamera::RequestAudioStop() {
    return audio_.RequestStop([this] { HandOverAudio(false); });
}

void CCamera::StartTalk() {
    CameraTalk::Sender send;
    {
        std::lock_guard guard(controlLock_);
        // A view without a stream captures but sends nothing.
        if (streaming_)
            send = [this](std::span<const uint8_t> packet) { return SendTalkPacket(packet); };
    }
    if (talk_.StartTalking(m_bAudioAac != 0, m_nAudioSample, std::move(send)) ==
        CameraTalk::Start::StopRunning)
        live_.panes.SetNextRoleOwner(SharedRole::Talk, this);
}

bool CCamera::RequestTalkStop() {
    return talk_.RequestStop([this] { HandOverTalk(false); });
}

bool CCamera::SendTalkPacket(std::span<const uint8_t> packet) {
    // Under the lock, so that the view's stop cannot take the stream away during a send; the
    // transport's own send lock keeps the packet whole between keep-alives.
    std::lock_guard guard(controlLock_);
    if (!streaming_ || !transport_) return false;
    return transport_->SendAll(packet.data(), packet.size(), stop_.Flag()) == TransferResult::Done;
}

void CCamera::StopSound() {
    {
        std::lock_guard guard(controlLock_);
        streaming_ = false;  // no talk packet goes out from here on
    }
    talk_.StopAndWait([this] { HandOverTalk(true); });
    audio_.StopAndWait([this] { HandOverAudio(true); });
}

void CCamera::HandOverAudio(bool viewEnding) {
    PaneOwner* next = live_.panes.HandOverRole(SharedRole::Audio, *this);
    if (!next) return;
    if (next == this && viewEnding) {
        live_.panes.HandOverRole(SharedRole::Audio, *this);  // a view that ends does not play on
        return;
    }
    if (auto* camera = dynamic_cast<CCamera*>(next)) camera->StartDeviceAudio();
}

void CCamera::HandOverTalk(bool viewEnding) {
    PaneOwner* next = live_.panes.HandOverRole(SharedRole::Talk, *this);
    if (!next) return;
    if (next == this && viewEnding) {
        live_.panes.HandOverRole(SharedRole::Talk, *this);
        return;
    }
    if (auto* camera = dynamic_cast<CCamera*>(next)) camera->StartTalk();
}

}  // namespace nimbrel
