#include "devices/TreeMenus.h"

#include "text/Translation.h"

namespace nimbrel {

std::vector<MenuItem> EmptySpaceMenu() {
    return {{kCmdAddGroup, text::Tr("Core", "Добавить группу"), {}},
            {kCmdRefreshList, text::Tr("Core", "Обновить список"), {}}};
}

std::vector<MenuItem> GroupMenu(int32_t gid) {
    std::vector<MenuItem> items{{kCmdAddGroup, text::Tr("Core", "Добавить группу"), {}}};
    if (gid != 0) {
        items.push_back({kCmdDeleteGroup, text::Tr("Core", "Удалить группу"), {}});
        items.push_back({kCmdRenameGroup, text::Tr("Core", "Переименовать группу"), {}});
    }
    items.push_back({kCmdTourGroup, text::Tr("Core", "Обход камер группы"), {}});
    return items;
}

std::vector<MenuItem> DeviceMenu(const DeviceRecord& device, const std::vector<TreeGroup>& groups,
                                 int32_t ownGid) {
    const bool online = device.IsOnline();
    std::vector<MenuItem> items{{kCmdRefreshList, text::Tr("Core", "Обновить список"), {}}};
    if (online) items.push_back({kCmdPlayVideo, text::Tr("Core", "Воспроизвести видео"), {}});
    items.push_back({kCmdDeleteDevice, text::Tr("Core", "Удалить устройство"), {}});
    if (online) items.push_back({kCmdPlayback, text::Tr("Core", "Видеоархив"), {}});
    if (device.showAlarm == 1 && online)
        items.push_back({kCmdAlarm, text::Tr("Core", "Настройки сигнала тревоги"), {}});
    if (device.showLED != 0)
        items.push_back({kCmdLed,
                         device.ledStatus == 1 ? text::Tr("Core", "Отключить индикатор состояния")
                                               : text::Tr("Core", "Включить индикатор состояния"),
                         {}});
    if (device.showSound != 0)
        items.push_back({kCmdVoice,
                         device.soundLeadStatus == 1
                             ? text::Tr("Core", "Отключить голосовые подсказки")
                             : text::Tr("Core", "Включить голосовые подсказки"),
                         {}});
    items.push_back({kCmdRenameDevice, text::Tr("Core", "Переименовать устройство"), {}});
    if (device.IsOwner())
        items.push_back({kCmdManageUsers, text::Tr("Core", "Управление пользователями"), {}});
    if (groups.size() > 1) {
        MenuItem move{0, text::Tr("Core", " Переместить в группу..."), {}};
        for (std::size_t k = 0; k < groups.size(); ++k)
            if (groups[k].gid != ownGid)
                move.submenu.push_back({kCmdMoveToGroupBase + static_cast<int>(k),
                                        DeviceTreeModel::ShownName(groups[k]),
                                        {}});
        items.push_back(std::move(move));
    }
    // The recordings of this computer, whatever the device's state: after the card's items.
    items.push_back({kCmdDeviceArchive, text::Tr("Core", "Архив записей"), {}});
    return items;
}

}  // namespace nimbrel
