// What the device tree asks of the window that hosts it: the actions that reach beyond the tree
// (live view, refresh, playback, alarm, sharing, a group's tour, stopping a deleted device's
// camera).
// Threading: every call comes on the UI thread.
#pragma once

#include <cstdint>

namespace nimbrel {

class TreeActions {
  public:
    virtual ~TreeActions() = default;

    // Start live view of the device. The tree has already made the opening checks (administrator
    // lock, online) and, for a locked device, the keypad was answered correctly.
    virtual void PlayDevice(int deviceIndex) = 0;
    // "Обновить список": start a manual refresh unless one is running.
    virtual void StartRefresh() = 0;
    // "Видеоархив": the playback window; the lock checks and the keypad are done.
    virtual void Playback(int deviceIndex) = 0;
    // "Архив записей": the recordings of the device on this computer.
    virtual void Archive(int /*deviceIndex*/) {}
    // "Обход камер группы": the wall's tour shows the group's cameras, page by page.
    virtual void TourGroup(int32_t /*gid*/) {}
    // "Настройки сигнала тревоги": the alarm schedule window.
    virtual void Alarm(int deviceIndex) = 0;
    // "Управление пользователями": the sharing window; the account password was confirmed.
    virtual void ManageUsers(int deviceIndex) = 0;
    // The service deleted the device and the tree dropped it: stop its live view.
    virtual void DeviceDeleted(int deviceIndex) = 0;
    // A click, double-click or context menu acted on this device (the current device).
    virtual void CurrentDeviceChanged(int deviceIndex) = 0;
};

}  // namespace nimbrel
