#include "wall/CCanvas.h"

#include <algorithm>
#include <type_traits>

namespace nimbrel {
namespace {

bool ValidPosition(int page, int slot) {
    return page >= 0 && page < CCanvas::kPages && slot >= 0 && slot < CCanvas::kSlotsPerPage;
}

bool ValidPane(int pane) {
    return pane >= 0 && pane < CCanvas::kPanes;
}

}  // namespace

template <typename Edit>
auto CCanvas::Change(Edit&& edit) {
    std::unique_lock guard(lock_);
    const Snapshot before = TakeSnapshotLocked();
    if constexpr (std::is_void_v<std::invoke_result_t<Edit&>>) {
        edit();
        const Changes changes = CommitLocked(before);
        guard.unlock();
        Dispatch(changes);
    } else {
        auto result = edit();
        const Changes changes = CommitLocked(before);
        guard.unlock();
        Dispatch(changes);
        return result;
    }
}

CCanvas::CCanvas(const SplitLayout& layout)
    : layout_(ValidSplitLayout(layout.mode, layout.cols, layout.rows)) {
    std::lock_guard guard(lock_);
    RelayoutLocked(layout_);
    CommitLocked(TakeSnapshotLocked());
}

CCanvas::Snapshot CCanvas::TakeSnapshotLocked() const {
    Snapshot snapshot;
    for (int i = 0; i < kPanes; ++i) snapshot.panes[i] = panes_[i].State();
    snapshot.selected = selected_;
    return snapshot;
}

CCanvas::Changes CCanvas::CommitLocked(const Snapshot& before) {
    Changes changes;
    for (int i = 0; i < kPanes; ++i) {
        panes_[i].Refresh(selected_);
        const PaneState& was = before.panes[i];
        const PaneState& now = panes_[i].State();
        changes.geometry[i] = was.windowRect != now.windowRect || was.drawRect != now.drawRect;
        changes.visibility[i] = was.visible != now.visible;
        changes.invalidated[i] = was.owner != now.owner || was.selected != now.selected;
    }
    changes.selection = before.selected != selected_;
    return changes;
}

void CCanvas::Dispatch(const Changes& changes) const {
    CanvasListener* listener = listener_.load();
    if (!listener) return;
    for (int i = 0; i < kPanes; ++i)
        if (changes.geometry[i]) listener->PaneGeometryChanged(i);
    for (int i = 0; i < kPanes; ++i)
        if (changes.visibility[i]) listener->PaneVisibilityChanged(i);
    for (int i = 0; i < kPanes; ++i)
        if (changes.invalidated[i]) listener->PaneInvalidated(i);
    if (changes.selection) listener->SelectionChanged();
}

// --- Layout ---

SplitLayout CCanvas::Layout() const {
    std::lock_guard guard(lock_);
    return layout_;
}

bool CCanvas::ChooseLayout(int commandId) {
    const SplitLayout* chosen = SplitLayoutForCommand(commandId);
    if (!chosen) return false;
    return Change([&] {
        if (chosen->SameLayout(layout_)) return false;
        RelayoutLocked(*chosen);
        return true;
    });
}

bool CCanvas::Relayout(int mode, int cols, int rows) {
    const SplitLayout* layout = FindSplitLayout(mode, cols, rows);
    if (!layout) return false;
    Change([&] { RelayoutLocked(*layout); });
    return true;
}

std::vector<PaneOwner*> CCanvas::OpenInDisplayOrderLocked() const {
    // Page by page, within a page by the slot index of the panes, which drag-swaps exchange.
    std::vector<PaneOwner*> open;
    open.reserve(kPanes);
    const int perPage = layout_.PanesPerPage();
    for (int page = 0; page < kPages; ++page) {
        std::vector<const PaneState*> group;
        for (int slot = 0; slot < perPage; ++slot)
            if (slots_[page][slot].pane >= 0)
                group.push_back(&panes_[slots_[page][slot].pane].State());
        std::stable_sort(group.begin(), group.end(), [](const PaneState* a, const PaneState* b) {
            return a->slotIndex < b->slotIndex;
        });
        for (const PaneState* pane : group)
            if (pane->owner) open.push_back(pane->owner);
    }
    return open;
}

void CCanvas::DealLocked(const SplitLayout& layout) {
    for (PaneOwner* owner : OpenInDisplayOrderLocked()) {
        owner->m_nPage = -1;
        owner->m_nSlot = -1;
    }
    layout_ = layout;
    slots_ = {};
    drag_.Reset();
    warmPage_.store(-1, std::memory_order_release);
    // Every row gets the same cells; the panes are dealt out in creation order, page by page.
    const std::vector<PaneRect> cells = layout_.Cells(width_, height_);
    const int perPage = static_cast<int>(cells.size());
    for (int page = 0, pane = 0; page < kPages; ++page) {
        for (int slot = 0; slot < perPage; ++slot) {
            SlotEntry& entry = slots_[page][slot];
            entry.cell = cells[slot];
            if (pane < kPanes) {
                entry.pane = pane;
                panes_[pane++].Deal(page, slot, cells[slot]);
            }
        }
    }
}

void CCanvas::RelayoutLocked(const SplitLayout& layout) {
    const std::vector<PaneOwner*> open = OpenInDisplayOrderLocked();
    DealLocked(layout);
    for (PaneOwner* owner : open) AcquireLocked(*owner);
    ShowPageLocked(0);
}

int CCanvas::GatherFirst(const std::vector<const PaneOwner*>& first) {
    return Change([&] {
        const std::vector<PaneOwner*> open = OpenInDisplayOrderLocked();
        std::vector<PaneOwner*> gathered, others;
        for (const PaneOwner* wanted : first) {
            const auto found = std::find(open.begin(), open.end(), wanted);
            if (found != open.end() &&
                std::find(gathered.begin(), gathered.end(), *found) == gathered.end())
                gathered.push_back(*found);
        }
        for (PaneOwner* owner : open)
            if (std::find(gathered.begin(), gathered.end(), owner) == gathered.end())
                others.push_back(owner);
        DealLocked(layout_);
        const int perPage = layout_.PanesPerPage();
        for (PaneOwner* owner : gathered) AcquireLocked(*owner);
        const int pages = (static_cast<int>(gathered.size()) + perPage - 1) / perPage;
        // The others start on a page of their own, unless the panes left after the gathered
        // pages are too few for them: then they fill the gaps too, and none loses its pane.
        const int panesAfter = kPanes - pages * perPage;
        const int firstOther = static_cast<int>(others.size()) <= panesAfter ? pages : 0;
        for (PaneOwner* owner : others) AcquireLocked(*owner, firstOther);
        ShowPageLocked(0);
        return pages;
    });
}

void CCanvas::PlacePanes(int width, int height) {
    Change([&] { PlaceLocked(std::max(0, width), std::max(0, height)); });
}

void CCanvas::PlaceLocked(int width, int height) {
    width_ = width;
    height_ = height;
    drag_.Reset();
    const std::vector<PaneRect> cells = layout_.Cells(width, height);
    for (auto& row : slots_) {
        for (SlotEntry& entry : row) {
            if (entry.pane < 0) continue;
            PaneState& pane = panes_[entry.pane].State();
            if (pane.slotIndex < 0 || pane.slotIndex >= static_cast<int>(cells.size())) continue;
            entry.cell = cells[pane.slotIndex];
            pane.cellRect = entry.cell;
            pane.windowRect = pane.maximised ? PaneRect{0, 0, width, height} : pane.cellRect;
        }
    }
    ShowPageLocked(CurrentPage());
}

std::pair<int, int> CCanvas::CanvasSize() const {
    std::lock_guard guard(lock_);
    return {width_, height_};
}

// --- Panes ---

std::optional<PanePosition> CCanvas::AcquirePane(PaneOwner& owner) {
    return Change([&] { return AcquireLocked(owner); });
}

std::optional<PanePosition> CCanvas::AcquireLocked(PaneOwner& owner, int firstPage) {
    const int heldPage = owner.m_nPage;
    const int heldSlot = owner.m_nSlot;
    if (HoldsLocked(owner, heldPage, heldSlot)) return PanePosition{heldPage, heldSlot};

    const int perPage = layout_.PanesPerPage();
    for (int page = std::max(0, firstPage); page < kPages; ++page) {
        int best = -1;
        for (int slot = 0; slot < perPage; ++slot) {
            const SlotEntry& entry = slots_[page][slot];
            if (entry.used || entry.pane < 0) continue;
            // "<=": on equal slot indexes the later entry wins.
            if (best < 0 || panes_[entry.pane].State().slotIndex <=
                                panes_[slots_[page][best].pane].State().slotIndex)
                best = slot;
        }
        if (best < 0) continue;
        SlotEntry& entry = slots_[page][best];
        entry.used = true;
        panes_[entry.pane].State().owner = &owner;
        owner.m_nPage = page;
        owner.m_nSlot = best;
        return PanePosition{page, best};
    }
    return std::nullopt;
}

bool CCanvas::HoldsLocked(const PaneOwner& owner, int page, int slot) const {
    if (!ValidPosition(page, slot)) return false;
    const SlotEntry& entry = slots_[page][slot];
    return entry.used && entry.pane >= 0 && panes_[entry.pane].State().owner == &owner;
}

bool CCanvas::ReleasePane(PaneOwner& owner) {
    return Change([&] {
        const int page = owner.m_nPage.exchange(-1);
        const int slot = owner.m_nSlot.exchange(-1);
        if (!HoldsLocked(owner, page, slot)) return false;
        SlotEntry& entry = slots_[page][slot];
        PaneModel& pane = panes_[entry.pane];
        entry.used = false;
        pane.State().owner = nullptr;  // the commit empties the surface
        if (selected_ == &owner) selected_ = nullptr;
        // An empty pane cannot be double-clicked, so a maximised one would stay stuck: it goes
        // back to its cell.
        if (pane.State().maximised) UnmaximiseLocked();
        KeepShownPageLocked();
        return true;
    });
}

std::optional<PaneState> CCanvas::Pane(int pane) const {
    if (!ValidPane(pane)) return std::nullopt;
    std::lock_guard guard(lock_);
    return panes_[pane].State();
}

std::array<PaneState, CCanvas::kPanes> CCanvas::Panes() const {
    std::lock_guard guard(lock_);
    return TakeSnapshotLocked().panes;
}

std::optional<SlotEntry> CCanvas::Slot(int page, int slot) const {
    if (!ValidPosition(page, slot)) return std::nullopt;
    std::lock_guard guard(lock_);
    return slots_[page][slot];
}

std::optional<int> CCanvas::PaneAt(int page, int slot) const {
    const std::optional<SlotEntry> entry = Slot(page, slot);
    if (!entry || entry->pane < 0) return std::nullopt;
    return entry->pane;
}

PaneSurface* CCanvas::Surface(int pane) {
    // The surfaces never move and guard themselves: no canvas lock needed.
    return ValidPane(pane) ? &panes_[pane].Surface() : nullptr;
}

PtzRequests* CCanvas::Ptz(int pane) {
    // Like the surfaces, the requests never move and are atomics.
    return ValidPane(pane) ? &panes_[pane].Ptz() : nullptr;
}

PaneSurface* CCanvas::SurfaceOf(const PaneOwner& owner) {
    std::lock_guard guard(lock_);
    const int page = owner.m_nPage;
    const int slot = owner.m_nSlot;
    if (!HoldsLocked(owner, page, slot)) return nullptr;
    return &panes_[slots_[page][slot].pane].Surface();
}

// --- Pages ---

void CCanvas::ShowPageLocked(int page) {
    curPage_.store(page, std::memory_order_release);
    const int perPage = layout_.PanesPerPage();
    int maximised = -1;
    for (int i = 0; i < kPanes; ++i)
        if (panes_[i].State().page == page && panes_[i].State().maximised) maximised = i;
    for (int i = 0; i < kPanes; ++i) {
        PaneState& pane = panes_[i].State();
        const bool onPage = pane.page == page && pane.entry < perPage;
        pane.visible = onPage && (maximised < 0 || maximised == i);
    }
}

void CCanvas::KeepShownPageLocked() {
    // The shown page lost its last camera and no camera sits past it: the paging buttons would
    // refuse to leave a page that no longer counts, so the last page left is shown instead.
    const int last = std::max(0, PageCountLocked() - 1);
    if (CurrentPage() <= last) return;
    drag_.Reset();
    ShowPageLocked(last);
}

int CCanvas::PageCount() const {
    std::lock_guard guard(lock_);
    return PageCountLocked();
}

int CCanvas::PageCountLocked() const {
    const int perPage = layout_.PanesPerPage();
    int open = 0;
    int lastPage = -1;
    for (int page = 0; page < kPages; ++page) {
        for (int slot = 0; slot < perPage; ++slot) {
            if (!slots_[page][slot].used) continue;
            ++open;
            lastPage = page;
        }
    }
    return std::max((open + perPage - 1) / perPage, lastPage + 1);
}

bool CCanvas::NextPage() {
    return Change([&] { return TurnPageLocked(true); });
}

bool CCanvas::PrevPage() {
    return Change([&] { return TurnPageLocked(false); });
}

bool CCanvas::ShowPage(int page) {
    return Change([&] {
        if (page < 0 || page >= PageCountLocked()) return false;
        drag_.Reset();
        ShowPageLocked(page);
        return true;
    });
}

void CCanvas::SetWarmPage(int page) {
    warmPage_.store(page >= 0 && page < kPages ? page : -1, std::memory_order_release);
}

bool CCanvas::TurnPageLocked(bool forward) {
    const int pages = PageCountLocked();
    if (pages <= 1) return false;
    const int current = CurrentPage();
    int next;
    if (forward)
        next = current >= pages - 1 ? 0 : current + 1;
    else
        next = current <= 0 || current >= pages ? pages - 1 : current - 1;
    drag_.Reset();
    ShowPageLocked(next);
    return true;
}

std::optional<int> CCanvas::PaneAtCursor(int x, int y) const {
    std::lock_guard guard(lock_);
    return PaneAtCursorLocked(x, y);
}

std::optional<int> CCanvas::PaneAtCursorLocked(int x, int y) const {
    const int page = CurrentPage();
    const int perPage = layout_.PanesPerPage();
    for (int slot = 0; slot < perPage; ++slot) {
        const int pane = slots_[page][slot].pane;
        if (pane >= 0 && panes_[pane].State().cellRect.Contains(x, y)) return pane;
    }
    return std::nullopt;
}

// --- Mouse ---

bool CCanvas::PressPane(int pane, int x, int y) {
    if (!ValidPane(pane)) return false;
    return Change([&] {
        const PaneState& state = panes_[pane].State();
        if (!state.visible || !state.owner) return false;
        selected_ = state.owner;
        // A maximised pane covers the canvas: there is nothing to swap it with.
        if (state.maximised)
            drag_.Reset();
        else
            drag_.Start(pane, state.windowRect, x, y);
        return true;
    });
}

void CCanvas::MovePointer(int x, int y) {
    Change([&] {
        if (!drag_.Move()) return;
        PaneState& pane = panes_[drag_.Pane()].State();
        pane.windowRect = drag_.FollowRect(x, y, pane.cellRect, width_, height_);
    });
}

void CCanvas::ReleasePointer(int x, int y) {
    Change([&] {
        const PaneDrag drag = drag_;
        drag_.Reset();
        if (!drag.Moving()) return;
        PaneModel& dragged = panes_[drag.Pane()];
        const std::optional<int> target = PaneAtCursorLocked(x, y);
        if (!target || *target == drag.Pane()) {
            // Dropped on its own cell, or where no cell of this page is: back to its cell.
            dragged.State().windowRect = dragged.State().cellRect;
            return;
        }
        PaneModel& other = panes_[*target];
        dragged.SwapCellWith(other);
        for (const PaneModel* pane : {&dragged, &other}) {
            const PaneState& state = pane->State();
            slots_[state.page][state.entry].cell = state.cellRect;
        }
        selected_ = dragged.State().owner;
    });
}

int CCanvas::MovingPane() const {
    std::lock_guard guard(lock_);
    return drag_.Moving() ? drag_.Pane() : -1;
}

bool CCanvas::ToggleMaximise(int pane) {
    if (!ValidPane(pane)) return false;
    return Change([&] {
        PaneState& state = panes_[pane].State();
        if (!state.visible || !state.owner) return false;
        drag_.Reset();
        if (state.maximised) {
            RelayoutLocked(layout_);
            return true;
        }
        state.maximised = true;
        full_ = state.owner;
        fullPosition_ = {state.owner->m_nPage, state.owner->m_nSlot};
        state.windowRect = {0, 0, width_, height_};
        ShowPageLocked(CurrentPage());
        return true;
    });
}

void CCanvas::MainWindowSizeModeChanged(bool maximised) {
    Change([&] {
        if (maximised)
            RelayoutLocked(layout_);
        else
            UnmaximiseLocked();
    });
}

void CCanvas::UnmaximiseLocked() {
    for (PaneModel& pane : panes_) {
        PaneState& state = pane.State();
        if (!state.maximised) continue;
        state.maximised = false;
        state.windowRect = state.cellRect;
    }
    ShowPageLocked(CurrentPage());
}

// --- Cameras shared with the live view ---

PaneOwner* CCanvas::SelectedCamera() const {
    std::lock_guard guard(lock_);
    return selected_;
}

PaneOwner* CCanvas::FullCamera() const {
    std::lock_guard guard(lock_);
    return full_;
}

PanePosition CCanvas::FullPosition() const {
    std::lock_guard guard(lock_);
    return fullPosition_;
}

bool CCanvas::IsOnCurrentPage(const PaneOwner& owner) const {
    const int page = owner.m_nPage;
    return page >= 0 && page == CurrentPage();
}

bool CCanvas::IsShown(const PaneOwner& owner) const {
    std::lock_guard guard(lock_);
    const int page = owner.m_nPage;
    const int slot = owner.m_nSlot;
    return HoldsLocked(owner, page, slot) && panes_[slots_[page][slot].pane].State().visible;
}

bool CCanvas::IsWarming(const PaneOwner& owner) const {
    const int page = owner.m_nPage;
    const int warm = WarmPage();
    return page >= 0 && page == warm && page != CurrentPage();
}

CCanvas::RoleHolders& CCanvas::Holders(CameraRole role) {
    return role == CameraRole::Audio ? audio_ : talk_;
}

const CCanvas::RoleHolders& CCanvas::Holders(CameraRole role) const {
    return role == CameraRole::Audio ? audio_ : talk_;
}

PaneOwner* CCanvas::RoleCamera(CameraRole role) const {
    std::lock_guard guard(lock_);
    return Holders(role).current;
}

PaneOwner* CCanvas::NextRoleCamera(CameraRole role) const {
    std::lock_guard guard(lock_);
    return Holders(role).next;
}

void CCanvas::SetRoleCamera(CameraRole role, PaneOwner* owner) {
    std::lock_guard guard(lock_);
    Holders(role).current = owner;
}

void CCanvas::SetNextRoleCamera(CameraRole role, PaneOwner* owner) {
    std::lock_guard guard(lock_);
    Holders(role).next = owner;
}

CCanvas::Claim CCanvas::ClaimRole(CameraRole role, PaneOwner& owner) {
    std::lock_guard guard(lock_);
    RoleHolders& holders = Holders(role);
    if (holders.current == &owner) return Claim::AlreadyOwner;
    if (holders.current) {
        holders.next = &owner;
        return Claim::Queued;
    }
    holders.current = &owner;
    return Claim::Taken;
}

PaneOwner* CCanvas::PromoteNextRoleCamera(CameraRole role) {
    std::lock_guard guard(lock_);
    RoleHolders& holders = Holders(role);
    holders.current = std::exchange(holders.next, nullptr);
    return holders.current;
}

PaneOwner* CCanvas::HandOverRole(CameraRole role, const PaneOwner& leaving) {
    std::lock_guard guard(lock_);
    RoleHolders& holders = Holders(role);
    if (holders.current && holders.current != &leaving) return nullptr;
    holders.current = std::exchange(holders.next, nullptr);
    return holders.current;
}

}  // namespace nimbrel
