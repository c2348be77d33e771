#include "media/PaneSurface.h"

namespace nimbrel {

void PaneSurface::SetDrawSize(int width, int height) {
    drawWidth_ = width;
    drawHeight_ = height;
}

std::pair<int, int> PaneSurface::DrawSize() const { return {drawWidth_.load(), drawHeight_.load()}; }

uint8_t* PaneSurface::Back(int width, int height) {
    const int stride = (width + (width & 1)) * 4;
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    if (back_.bgrx.size() != bytes) back_.bgrx.resize(bytes);
    back_.width = width;
    back_.height = height;
    back_.stride = stride;
    return back_.bgrx.data();
}

void PaneSurface::Publish(const PaneOverlay& overlay) {
    std::function<void()> wake;
    {
        std::lock_guard guard(lock_);
        back_.overlay = overlay;
        back_.sequence = ++published_;
        std::swap(front_, back_);
        fresh_ = true;
        if (!pending_.exchange(true)) wake = wakeup_;
    }
    if (wake) wake();
}

bool PaneSurface::TakeFront(PanePicture& out) {
    pending_ = false;
    std::lock_guard guard(lock_);
    if (!fresh_) return false;
    std::swap(front_, out);
    fresh_ = false;
    return true;
}

void PaneSurface::Clear() {
    std::lock_guard guard(lock_);
    front_ = {};
    back_ = {};
    fresh_ = false;
    pending_ = false;
}

void PaneSurface::SetWakeup(std::function<void()> wakeup) {
    std::lock_guard guard(lock_);
    wakeup_ = std::move(wakeup);
}

}  // namespace nimbrel
