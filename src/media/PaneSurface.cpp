#include "media/PaneSurface.h"

namespace nimbrel {

BgrxTarget PanePicture::Resize(int w, int h) {
    if (w <= 0 || h <= 0) return {};
    const int evenWidth = w + (w & 1);
    const std::size_t bytes = static_cast<std::size_t>(evenWidth) * BgrxTarget::kBytesPerPixel *
                              static_cast<std::size_t>(h);
    if (bytes < bgrx.capacity() / 2)
        bgrx = std::vector<uint8_t>(bytes);
    else if (bgrx.size() != bytes)
        bgrx.resize(bytes);
    width = w;
    height = h;
    stride = evenWidth * BgrxTarget::kBytesPerPixel;
    return {bgrx.data(), bgrx.size(), width, height, stride};
}

bool PanePicture::Whole() const {
    if (width <= 0 || height <= 0 || stride <= 0) return false;
    const std::size_t row = static_cast<std::size_t>(width) * BgrxTarget::kBytesPerPixel;
    return static_cast<std::size_t>(stride) >= row &&
           static_cast<std::size_t>(stride) * static_cast<std::size_t>(height) <= bgrx.size();
}

void PaneSurface::SetDrawSize(int width, int height) {
    drawWidth_ = width;
    drawHeight_ = height;
}

std::pair<int, int> PaneSurface::DrawSize() const {
    return {drawWidth_.load(), drawHeight_.load()};
}

void PaneSurface::Assign(const PaneOwner* occupant) {
    std::lock_guard guard(lock_);
    if (occupant == occupant_) return;
    occupant_ = occupant;
    front_ = {};
    fresh_ = false;
    pending_ = false;
}

const PaneOwner* PaneSurface::Occupant() const {
    std::lock_guard guard(lock_);
    return occupant_;
}

bool PaneSurface::Publish(const PaneOwner& owner, PanePicture& picture) {
    std::function<void()> wake;
    {
        std::lock_guard guard(lock_);
        if (occupant_ != &owner || !picture.Whole()) return false;
        picture.owner = &owner;
        picture.sequence = ++published_;
        std::swap(front_, picture);
        fresh_ = true;
        if (!pending_.exchange(true)) wake = wakeup_;
    }
    if (wake) wake();
    return true;
}

bool PaneSurface::TakeFront(PanePicture& out) {
    pending_ = false;
    std::lock_guard guard(lock_);
    if (!fresh_) return false;
    std::swap(front_, out);
    fresh_ = false;
    return true;
}

void PaneSurface::SetWakeup(std::function<void()> wakeup) {
    std::lock_guard guard(lock_);
    wakeup_ = std::move(wakeup);
}

}  // namespace nimbrel
