// One simulated camera while the simulator runs: what the scenario says of it and the video
// bit rate it streams at now (clients change it with "resetBitRate").
// Threading: the fields are fixed once made, except bitRate, which any thread may change.
#pragma once

#include <atomic>
#include <string>

#include "Scenario.h"
#include "camera/CameraSpec.h"

namespace nimbrel::sim {

struct CameraDevice {
    std::string sid;
    Reach reach = Reach::Lan;
    CameraSpec camera;
    std::atomic<int> bitRate{0};

    explicit CameraDevice(const DeviceSpec& setup)
        : sid(setup.sid),
          reach(setup.reach),
          camera(setup.camera),
          bitRate(setup.camera.media.bitRate) {}
};

}  // namespace nimbrel::sim
