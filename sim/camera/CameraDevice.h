// One simulated camera while the simulator runs: what the scenario says of it, the video bit
// rate it streams at now (clients change it with "resetBitRate"), and whether it is down for a
// reboot.
// Threading: the fields are fixed once made, except bitRate and the reboot state, which any
// thread may change and read.
#pragma once

#include <atomic>
#include <chrono>
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

    // Takes the camera down for `seconds` unless it has rebooted before in this run; true when
    // this call started the reboot.
    bool RebootOnce(double seconds) {
        if (rebooted_.exchange(true)) return false;
        const auto down =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        upAt_ = (Clock::now() + down).time_since_epoch().count();
        return true;
    }
    // Takes the camera down for `seconds` from now (a cut of the whole network), however often;
    // an earlier down time that lasts longer is kept.
    void TakeDown(double seconds) {
        const auto down =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        const Clock::rep up = (Clock::now() + down).time_since_epoch().count();
        Clock::rep current = upAt_.load();
        while (current < up && !upAt_.compare_exchange_weak(current, up)) {
        }
    }
    // While down, its connections end and new ones are refused.
    bool Down() const { return Clock::now().time_since_epoch().count() < upAt_.load(); }

  private:
    using Clock = std::chrono::steady_clock;
    std::atomic<bool> rebooted_{false};
    std::atomic<Clock::rep> upAt_{0};
};

}  // namespace nimbrel::sim
