// The tree's commands: the context menu, opening a device with its checks, the device
// operations on worker threads, and the group commands.
#include <QMenu>
#include <QScrollBar>

#include "devices/VideoLock.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "devices/ui/GroupNameEditor.h"
#include "devices/ui/RenameDialog.h"
#include "devices/ui/VideoLockDialog.h"
#include "platform/FixedText.h"
#include "platform/RequestWorker.h"
#include "service/ui/PasswordConfirmDialog.h"
#include "widgets/CoreText.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel {
namespace {

void AddItems(QMenu& menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        const QString label = QString::fromStdString(item.label);
        if (!item.submenu.empty()) {
            AddItems(*menu.addMenu(label), item.submenu);
            continue;
        }
        menu.addAction(label)->setData(item.command);
    }
}

}  // namespace

void DeviceTreeWidget::ShowMenu(const std::vector<MenuItem>& items, const QPoint& globalPos) {
    QMenu menu(this);
    AddItems(menu, items);
    if (const QAction* chosen = menu.exec(globalPos)) RunCommand(chosen->data().toInt());
}

void DeviceTreeWidget::RunCommand(int command) {
    switch (command) {
        case kCmdRefreshList:
            actions_.StartRefresh();
            return;
        case kCmdPlayVideo:
            OpenDevice(current_, false, [this](int index) { actions_.PlayDevice(index); });
            return;
        case kCmdDeleteDevice:
            DeleteCurrent();
            return;
        case kCmdRenameDevice:
            RenameCurrent();
            return;
        case kCmdManageUsers:
            if (list_.At(current_) && ConfirmPassword()) actions_.ManageUsers(current_);
            return;
        case kCmdPlayback:
            OpenDevice(current_, false, [this](int index) { actions_.Playback(index); });
            return;
        case kCmdDeviceArchive:
            if (list_.At(current_)) actions_.Archive(current_);
            break;
        case kCmdAlarm:
            if (selected_ && selected_->IsDevice()) actions_.Alarm(selected_->deviceIndex);
            return;
        case kCmdLed:
            ToggleSwitch(DeviceSwitch::Led);
            return;
        case kCmdVoice:
            ToggleSwitch(DeviceSwitch::Voice);
            return;
        case kCmdRenameGroup:
            if (selected_ && selected_->IsGroup() && selected_->gid != 0)
                OpenGroupEditor(selected_->gid);
            return;
        case kCmdDeleteGroup:
            DeleteSelectedGroup();
            return;
        case kCmdAddGroup:
            AddGroup();
            return;
        case kCmdTourGroup:
            if (selected_ && selected_->IsGroup()) actions_.TourGroup(selected_->gid);
            return;
        default:
            if (command >= kCmdMoveToGroupBase && command <= kCmdMoveToGroupBase + 100)
                MoveCurrentToGroup(command - kCmdMoveToGroupBase);
            return;
    }
}

// --- opening a device ---

void DeviceTreeWidget::OpenDevice(int deviceIndex, bool hintOffline,
                                  const std::function<void(int)>& open) {
    const DeviceRecord* device = list_.At(deviceIndex);
    if (!device) return;
    switch (CheckDeviceOpening(*device)) {
        case OpenCheck::AdminLocked:
            notifier_.MessageBox(kAdminLockMessage, kCaption);
            return;
        case OpenCheck::Offline:
            if (hintOffline) notifier_.ShowTip(kDeviceOfflineNotice, 1000);
            return;
        case OpenCheck::NeedsCode: {
            VideoLockDialog keypad(ctx_.g, *device, notifier_, this);
            if (keypad.exec() != QDialog::Accepted) return;
            break;
        }
        case OpenCheck::Open:
            break;
    }
    open(deviceIndex);
}

bool DeviceTreeWidget::ConfirmPassword() {
    PasswordConfirmDialog dialog(std::string(GetText(ctx_.app.m_StoredPassword)), this);
    return dialog.exec() == QDialog::Accepted;
}

// --- device operations ---

void DeviceTreeWidget::StartWorker(const char* name, std::function<DeviceOpOutcome()> work,
                                   std::function<void(const DeviceOpOutcome&)> done) {
    workers_.remove_if([](const std::unique_ptr<RequestWorker>& w) { return !w->Running(); });
    auto worker = std::make_unique<RequestWorker>(name);
    // The delivery runs on the worker's thread and only posts; a window that goes away abandons
    // its workers first, and Qt drops events posted to a deleted window.
    const bool started = worker->Start<DeviceOpOutcome>(
        std::move(work), [this, done = std::move(done)](DeviceOpOutcome& outcome) {
            QMetaObject::invokeMethod(
                this, [done, outcome] { done(outcome); }, Qt::QueuedConnection);
        });
    if (started) workers_.push_back(std::move(worker));
}

void DeviceTreeWidget::Tell(const std::string& message) {
    if (!message.empty()) notifier_.MessageBox(message, kCaption);
}

void DeviceTreeWidget::RenameCurrent() {
    DeviceRecord* device = list_.At(current_);
    if (!device) return;
    RenameDialog dialog(device->Name(), notifier_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The worker renames the device it was started for, whatever is clicked meanwhile.
    StartWorker(
        "dev-rename",
        [ctx = ctx_, device, name = dialog.NewName()] { return RenameDevice(ctx, *device, name); },
        [this](const DeviceOpOutcome& outcome) {
            Tell(outcome.message);
            if (outcome.ok) viewport()->update();
        });
}

void DeviceTreeWidget::DeleteCurrent() {
    const int index = current_;
    const DeviceRecord* device = list_.At(index);
    if (!device || !ConfirmPassword()) return;
    StartWorker(
        "dev-delete", [ctx = ctx_, device] { return DeleteDevice(ctx, *device); },
        [this, index](const DeviceOpOutcome& outcome) {
            if (outcome.ok) {
                model_.RemoveDevice(index);
                if (selected_ == TreeItemRef::Device(index)) selected_.reset();
                if (hot_ == TreeItemRef::Device(index)) hot_.reset();
                actions_.DeviceDeleted(index);
                ModelChanged();
            }
            Tell(outcome.message);
        });
}

void DeviceTreeWidget::ToggleSwitch(DeviceSwitch which) {
    DeviceRecord* device = list_.At(current_);
    if (!device) return;
    StartWorker(
        which == DeviceSwitch::Led ? "dev-led" : "dev-voice",
        [ctx = ctx_, device, which] { return ToggleDeviceSwitch(ctx, *device, which); },
        [this](const DeviceOpOutcome& outcome) { Tell(outcome.message); });
}

// --- groups ---

void DeviceTreeWidget::AddGroup() {
    const std::optional<int32_t> gid = model_.AddGroup();
    if (!gid) {
        if (model_.Groups().size() >= DeviceTreeModel::kMaxGroups)
            notifier_.MessageBox(DeviceTreeModel::kTooManyGroupsMessage, kCaption);
        return;
    }
    selected_ = TreeItemRef::Group(*gid);
    ModelChanged();
    // The new group is the last, collapsed row: scroll it into view and let the user type its
    // name at once.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    OpenGroupEditor(*gid);
}

void DeviceTreeWidget::DeleteSelectedGroup() {
    if (!selected_ || !selected_->IsGroup() || selected_->gid == 0) return;
    const int32_t gid = selected_->gid;
    std::string name;
    for (const TreeGroup& group : model_.Groups())
        if (group.gid == gid) name = group.name;
    if (!FramedMessageBox::Ask(
            this, CoreText(kCaption),
            tr("Вы действительно хотите удалить группу[%1]？").arg(QString::fromStdString(name)),
            FramedMessageBox::Buttons::OkCancel))
        return;
    if (editorGid_ == gid) CommitGroupRename(false);
    model_.DeleteGroup(gid);
    selected_.reset();
    ModelChanged();
}

void DeviceTreeWidget::MoveCurrentToGroup(int position) {
    const std::vector<TreeGroup> groups = model_.Groups();
    if (position < 0 || position >= static_cast<int>(groups.size()) || !list_.At(current_)) return;
    model_.MoveDevice(current_, groups[static_cast<std::size_t>(position)].gid);
    ModelChanged();
}

}  // namespace nimbrel
