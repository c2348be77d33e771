#include "wall/CanvasPaneHost.h"

namespace nimbrel {
namespace {

CameraRole RoleOf(SharedRole role) {
    return role == SharedRole::Audio ? CameraRole::Audio : CameraRole::Talk;
}

}  // namespace

PtzRequests* CanvasPaneHost::Ptz(int page, int slot) {
    const auto pane = canvas_.PaneAt(page, slot);
    return pane ? canvas_.Ptz(*pane) : nullptr;
}

void CanvasPaneHost::Invalidate(int page, int slot) {
    CanvasListener* listener = listener_.load();
    if (!listener) return;
    if (const auto pane = canvas_.PaneAt(page, slot)) listener->PaneInvalidated(*pane);
}

bool CanvasPaneHost::IsAudioOwner(const PaneOwner& owner) const {
    return canvas_.RoleCamera(CameraRole::Audio) == &owner;
}

bool CanvasPaneHost::IsTalkOwner(const PaneOwner& owner) const {
    return canvas_.RoleCamera(CameraRole::Talk) == &owner;
}

void CanvasPaneHost::SetNextRoleOwner(SharedRole role, PaneOwner* owner) {
    canvas_.SetNextRoleCamera(RoleOf(role), owner);
}

PaneOwner* CanvasPaneHost::HandOverRole(SharedRole role, const PaneOwner& leaving) {
    return canvas_.HandOverRole(RoleOf(role), leaving);
}

}  // namespace nimbrel
