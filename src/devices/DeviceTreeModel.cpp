#include "devices/DeviceTreeModel.h"

#include <algorithm>

#include "devices/DeviceGroupsFile.h"
#include "platform/Log.h"
#include "service/AccountStore.h"
#include "text/Translation.h"

namespace nimbrel {

DeviceTreeModel::DeviceTreeModel(DeviceList& list, const std::filesystem::path& accountFile)
    : list_(list), store_(AccountStore::For(accountFile)) {}

int DeviceTreeModel::SlotOf(int32_t gid) const {
    for (std::size_t i = 0; i < groups_.size(); ++i)
        if (groups_[i].gid == gid) return static_cast<int>(i);
    return -1;
}

void DeviceTreeModel::Place(int deviceIndex, int32_t gid) {
    const int slot = SlotOf(gid);
    if (slot >= 0) groups_[static_cast<std::size_t>(slot)].devices.push_back(deviceIndex);
}

bool DeviceTreeModel::Fill(const RecordingMark& mark) {
    std::lock_guard guard(lock_);
    return store_.Change([&](AccountFile& file) {
        groups_.clear();
        for (const GroupEntry& e : ReadGroupList(file, kMaxGroups))
            groups_.push_back({e.gid, e.name, e.expanded, {}});
        const int n = list_.Count();
        for (int i = 0; i < n; ++i) {
            DeviceRecord* device = list_.At(i);
            if (const auto camera = FindCamera(file, device->Sid())) {
                if (camera->videoStore && mark) mark(*device);
                Place(i, camera->groupId);  // an unknown group: listed in the file, not shown
            } else {
                AddCamera(file, device->Sid(), 0);
                Place(i, 0);
            }
        }
        return true;
    });
}

bool DeviceTreeModel::Update() {
    std::lock_guard guard(lock_);
    return store_.Change([&](AccountFile& file) {
        const int n = list_.Count();
        for (int i = 0; i < n; ++i) {
            DeviceRecord* device = list_.At(i);
            bool shown = false;
            for (auto& g : groups_) {
                auto it = std::find(g.devices.begin(), g.devices.end(), i);
                if (it == g.devices.end()) continue;
                shown = true;
                if (device->seen == 0) {
                    g.devices.erase(it);
                    RemoveCamera(file, device->Sid());
                }
            }
            if (!shown && device->seen == 1) {
                auto camera = FindCamera(file, device->Sid());
                if (!camera) {
                    AddCamera(file, device->Sid(), 0);
                    camera = CameraEntry{};
                }
                Place(i, camera->groupId);
            }
        }
        return true;
    });
}

std::vector<TreeGroup> DeviceTreeModel::Groups() const {
    std::lock_guard guard(lock_);
    return groups_;
}

std::vector<TreeRow> DeviceTreeModel::RowsLocked() const {
    std::vector<TreeRow> rows;
    int top = 0;
    for (std::size_t slot = 0; slot < groups_.size(); ++slot) {
        const TreeGroup& g = groups_[slot];
        rows.push_back({TreeRow::Kind::Group, static_cast<int>(slot), -1, top, kHeaderHeight});
        top += kHeaderHeight;
        if (!g.expanded) continue;
        for (bool online : {true, false})
            for (int index : g.devices) {
                const DeviceRecord* d = list_.At(index);
                if (!d || d->IsOnline() != online) continue;
                rows.push_back(
                    {TreeRow::Kind::Device, static_cast<int>(slot), index, top, kDeviceHeight});
                top += kDeviceHeight;
            }
    }
    return rows;
}

std::vector<TreeRow> DeviceTreeModel::Rows() const {
    std::lock_guard guard(lock_);
    return RowsLocked();
}

int DeviceTreeModel::ContentHeight() const {
    const auto rows = Rows();
    return rows.empty() ? 0 : rows.back().top + rows.back().height;
}

std::optional<TreeRow> DeviceTreeModel::ItemAt(int y, int scroll, bool toggle) {
    std::lock_guard guard(lock_);
    for (const TreeRow& row : RowsLocked()) {
        if (row.top - scroll + row.height < y) continue;
        if (toggle && row.kind == TreeRow::Kind::Group) {
            auto& g = groups_[static_cast<std::size_t>(row.groupSlot)];
            g.expanded = !g.expanded;
        }
        return row;
    }
    return std::nullopt;
}

std::pair<int, int> DeviceTreeModel::Counts(int slot) const {
    std::lock_guard guard(lock_);
    if (slot < 0 || slot >= static_cast<int>(groups_.size())) return {0, 0};
    const auto& devices = groups_[static_cast<std::size_t>(slot)].devices;
    const int online = static_cast<int>(std::count_if(devices.begin(), devices.end(), [&](int i) {
        const DeviceRecord* d = list_.At(i);
        return d && d->IsOnline();
    }));
    return {online, static_cast<int>(devices.size())};
}

std::optional<int32_t> DeviceTreeModel::GroupOf(int deviceIndex) const {
    std::lock_guard guard(lock_);
    for (const auto& g : groups_)
        if (std::find(g.devices.begin(), g.devices.end(), deviceIndex) != g.devices.end())
            return g.gid;
    return std::nullopt;
}

std::string DeviceTreeModel::ShownName(const TreeGroup& group) {
    return group.name == kDefaultGroupName ? text::Tr("Core", kDefaultGroupName) : group.name;
}

std::optional<int32_t> DeviceTreeModel::AddGroup() {
    std::lock_guard guard(lock_);
    if (groups_.size() >= kMaxGroups) return std::nullopt;
    int32_t gid = 0;
    // A new group is the user's to name: it starts with a name in the user's language.
    const std::string name = text::Tr("Core", kNewGroupName);
    const bool ok = store_.Change([&](AccountFile& file) {
        for (const GroupEntry& e : ReadGroupList(file, SIZE_MAX)) gid = std::max(gid, e.gid);
        gid += 1;
        return AddGroupElement(file, {gid, name, false});
    });
    if (!ok) return std::nullopt;
    groups_.push_back({gid, name, false, {}});
    return gid;
}

bool DeviceTreeModel::RenameGroup(int32_t gid, const std::string& name) {
    std::lock_guard guard(lock_);
    const int slot = SlotOf(gid);
    if (slot < 0 || !store_.Change([&](AccountFile& f) { return SetGroupName(f, gid, name); }))
        return false;
    groups_[static_cast<std::size_t>(slot)].name = name;
    return true;
}

bool DeviceTreeModel::DeleteGroup(int32_t gid) {
    std::lock_guard guard(lock_);
    const int slot = SlotOf(gid);
    const int home = SlotOf(0);
    if (gid == 0 || slot < 0) return false;
    const bool ok = store_.Change([&](AccountFile& f) {
        MoveGroupCameras(f, gid, 0);
        return RemoveGroupElement(f, gid);
    });
    if (!ok) return false;
    std::vector<int> moved = std::move(groups_[static_cast<std::size_t>(slot)].devices);
    groups_.erase(groups_.begin() + slot);
    if (home >= 0) {
        auto& defaults = groups_[static_cast<std::size_t>(SlotOf(0))].devices;
        defaults.insert(defaults.end(), moved.begin(), moved.end());
    }
    return true;
}

bool DeviceTreeModel::MoveDevice(int deviceIndex, int32_t gid) {
    const DeviceRecord* device = list_.At(deviceIndex);
    std::lock_guard guard(lock_);
    if (!device || SlotOf(gid) < 0) return false;
    if (!store_.Change([&](AccountFile& f) { return SetCameraGroup(f, device->Sid(), gid); }))
        return false;
    for (auto& g : groups_) std::erase(g.devices, deviceIndex);
    Place(deviceIndex, gid);
    return true;
}

bool DeviceTreeModel::RemoveDevice(int deviceIndex) {
    const DeviceRecord* device = list_.At(deviceIndex);
    std::lock_guard guard(lock_);
    if (!device) return false;
    for (auto& g : groups_) std::erase(g.devices, deviceIndex);
    return store_.Change([&](AccountFile& f) { return RemoveCamera(f, device->Sid()); });
}

void DeviceTreeModel::SetExpanded(int32_t gid, bool expanded) {
    std::lock_guard guard(lock_);
    if (const int slot = SlotOf(gid); slot >= 0)
        groups_[static_cast<std::size_t>(slot)].expanded = expanded;
}

void DeviceTreeModel::CollapseAll() {
    std::lock_guard guard(lock_);
    for (auto& g : groups_) g.expanded = false;
}

bool DeviceTreeModel::SaveExpansion() {
    std::lock_guard guard(lock_);
    return store_.Change([&](AccountFile& f) {
        for (const auto& g : groups_) SetGroupExpanded(f, g.gid, g.expanded);
        return true;
    });
}

}  // namespace nimbrel
