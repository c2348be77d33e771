#include "app/WallCommands.h"

#include "devices/VideoLock.h"

namespace nimbrel {

std::vector<CCamera*> PlayAllCameras(ClientSession& session) {
    std::vector<CCamera*> started;
    for (int i = 0, n = session.List().Count(); i < n; ++i) {
        CCamera* camera = session.Camera(i);
        if (!camera || CheckDeviceOpening(*camera) != OpenCheck::Open) continue;
        const bool hadPane = camera->m_nPage >= 0;
        // A camera whose view runs is left alone by the start; false means no pane was free.
        if (!camera->CameraStart()) break;
        if (!hadPane && camera->m_nPage >= 0) started.push_back(camera);
    }
    return started;
}

std::optional<std::vector<CCamera*>> PlayGroupCameras(ClientSession& session, int32_t gid) {
    for (const TreeGroup& group : session.Tree().Groups()) {
        if (group.gid != gid) continue;
        std::vector<CCamera*> cameras;
        for (const int index : group.devices) {
            CCamera* camera = session.Camera(index);
            if (!camera) continue;
            // A camera with no pane left is not tried further: the user was told once.
            if (camera->m_nPage < 0 && CheckDeviceOpening(*camera) == OpenCheck::Open &&
                !camera->CameraStart())
                break;
            cameras.push_back(camera);
        }
        return cameras;
    }
    return std::nullopt;
}

void StopAllCameras(ClientSession& session) {
    for (int i = 0, n = session.List().Count(); i < n; ++i)
        if (CCamera* camera = session.Camera(i)) camera->RequestStop();
}

std::vector<bool> PlayingDevices(ClientSession& session) {
    const int n = session.List().Count();
    std::vector<bool> playing(static_cast<std::size_t>(n), false);
    for (int i = 0; i < n; ++i) {
        const CCamera* camera = session.Camera(i);
        // A start takes the pane before it says that it connects: a camera with a pane counts
        // until its view fails or gives the pane back.
        playing[static_cast<std::size_t>(i)] =
            camera && camera->m_nPage >= 0 && camera->m_nStatus.load() != kStatusFailed;
    }
    return playing;
}

}  // namespace nimbrel
