#include "wall/SoundSwitch.h"

namespace nimbrel {
namespace {

struct RoleActions {
    void (CCamera::*start)();
    bool (CCamera::*requestStop)();
    bool (CCamera::*running)() const;
};

constexpr RoleActions kAudio{&CCamera::StartDeviceAudio, &CCamera::RequestAudioStop,
                             &CCamera::AudioRunning};
constexpr RoleActions kTalk{&CCamera::StartTalk, &CCamera::RequestTalkStop, &CCamera::TalkRunning};

void SwitchOn(CCanvas& canvas, CameraRole role, const RoleActions& act, CCamera& selected) {
    switch (canvas.ClaimRole(role, selected)) {
        case CCanvas::Claim::AlreadyOwner:
            return;
        case CCanvas::Claim::Taken:
            (selected.*act.start)();
            return;
        case CCanvas::Claim::Queued:
            break;
    }
    auto* owner = dynamic_cast<CCamera*>(canvas.RoleCamera(role));
    if (!owner) return;
    // The owner's stop hands the role over when it is done; an owner with nothing left to stop
    // hands it over now.
    if ((owner->*act.requestStop)() || (owner->*act.running)()) return;
    if (auto* next = dynamic_cast<CCamera*>(canvas.HandOverRole(role, *owner)))
        (next->*act.start)();
}

void SwitchOff(CCanvas& canvas, CameraRole role, const RoleActions& act) {
    auto* owner = dynamic_cast<CCamera*>(canvas.RoleCamera(role));
    // Cleared before the stop, so that the stop's hand-over finds the role free.
    canvas.SetRoleCamera(role, nullptr);
    if (owner) (owner->*act.requestStop)();
}

}  // namespace

void SwitchDeviceAudioOn(CCanvas& canvas, CCamera& selected) {
    SwitchOn(canvas, CameraRole::Audio, kAudio, selected);
}
void SwitchDeviceAudioOff(CCanvas& canvas) {
    SwitchOff(canvas, CameraRole::Audio, kAudio);
}
void SwitchTalkOn(CCanvas& canvas, CCamera& selected) {
    SwitchOn(canvas, CameraRole::Talk, kTalk, selected);
}
void SwitchTalkOff(CCanvas& canvas) {
    SwitchOff(canvas, CameraRole::Talk, kTalk);
}

}  // namespace nimbrel
