// One simulator run: the scenario's servers on 127.0.0.1, started together and stopped
// together, and the start-up line that names where they listen.
// Threading: Start and Stop from one owning thread; the servers run their own threads.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "ClientKeyBook.h"
#include "OrderedJson.h"
#include "Result.h"
#include "Scenario.h"
#include "ServiceKeys.h"

namespace nimbrel::sim {

class RequestLog;
class ServiceRouter;
class ServiceHttpServer;
class HandshakeService;
class AccountBook;
class LoginOperation;
class PasswordOperations;
class SharingOperations;
class AlarmOperations;
class VersionOperations;
class DetectionServer;
class CameraFleet;
class CurrentOperation;
class PlayBackOperation;
class DeviceListOperation;
class DeviceOperations;
class ThumbnailServer;
class LanResponder;
class ServiceControls;

class Simulator {
  public:
    Simulator(Scenario scenario, std::filesystem::path logPath);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Starts every server; on success returns the start-up line's members.
    Result<OrderedJson> Start();
    void Stop();

  private:
    // Whether account `user` is bound to camera `sid` now (a stream's connect names it).
    bool MayView(const std::string& sid, const std::string& user) const;

    Scenario scenario_;
    std::filesystem::path logPath_;
    std::unique_ptr<RequestLog> log_;
    std::unique_ptr<ServiceKeys> keys_;
    ClientKeyBook clients_;
    std::unique_ptr<ServiceRouter> router_;
    std::unique_ptr<HandshakeService> handshake_;
    std::unique_ptr<AccountBook> book_;
    std::unique_ptr<LoginOperation> login_;
    std::unique_ptr<PasswordOperations> passwords_;
    std::unique_ptr<SharingOperations> sharing_;
    std::unique_ptr<AlarmOperations> alarms_;
    std::unique_ptr<VersionOperations> versions_;
    std::unique_ptr<DeviceListOperation> deviceList_;
    std::unique_ptr<DeviceOperations> deviceOps_;
    std::unique_ptr<ThumbnailServer> thumbnails_;
    std::unique_ptr<LanResponder> lan_;
    std::unique_ptr<DetectionServer> firstDetection_;
    std::unique_ptr<DetectionServer> secondDetection_;
    std::unique_ptr<CameraFleet> cameras_;
    std::unique_ptr<CurrentOperation> current_;
    std::unique_ptr<PlayBackOperation> playBack_;
    std::unique_ptr<ServiceControls> controls_;
    std::unique_ptr<ServiceHttpServer> http_;
};

}  // namespace nimbrel::sim
