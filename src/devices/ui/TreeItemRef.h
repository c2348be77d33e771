// Names one row of the device tree independently of its position: a group by its GID, a device
// by its list index. Rows move when devices go on- or offline or groups close; the names stay.
// Threading: a plain value.
#pragma once

#include <cstdint>
#include <vector>

#include "devices/DeviceTreeModel.h"

namespace nimbrel {

struct TreeItemRef {
    TreeRow::Kind kind = TreeRow::Kind::Group;
    int32_t gid = 0;       // of a group row
    int deviceIndex = -1;  // of a device row

    static TreeItemRef Group(int32_t gid) { return {TreeRow::Kind::Group, gid, -1}; }
    static TreeItemRef Device(int deviceIndex) { return {TreeRow::Kind::Device, 0, deviceIndex}; }
    static TreeItemRef Of(const TreeRow& row, const std::vector<TreeGroup>& groups) {
        if (row.kind == TreeRow::Kind::Device) return Device(row.deviceIndex);
        const bool known = row.groupSlot >= 0 && row.groupSlot < static_cast<int>(groups.size());
        return Group(known ? groups[static_cast<std::size_t>(row.groupSlot)].gid : -1);
    }

    bool IsDevice() const { return kind == TreeRow::Kind::Device; }
    bool IsGroup() const { return kind == TreeRow::Kind::Group; }

    friend bool operator==(const TreeItemRef& a, const TreeItemRef& b) {
        return a.kind == b.kind &&
               (a.kind == TreeRow::Kind::Device ? a.deviceIndex == b.deviceIndex : a.gid == b.gid);
    }
};

}  // namespace nimbrel
