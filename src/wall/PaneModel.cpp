#include "wall/PaneModel.h"

#include <utility>

namespace nimbrel {

void PaneModel::Deal(int page, int entry, const PaneRect& cell) {
    state_.page = page;
    state_.entry = entry;
    state_.slotIndex = entry;
    state_.cellRect = cell;
    state_.windowRect = cell;
    state_.owner = nullptr;
    state_.visible = false;
    state_.maximised = false;
}

void PaneModel::SwapCellWith(PaneModel& other) {
    std::swap(state_.cellRect, other.state_.cellRect);
    std::swap(state_.slotIndex, other.state_.slotIndex);
    state_.windowRect = state_.cellRect;
    other.state_.windowRect = other.state_.cellRect;
}

void PaneModel::Refresh(const PaneOwner* selected) {
    state_.selected = state_.owner != nullptr && state_.owner == selected;
    const PaneRect client{0, 0, state_.windowRect.w, state_.windowRect.h};
    state_.drawRect = state_.selected ? client.Inset(1) : client;
    // From here on only the new occupant's pictures are taken.
    surface_.Assign(state_.owner);
    if (surface_.DrawSize() != std::pair{state_.drawRect.w, state_.drawRect.h})
        surface_.SetDrawSize(state_.drawRect.w, state_.drawRect.h);
}

}  // namespace nimbrel
