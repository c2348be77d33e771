// The device tree panel: paints the groups and devices of the tree model itself, scrolls, tracks
// the row under the mouse, selects, drags devices between groups, and runs the per-device and
// group commands of its context menu (with the opening checks, the keypad, the rename and
// password windows, and the request workers whose results come back to this thread). Devices
// whose live view runs carry a play mark, as the window that runs the views tells it.
// Threading: UI thread, except RequestRepaint, which any thread may call. Stop the refresh
// threads and cameras that call in before destroying it.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include <QAbstractScrollArea>
#include <QImage>

#include "devices/DeviceListLoader.h"
#include "devices/DeviceOperations.h"
#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "devices/TreeMenus.h"
#include "devices/ui/DeviceTreePainter.h"
#include "devices/ui/TreeActions.h"
#include "devices/ui/TreeItemRef.h"
#include "platform/UserNotifier.h"
#include "text/Translation.h"

class QLabel;

namespace nimbrel {

class GroupNameEditor;
class RequestWorker;

class DeviceTreeWidget : public QAbstractScrollArea {
    Q_OBJECT

  public:
    static constexpr int kLineStep = 32;
    static constexpr int kHoverEvery = 8;     // the hot row is recomputed on every 8th move
    static constexpr int kDragStartMove = 6;  // a pressed device starts to drag on the 6th move
    static constexpr QPoint kDragHotspot{10, 10};
    static constexpr const char* kCaption = NIMBREL_TR_NOOP("Core", "подсказки");

    DeviceTreeWidget(DeviceTreeModel& model, DeviceList& list, DeviceThumbnails& thumbnails,
                     TreeActions& actions, UserNotifier& notifier, const DeviceServiceContext& ctx,
                     QWidget* parent = nullptr);
    // Writes the groups' expansion back to the account file.
    ~DeviceTreeWidget() override;

    // The model changed (refresh, thumbnails, a renamed device): repaint soon. Any thread; many
    // calls before the repaint cost one.
    void RequestRepaint();
    // Draws the device's row as the hot row (a pane of the wall was selected); the next hover
    // update replaces it.
    void HighlightDevice(const DeviceRecord* device);
    // By device index: whose live view is connecting or playing. Repaints when it changed.
    void SetPlayingMarks(std::vector<bool> playing);
    bool PlayingMarked(int deviceIndex) const;
    // Ends the in-place naming of a group; with `store`, a changed name is saved.
    void CommitGroupRename(bool store);
    // A context-menu command (see TreeCommand) on the current device or the selected group.
    void RunCommand(int command);

    // The device the last click, double-click or menu acted on; -1 before any.
    int CurrentDevice() const { return current_; }
    std::optional<TreeItemRef> SelectedItem() const { return selected_; }
    std::optional<TreeItemRef> HotItem() const { return hot_; }
    bool IsDragging() const { return dragging_; }
    GroupNameEditor* NameEditor() const { return editor_; }
    // The header text of the group in `slot`: "name  [online/total]".
    QString HeaderText(int slot) const;
    // The tooltip at viewport height `y`: a device's whole name (the row may cut it), a group's
    // header; empty between rows.
    QString ToolTipAt(int y);
    // The items of the context menu for a right press at viewport height `y`.
    std::vector<MenuItem> MenuAt(int y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    // --- view (DeviceTreeWidget.cpp) ---
    int Scroll() const;
    std::optional<TreeRow> RowAt(int y, bool toggle);
    void ModelChanged();
    void SyncScrollRange();
    void PlaceEditor();
    void LeftPress(const QPoint& pos);
    void RightPress(const QPoint& pos, const QPoint& globalPos);
    // Makes the row at viewport height `y` (or none) the hot row, repainting if it changed.
    void UpdateHot(int y);
    void StartDrag(const QPoint& globalPos);
    void DragTo(const QPoint& pos, const QPoint& globalPos);
    void EndDrag(const QPoint& pos);
    void SetCurrent(int deviceIndex);

    // --- commands (DeviceTreeWidgetCommands.cpp) ---
    // The opening checks, the keypad and then `open`; `hintOffline` shows the offline notice.
    void OpenDevice(int deviceIndex, bool hintOffline, const std::function<void(int)>& open);
    bool ConfirmPassword();
    void ShowMenu(const std::vector<MenuItem>& items, const QPoint& globalPos);
    void RenameCurrent();
    void DeleteCurrent();
    void ToggleSwitch(DeviceSwitch which);
    void AddGroup();
    void OpenGroupEditor(int32_t gid);
    void DeleteSelectedGroup();
    void MoveCurrentToGroup(int position);
    // Runs `work` on a worker thread; `done` gets its outcome back on this thread.
    void StartWorker(const char* name, std::function<DeviceOpOutcome()> work,
                     std::function<void(const DeviceOpOutcome&)> done);
    void Tell(const std::string& message);

    DeviceTreeModel& model_;
    DeviceList& list_;
    DeviceThumbnails& thumbnails_;
    TreeActions& actions_;
    UserNotifier& notifier_;
    DeviceServiceContext ctx_;
    DeviceTreePainter painter_;

    std::optional<TreeItemRef> selected_;
    std::optional<TreeItemRef> hot_;
    int current_ = -1;
    std::vector<bool> playing_;  // by device index

    // Mouse state.
    bool pressOnDevice_ = false;
    bool dragging_ = false;
    int hoverMoves_ = 0;
    int dragMoves_ = 0;
    int draggedDevice_ = -1;
    std::unique_ptr<QLabel> dragImage_;
    std::vector<std::pair<int32_t, bool>> expansionBeforeDrag_;  // each group's, by gid

    GroupNameEditor* editor_;
    std::optional<int32_t> editorGid_;  // the group being named
    int wheelRemainder_ = 0;            // wheel angle not yet turned into a line

    std::atomic<bool> repaintPending_{false};
    std::list<std::unique_ptr<RequestWorker>> workers_;
};

}  // namespace nimbrel
