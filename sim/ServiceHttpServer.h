// The HTTP face of the service: GET requests on 127.0.0.1 handed to the service router.
// Threading: Start and Stop from one owning thread; requests are served on the HTTP
// library's worker threads.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "Result.h"

namespace httplib {
class Server;
}

namespace nimbrel::sim {

class ServiceControls;
class ServiceRouter;

class ServiceHttpServer {
  public:
    explicit ServiceHttpServer(ServiceRouter& router);
    ~ServiceHttpServer();
    ServiceHttpServer(const ServiceHttpServer&) = delete;
    ServiceHttpServer& operator=(const ServiceHttpServer&) = delete;

    // A plain file answer (no wrapping), such as a device's thumbnail.
    struct FileAnswer {
        int status = 200;
        std::string body;
        std::string contentType;
    };
    // Asked first for every GET; nothing passes the request on to the router. Set before Start.
    using FileSource = std::function<std::optional<FileAnswer>(std::string_view urlPath)>;
    void SetFileSource(FileSource source) { files_ = std::move(source); }
    // The simulator's controls (GET /sim/...), also asked about an outage before every other
    // request. Set before Start.
    void SetControls(ServiceControls* controls) { controls_ = controls; }

    // Binds 127.0.0.1:`port` (0: an ephemeral port) and starts serving; returns the port.
    Result<int> Start(int port);
    void Stop();

  private:
    ServiceRouter& router_;
    FileSource files_;
    ServiceControls* controls_ = nullptr;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
};

}  // namespace nimbrel::sim
