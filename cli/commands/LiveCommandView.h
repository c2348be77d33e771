// What the commands that act on a playing camera share (record, snapshot, ptz, bitrate): the
// account's devices, the opening checks of the device tree, a one-pane wall without a window,
// and the wait until the camera's pictures arrive.
// Threading: the main thread of nimbrelctl; the camera runs its own threads.
#pragma once

#include <chrono>
#include <string>

#include "DeviceSession.h"

namespace nimbrel::cli {

class LiveCommandView {
  public:
    explicit LiveCommandView(CliContext& ctx) : ctx_(ctx), session_(ctx) {}
    ~LiveCommandView();

    // Signs in and finds the camera. kExitOk, or the printed failure's exit code.
    int Open(const AccountOptions& account, const std::string& sid);
    // Starts the view and waits until it plays. kExitOk, or the printed failure's exit code.
    int StartAndWaitPlaying(std::chrono::seconds limit = std::chrono::seconds(60));

    CCamera& Camera() { return *camera_; }
    DeviceSession& Session() { return session_; }

  private:
    CliContext& ctx_;
    DeviceSession session_;
    CCamera* camera_ = nullptr;
};

// Polls `done` every 20 ms until it holds or `limit` passes; true when it held.
bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

}  // namespace nimbrel::cli
