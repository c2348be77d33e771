// The device groups as the account file keeps them under "config4": "GroupList" with one
// "Group" per group (text: name; GID; EXPAND) and "CameraList" with one "Camera" per device the
// account has had (GroupID, Id, VideoStore).
// Threading: as the AccountFile it works on.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/AccountFile.h"

namespace nimbrel {

struct GroupEntry {
    int32_t gid = 0;
    std::string name;
    bool expanded = true;
};

struct CameraEntry {
    int32_t groupId = 0;
    bool videoStore = false;
};

// The groups in file order; a GID that appeared before is skipped, and so is anything past
// `maxGroups`.
std::vector<GroupEntry> ReadGroupList(const AccountFile& file, std::size_t maxGroups);
// The first "Camera" whose Id is `sid` (exact comparison).
std::optional<CameraEntry> FindCamera(const AccountFile& file, std::string_view sid);

bool AddCamera(AccountFile& file, std::string_view sid, int32_t gid);
bool SetCameraGroup(AccountFile& file, std::string_view sid, int32_t gid);
bool RemoveCamera(AccountFile& file, std::string_view sid);
// Every "Camera" of group `from` moves to group `to`.
void MoveGroupCameras(AccountFile& file, int32_t from, int32_t to);

bool AddGroupElement(AccountFile& file, const GroupEntry& group);
bool SetGroupName(AccountFile& file, int32_t gid, std::string_view name);
bool SetGroupExpanded(AccountFile& file, int32_t gid, bool expanded);
bool RemoveGroupElement(AccountFile& file, int32_t gid);

}  // namespace nimbrel
