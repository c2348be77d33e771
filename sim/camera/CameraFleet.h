// Every simulated camera of a run and the servers they need: a stream port per camera on the
// LAN or behind a mapped port (or a blocked port for the connect faults), the relay, and the
// rendezvous server with the cameras' side of NAT traversal. Media are made before anything
// listens, so a client's first connect is answered at once.
// Threading: Start and Stop from the owning thread; the lookups may be called from any
// thread once Start has returned.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "OrderedJson.h"
#include "Result.h"
#include "Scenario.h"
#include "camera/BlockedPort.h"
#include "camera/CameraDevice.h"
#include "camera/MediaLibrary.h"
#include "camera/StreamContext.h"

namespace nimbrel::sim {

class StreamServer;
class RendezvousServer;

class CameraFleet {
  public:
    // `mayView` (may be empty) decides whether an account may view a camera.
    CameraFleet(const Scenario& scenario, std::string keyValue, RequestLog* log,
                std::function<bool(const std::string& sid, const std::string& user)> mayView);
    ~CameraFleet();
    CameraFleet(const CameraFleet&) = delete;
    CameraFleet& operator=(const CameraFleet&) = delete;

    Result<bool> Start();
    void Stop();

    int RelayPort() const { return relayPort_; }
    int RendezvousPort() const { return rendezvousPort_; }
    // The stream port of a camera on the LAN or behind a mapped port.
    std::optional<int> StreamPort(const std::string& sid) const;
    const CameraDevice* Find(const std::string& sid) const;
    // {"NB0000000001":{"reach":"lan","streamPort":40125},...} for the start-up line.
    OrderedJson DevicesJson() const;
    // Every camera down for `seconds`: its connections end and new ones are refused meanwhile.
    void TakeAllDown(double seconds);

  private:
    CameraDevice* FindMutable(const std::string& sid) const;
    Result<bool> PrepareMedia();
    Result<bool> StartStreamPorts();

    const Scenario& scenario_;
    std::atomic<bool> stop_{false};
    MediaLibrary media_;
    StreamContext context_;
    std::vector<std::unique_ptr<CameraDevice>> devices_;
    std::map<std::string, int> streamPorts_;
    std::vector<std::unique_ptr<StreamServer>> servers_;
    std::vector<std::unique_ptr<BlockedPort>> blocked_;
    std::unique_ptr<StreamServer> relay_;
    std::unique_ptr<RendezvousServer> rendezvous_;
    int relayPort_ = 0;
    int rendezvousPort_ = 0;
    bool udtStarted_ = false;
};

}  // namespace nimbrel::sim
