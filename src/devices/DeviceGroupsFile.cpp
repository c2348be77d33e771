#include "devices/DeviceGroupsFile.h"

#include <algorithm>

#include "text/NumberText.h"

namespace nimbrel {
namespace {

XmlElement List(const AccountFile& file, std::string_view name) {
    return file.Document().Root().Child("config4").Child(name);
}

// The list element, made (with config4) when the file lacks it.
XmlElement ListForWriting(AccountFile& file, std::string_view name) {
    XmlElement root = file.Document().Root();
    XmlElement c4 = root.Child("config4");
    if (!c4) c4 = root.AddChild("config4");
    XmlElement list = c4.Child(name);
    return list ? list : c4.AddChild(name);
}

XmlElement FindCameraElement(const AccountFile& file, std::string_view sid) {
    for (XmlElement c = List(file, "CameraList").Child("Camera"); c; c = c.Next("Camera"))
        if (c.Attribute("Id") == sid) return c;
    return {};
}

XmlElement FindGroupElement(const AccountFile& file, int32_t gid) {
    for (XmlElement g = List(file, "GroupList").Child("Group"); g; g = g.Next("Group"))
        if (AtoiText(g.Attribute("GID").value_or("")) == gid) return g;
    return {};
}

}  // namespace

std::vector<GroupEntry> ReadGroupList(const AccountFile& file, std::size_t maxGroups) {
    std::vector<GroupEntry> groups;
    for (XmlElement g = List(file, "GroupList").Child("Group"); g && groups.size() < maxGroups;
         g = g.Next("Group")) {
        GroupEntry entry{AtoiText(g.Attribute("GID").value_or("")), g.Text(),
                         g.Attribute("EXPAND").value_or("1") == "1"};
        const bool known = std::any_of(groups.begin(), groups.end(),
                                       [&](const GroupEntry& e) { return e.gid == entry.gid; });
        if (!known) groups.push_back(std::move(entry));
    }
    return groups;
}

std::optional<CameraEntry> FindCamera(const AccountFile& file, std::string_view sid) {
    const XmlElement c = FindCameraElement(file, sid);
    if (!c) return std::nullopt;
    return CameraEntry{AtoiText(c.Attribute("GroupID").value_or("")),
                       c.Attribute("VideoStore") == "1"};
}

bool AddCamera(AccountFile& file, std::string_view sid, int32_t gid) {
    XmlElement c = ListForWriting(file, "CameraList").AddChild("Camera");
    return c.SetAttribute("GroupID", std::to_string(gid)) && c.SetAttribute("Id", sid) &&
           c.SetAttribute("VideoStore", "0");
}

bool SetCameraGroup(AccountFile& file, std::string_view sid, int32_t gid) {
    return FindCameraElement(file, sid).SetAttribute("GroupID", std::to_string(gid));
}

bool RemoveCamera(AccountFile& file, std::string_view sid) {
    return FindCameraElement(file, sid).Remove();
}

void MoveGroupCameras(AccountFile& file, int32_t from, int32_t to) {
    for (XmlElement c = List(file, "CameraList").Child("Camera"); c; c = c.Next("Camera"))
        if (AtoiText(c.Attribute("GroupID").value_or("")) == from)
            c.SetAttribute("GroupID", std::to_string(to));
}

bool AddGroupElement(AccountFile& file, const GroupEntry& group) {
    XmlElement g = ListForWriting(file, "GroupList").AddChild("Group", group.name);
    return g.SetAttribute("GID", std::to_string(group.gid)) &&
           g.SetAttribute("EXPAND", group.expanded ? "1" : "0");
}

bool SetGroupName(AccountFile& file, int32_t gid, std::string_view name) {
    return FindGroupElement(file, gid).SetText(name);
}

bool SetGroupExpanded(AccountFile& file, int32_t gid, bool expanded) {
    return FindGroupElement(file, gid).SetAttribute("EXPAND", expanded ? "1" : "0");
}

bool RemoveGroupElement(AccountFile& file, int32_t gid) {
    return FindGroupElement(file, gid).Remove();
}

}  // namespace nimbrel
