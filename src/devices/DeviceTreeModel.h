// The device tree without its window: groups of devices as the account file's "config4" keeps
// them, the rows in display order (online devices first in each group), hit testing, and the
// group and move commands, each written through to the account file.
// Threading: every method may be called from any thread; one lock guards the model, and readers
// get copies, so the refresh threads may update it while the UI thread paints. Every change of
// the file is a load, change and save through the file's AccountStore, taken while the model's
// lock is held (model, then file: never the other way round).
#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devices/DeviceList.h"
#include "text/Translation.h"

namespace nimbrel {

class AccountStore;

struct TreeGroup {
    int32_t gid = 0;
    std::string name;
    bool expanded = true;
    std::vector<int> devices;  // device-list indexes, in insertion order
};

struct TreeRow {
    enum class Kind { Group, Device };
    Kind kind = Kind::Group;
    int groupSlot = 0;
    int deviceIndex = -1;  // for device rows
    int top = 0;           // in content coordinates
    int height = 0;
};

class DeviceTreeModel {
  public:
    static constexpr int kMaxGroups = 32;
    static constexpr int kHeaderHeight = 22;
    static constexpr int kDeviceHeight = 82;
    // The name a new account file gives its first group; the file keeps it as written, and the
    // tree shows it in the user's language (ShownName).
    static constexpr const char* kDefaultGroupName = NIMBREL_TR_NOOP("Core", "Выбрать вручную");
    static constexpr const char* kNewGroupName = NIMBREL_TR_NOOP("Core", "Моя группа");
    static constexpr const char* kTooManyGroupsMessage =
        NIMBREL_TR_NOOP("Core", "Количество групп достигло придела.");

    // The name `group` is shown with: its own, except the first group's name as a new file
    // writes it, which is shown in the user's language.
    static std::string ShownName(const TreeGroup& group);

    // Called at fill for each device whose "VideoStore" is "1".
    using RecordingMark = std::function<void(DeviceRecord&)>;

    DeviceTreeModel(DeviceList& list, const std::filesystem::path& accountFile);

    // Builds the groups from the account file and places every device of the list; devices the
    // file does not know join the default group and the file. False when the file cannot be
    // loaded (the tree stays empty).
    bool Fill(const RecordingMark& mark = {});
    // After a refresh: devices no longer seen leave the tree and the file, newly seen ones join.
    // The caller makes sure that no refresh changes `seen` meanwhile.
    bool Update();

    std::vector<TreeGroup> Groups() const;
    std::vector<TreeRow> Rows() const;
    int ContentHeight() const;
    // The row whose bottom edge is first at or below `y` (a client coordinate, content shifted by
    // `scroll`); with `toggle`, a group header hit flips its expansion. None below the last row.
    std::optional<TreeRow> ItemAt(int y, int scroll, bool toggle);
    // Online and total devices of the group in `slot`.
    std::pair<int, int> Counts(int slot) const;
    // The GID of the group showing the device, or nothing.
    std::optional<int32_t> GroupOf(int deviceIndex) const;

    // Adds "Моя группа" (GID one above the largest), collapsed. The new GID, or nothing when
    // 32 groups exist already (the caller shows kTooManyGroupsMessage) or the file fails.
    std::optional<int32_t> AddGroup();
    bool RenameGroup(int32_t gid, const std::string& name);
    // Moves the group's devices to the end of the default group and removes it (not GID 0).
    bool DeleteGroup(int32_t gid);
    bool MoveDevice(int deviceIndex, int32_t gid);
    // Removes a deleted device's row and its "Camera" element.
    bool RemoveDevice(int deviceIndex);

    void SetExpanded(int32_t gid, bool expanded);
    void CollapseAll();
    // Writes every group's expansion into the file (when the tree goes away).
    bool SaveExpansion();

  private:
    int SlotOf(int32_t gid) const;  // -1 when none; caller holds lock_
    std::vector<TreeRow> RowsLocked() const;
    void Place(int deviceIndex, int32_t gid);

    DeviceList& list_;
    AccountStore& store_;
    mutable std::mutex lock_;
    std::vector<TreeGroup> groups_;
};

}  // namespace nimbrel
