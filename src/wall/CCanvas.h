// The video wall without its window: the layout, the slot table of 64 pages × 16 entries, the 64
// panes, the page shown, dragging, maximising, and the cameras that are selected or own device
// audio or talk. The canvas window and its pane widgets only forward mouse and resize events here
// and paint what the panes' states say.
// Threading: layout, paging, mouse and maximise calls come from the UI thread; AcquirePane,
// ReleasePane and every reader may also be called from camera threads. One mutex guards the
// model (readers get copies); CurrentPage() is a lock-free atomic read. Lock order: the canvas's
// lock before a pane surface's lock. An owner must give its pane back before it is destroyed.
#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "media/PaneOwner.h"
#include "media/PaneSurface.h"
#include "wall/CanvasListener.h"
#include "wall/PaneDrag.h"
#include "wall/PaneModel.h"
#include "wall/SplitLayout.h"

namespace nimbrel {

struct SlotEntry {
    bool used = false;  // a camera occupies the entry
    PaneRect cell;      // the cell of the entry's pane
    int pane = -1;      // index of the pane dealt into the entry, -1 for none
};

struct PanePosition {
    int page = -1;
    int slot = -1;
    friend bool operator==(const PanePosition&, const PanePosition&) = default;
};

// The two features that one camera at a time owns, each with a camera waiting to take over.
enum class CameraRole { Audio, Talk };

class CCanvas {
  public:
    static constexpr int kPanes = 64;
    static constexpr int kPages = 64;
    static constexpr int kSlotsPerPage = 16;

    enum class Claim {
        AlreadyOwner,  // the camera already owns the role: nothing changed
        Queued,        // another camera owns it: this one waits as the next owner
        Taken,         // nobody owned it: this camera does now
    };

    // Deals the panes for `layout` (grid 2×2 when it is none of the six) on a 0 × 0 canvas.
    explicit CCanvas(const SplitLayout& layout = DefaultSplitLayout());
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    // Set before camera threads start; none to stop notifications.
    void SetListener(CanvasListener* listener) { listener_ = listener; }

    // --- Layout (UI thread) ---
    SplitLayout Layout() const;
    // A chooser button: Relayout to its layout unless that layout is already active. False when
    // nothing happened (unknown command id, or the active layout).
    bool ChooseLayout(int commandId);
    // Repacks the open cameras as Relayout with the current layout does, but the open ones of
    // `first` come first, in that order, and the others begin on the page after the last of
    // them (or fill the gaps when they would not fit otherwise). Shows page 0. Returns the pages
    // that `first`'s cameras fill.
    int GatherFirst(const std::vector<const PaneOwner*>& first);
    // Switches to the layout and repacks the open cameras in display order from page 0, slot 0;
    // shows page 0. With the current values it restores a maximised pane. False, and nothing
    // changes, when the values name none of the six layouts.
    bool Relayout(int mode, int cols, int rows);
    // The canvas's client area is now `width` × `height`: every pane moves to the cell of its
    // slot index; no camera changes pane. A maximised pane fills the new size.
    void PlacePanes(int width, int height);
    std::pair<int, int> CanvasSize() const;

    // --- Panes (any thread) ---
    // Gives the camera the free entry whose pane has the smallest slot index on the first page
    // that has one (on equal indexes the later entry); writes the camera's page and slot. A
    // camera that already has a pane keeps it. Nothing when every pane is taken.
    std::optional<PanePosition> AcquirePane(PaneOwner& owner);
    // Gives the camera's pane back: frees the entry, empties the pane and its surface, ends a
    // maximise of it and clears the selection if it was this camera. Sets the camera's page and
    // slot to -1. When the page shown no longer counts, the last page that does is shown. False
    // when they did not name this camera's pane.
    bool ReleasePane(PaneOwner& owner);

    std::optional<PaneState> Pane(int pane) const;
    std::array<PaneState, kPanes> Panes() const;
    std::optional<SlotEntry> Slot(int page, int slot) const;
    // The pane at (page, slot), if that entry has one.
    std::optional<int> PaneAt(int page, int slot) const;
    // The surface of pane `pane`; none for an index out of range. Valid as long as the canvas.
    PaneSurface* Surface(int pane);
    // The surface of the pane the camera occupies; none while it has no pane.
    PaneSurface* SurfaceOf(const PaneOwner& owner);
    // The pan/tilt requests of pane `pane`; none for an index out of range.
    PtzRequests* Ptz(int pane);

    // --- Pages ---
    int CurrentPage() const noexcept { return curPage_.load(std::memory_order_acquire); }
    // Pages to cycle through: enough for the open cameras, and at least up to the last page
    // where a camera sits.
    int PageCount() const;
    // Wrap around; false, and nothing changes, with one page or none.
    bool NextPage();
    bool PrevPage();
    // Shows `page`, one of PageCount()'s; false, and nothing changes, for any other page.
    bool ShowPage(int page);
    // The page that comes next (a tour's): its cameras decode what they kept and keep decoding,
    // without drawing, so that its pictures are live the moment it is shown. -1 for none; a
    // layout change clears it.
    void SetWarmPage(int page);
    int WarmPage() const noexcept { return warmPage_.load(std::memory_order_acquire); }
    // The pane of the current page whose cell holds the canvas point (x, y).
    std::optional<int> PaneAtCursor(int x, int y) const;

    // --- Mouse (UI thread; points in canvas client coordinates) ---
    // Left button down on a shown pane: selects its camera and starts a possible drag. False,
    // and nothing changes, for a pane without a camera.
    bool PressPane(int pane, int x, int y);
    // From the fourth move after the press the pane follows the cursor.
    void MovePointer(int x, int y);
    // Button up: after a drag the pane swaps places with the pane under the cursor; dropped on
    // its own cell or outside every cell of the page it goes back to its cell.
    void ReleasePointer(int x, int y);
    // The pane following the cursor, or -1.
    int MovingPane() const;
    // Double click: maximises a shown pane with a camera within the canvas, or restores the
    // maximised one (Relayout with the current values). False when the pane does not react.
    bool ToggleMaximise(int pane);
    // The main window was maximised (`maximised`) or restored. Maximising re-lays the panes with
    // the current layout (Relayout); either way a maximised pane returns to its cell.
    void MainWindowSizeModeChanged(bool maximised);

    // --- Cameras shared with the live view ---
    PaneOwner* SelectedCamera() const;
    // The camera whose pane was maximised last, and where it sat (kept after a restore).
    PaneOwner* FullCamera() const;
    PanePosition FullPosition() const;
    // True when the camera's page is the page shown.
    bool IsOnCurrentPage(const PaneOwner& owner) const;
    // The owner's pane is on screen: on the page shown, not covered by a maximised pane.
    bool IsShown(const PaneOwner& owner) const;
    // The owner's pane is on the warm page, which is not the page shown. Lock-free.
    bool IsWarming(const PaneOwner& owner) const;

    PaneOwner* RoleCamera(CameraRole role) const;
    PaneOwner* NextRoleCamera(CameraRole role) const;
    void SetRoleCamera(CameraRole role, PaneOwner* owner);
    void SetNextRoleCamera(CameraRole role, PaneOwner* owner);
    // The toolbar's switch-on: see Claim.
    Claim ClaimRole(CameraRole role, PaneOwner& owner);
    // The owner's stop is done: the waiting camera (if any) becomes the owner and is returned.
    PaneOwner* PromoteNextRoleCamera(CameraRole role);
    // `leaving` gave `role` up: the waiting camera takes it over when `leaving` owned it or
    // nobody did (returned); otherwise nothing changes and null is returned.
    PaneOwner* HandOverRole(CameraRole role, const PaneOwner& leaving);

  private:
    struct RoleHolders {
        PaneOwner* current = nullptr;
        PaneOwner* next = nullptr;
    };
    struct Snapshot {
        std::array<PaneState, kPanes> panes;
        PaneOwner* selected = nullptr;
    };
    struct Changes {
        std::bitset<kPanes> geometry;
        std::bitset<kPanes> visibility;
        std::bitset<kPanes> invalidated;
        bool selection = false;
    };

    // Runs `edit` under the lock, brings every pane's derived state up to date, and tells the
    // listener what differs from before, after unlocking.
    template <typename Edit>
    auto Change(Edit&& edit);
    Snapshot TakeSnapshotLocked() const;
    Changes CommitLocked(const Snapshot& before);
    void Dispatch(const Changes& changes) const;

    // The open cameras in display order: page by page, within a page by slot index.
    std::vector<PaneOwner*> OpenInDisplayOrderLocked() const;
    // Deals the panes out afresh for `layout`; every entry is free and no camera has a pane.
    void DealLocked(const SplitLayout& layout);
    void RelayoutLocked(const SplitLayout& layout);
    void PlaceLocked(int width, int height);
    // From `firstPage` on (the camera's own pane when it holds one).
    std::optional<PanePosition> AcquireLocked(PaneOwner& owner, int firstPage = 0);
    bool HoldsLocked(const PaneOwner& owner, int page, int slot) const;
    void ShowPageLocked(int page);
    // Shows the last page when the page shown is past it.
    void KeepShownPageLocked();
    int PageCountLocked() const;
    bool TurnPageLocked(bool forward);
    std::optional<int> PaneAtCursorLocked(int x, int y) const;
    void UnmaximiseLocked();
    RoleHolders& Holders(CameraRole role);
    const RoleHolders& Holders(CameraRole role) const;

    mutable std::mutex lock_;
    std::atomic<CanvasListener*> listener_{nullptr};
    SplitLayout layout_;
    int width_ = 0;
    int height_ = 0;
    std::array<std::array<SlotEntry, kSlotsPerPage>, kPages> slots_{};
    std::array<PaneModel, kPanes> panes_;
    std::atomic<int> curPage_{0};
    std::atomic<int> warmPage_{-1};
    PaneDrag drag_;
    PaneOwner* selected_ = nullptr;
    PaneOwner* full_ = nullptr;
    PanePosition fullPosition_{0, 0};
    RoleHolders audio_;
    RoleHolders talk_;
};

}  // namespace nimbrel
