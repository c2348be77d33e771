// The device tree's context menus as data: which items appear for what was clicked, with their
// labels (in the user's language) and command numbers. The window turns them into a real menu.
// Threading: pure functions, callable from any thread.
#pragma once

#include <string>
#include <vector>

#include "devices/DeviceRecord.h"
#include "devices/DeviceTreeModel.h"

namespace nimbrel {

enum TreeCommand : int {
    kCmdRefreshList = 1034,
    kCmdPlayVideo = 1035,
    kCmdDeleteDevice = 1036,
    kCmdRenameDevice = 1038,
    kCmdManageUsers = 1039,
    kCmdPlayback = 1040,
    kCmdAlarm = 1041,
    kCmdLed = 1042,
    kCmdVoice = 1043,
    kCmdDeviceArchive = 1044,  // the recordings of the device on this computer
    kCmdRenameGroup = 1051,
    kCmdDeleteGroup = 1052,
    kCmdAddGroup = 1053,
    kCmdTourGroup = 1054,  // the wall's tour shows the group's cameras, page by page
    kCmdMoveToGroupBase = 3000,  // + the group's position in the group list
};

struct MenuItem {
    int command = 0;
    std::string label;
    std::vector<MenuItem> submenu;  // for " Переместить в группу..." (command 0)
};

std::vector<MenuItem> EmptySpaceMenu();
std::vector<MenuItem> GroupMenu(int32_t gid);
// `groups` in list order; `ownGid` is the device's group.
std::vector<MenuItem> DeviceMenu(const DeviceRecord& device, const std::vector<TreeGroup>& groups,
                                 int32_t ownGid);

}  // namespace nimbrel
