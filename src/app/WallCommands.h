// The title band's commands on every camera at once: play all and stop all, and which devices the
// tree marks as playing; a group's cameras played for the wall's tour.
// Threading: the UI thread (the cameras' own threads do the starting and stopping).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "app/ClientSession.h"

namespace nimbrel {

// Starts the live view of every device that opens without a question (online, no video lock, not
// locked by an administrator), in list order, each as a double click would: into the next free
// pane, and a failed view is started again. When the panes run out the camera that found none
// has told the user, and the rest are not tried, so that the notice shows once. Returns the
// cameras that had no pane before and were given one.
std::vector<CCamera*> PlayAllCameras(ClientSession& session);
// The cameras of the tree's group `gid`, in the group's order, each started as play all starts
// it (those that open without a question); nothing when there is no such group.
std::optional<std::vector<CCamera*>> PlayGroupCameras(ClientSession& session, int32_t gid);
// Asks every camera with a view to stop, as the toolbar's stop does for one.
void StopAllCameras(ClientSession& session);
// By device index: the camera's view is connecting or playing (it holds a pane and has not
// failed).
std::vector<bool> PlayingDevices(ClientSession& session);

}  // namespace nimbrel
