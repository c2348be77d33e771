// A TCP stream server on 127.0.0.1: a camera's own stream port (closed while the camera is down
// for a reboot) or the relay. It accepts connections and serves each on its own thread with a
// StreamSession of the given route.
// Threading: Start and Stop from the owning thread; Stop returns once every connection thread
// has ended, which the run's stop flag (set before Stop) brings about within a second.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "Result.h"
#include "camera/ConnectionThreads.h"
#include "camera/StreamContext.h"
#include "camera/StreamSession.h"
#include "platform/TcpListener.h"

namespace nimbrel::sim {

class StreamServer {
  public:
    // `threadName` names the connection threads ("cam-NB01", "relay"); `camera` is the camera
    // whose own port this is (null for the relay).
    StreamServer(const StreamContext& context, StreamSession::Route route, std::string threadName,
                 const CameraDevice* camera = nullptr);
    ~StreamServer();
    StreamServer(const StreamServer&) = delete;
    StreamServer& operator=(const StreamServer&) = delete;

    // Listens on `port` (0: ephemeral) and returns the port.
    Result<int> Start(int port);
    void Stop();

  private:
    void AcceptLoop();
    // Closes the port while the camera is down and listens again when it is up; true when the
    // port listens now.
    bool FollowCamera();

    const StreamContext& context_;
    StreamSession::Route route_;
    std::string threadName_;
    const CameraDevice* camera_;
    int port_ = 0;
    std::optional<TcpListener> listener_;
    std::thread acceptThread_;
    ConnectionThreads connections_;
};

}  // namespace nimbrel::sim
