// The devices' thumbnails on the service's HTTP server: a GET of a device's `img` path is
// answered with a small PNG that the simulator draws itself (a gradient in a colour of the
// device's own), or with the fault the scenario gives the device.
// Threading: built once; Serve may be called from any thread.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "Scenario.h"
#include "ServiceHttpServer.h"

namespace nimbrel::sim {

class RequestLog;

class ThumbnailServer {
  public:
    // `log` may be null.
    ThumbnailServer(const Scenario& scenario, RequestLog* log);

    using Answer = ServiceHttpServer::FileAnswer;
    // The answer for a GET of `urlPath` when it is some device's `img` path (the first device
    // in scenario order that names it); nothing for any other path.
    std::optional<Answer> Serve(std::string_view urlPath) const;

    static constexpr int kWidth = 96;
    static constexpr int kHeight = 72;
    // The bytes of each shape for a device (Missing: empty).
    static std::string Picture(const std::string& sid, ThumbnailShape shape);

  private:
    struct Entry {
        std::string sid;
        ThumbnailShape shape;
        std::string bytes;
    };
    RequestLog* log_;
    std::map<std::string, Entry, std::less<>> byPath_;
};

}  // namespace nimbrel::sim
