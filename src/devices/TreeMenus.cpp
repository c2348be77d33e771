#include "devices/TreeMenus.h"

namespace nimbrel {

std::vector<MenuItem> EmptySpaceMenu() {
    return {{kCmdAddGroup, "Добавить группу", {}}, {kCmdRefreshList, "Обновить список", {}}};
}

std::vector<MenuItem> GroupMenu(int32_t gid) {
    std::vector<MenuItem> items{{kCmdAddGroup, "Добавить группу", {}}};
    if (gid != 0) {
        items.push_back({kCmdDeleteGroup, "Удалить группу", {}});
        items.push_back({kCmdRenameGroup, "Переименовать группу", {}});
    }
    return items;
}

std::vector<MenuItem> DeviceMenu(const DeviceRecord& device, const std::vector<TreeGroup>& groups,
                                 int32_t ownGid) {
    const bool online = device.IsOnline();
    std::vector<MenuItem> items{{kCmdRefreshList, "Обновить список", {}}};
    if (online) items.push_back({kCmdPlayVideo, "Воспроизвести видео", {}});
    items.push_back({kCmdDeleteDevice, "Удалить устройство", {}});
    if (online) items.push_back({kCmdPlayback, "Видеоархив", {}});
    if (device.showAlarm == 1 && online) items.push_back({kCmdAlarm, "Настройки сигнала тревоги", {}});
    if (device.showLED != 0)
        items.push_back({kCmdLed, device.ledStatus == 1 ? "Отключить индикатор состояния"
                                                        : "Включить индикатор состояния", {}});
    if (device.showSound != 0)
        items.push_back({kCmdVoice, device.soundLeadStatus == 1 ? "Отключить голосовые подсказки"
                                                                : "Включить голосовые подсказки", {}});
    items.push_back({kCmdRenameDevice, "Переименовать устройство", {}});
    if (device.IsOwner()) items.push_back({kCmdManageUsers, "Управление пользователями", {}});
    if (groups.size() > 1) {
        MenuItem move{0, " Переместить в группу...", {}};
        for (std::size_t k = 0; k < groups.size(); ++k)
            if (groups[k].gid != ownGid)
                move.submenu.push_back({kCmdMoveToGroupBase + static_cast<int>(k), groups[k].name, {}});
        items.push_back(std::move(move));
    }
    return items;
}

}  // namespace nimbrel
