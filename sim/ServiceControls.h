// The simulator's own controls, asked for over HTTP on the service's port (GET /sim/NAME?...),
// which change the running service the way tests and the demo need: forget every session as a
// restart would (keeping what the run changed), or take the service and its cameras out of
// reach for a while.
// Threading: Handle and DuringOutage run on the HTTP server's worker threads; Stop on the owning
// thread wakes every request an outage holds.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace nimbrel::sim {

class AccountBook;
class CameraFleet;
class ClientKeyBook;
class RequestLog;
class ServiceKeys;

class ServiceControls {
  public:
    struct Parts {
        ServiceKeys& keys;
        ClientKeyBook& clients;
        AccountBook& book;
        CameraFleet& cameras;
        RequestLog* log = nullptr;
    };
    struct Answer {
        int status = 200;
        std::string body;
    };
    // A query parameter of the control request, nothing when absent.
    using Param = std::function<std::optional<std::string>(const char* name)>;

    explicit ServiceControls(Parts parts);

    static constexpr std::string_view kPrefix = "/sim/";
    // The control `urlPath` names (below kPrefix): "OK" or why it was refused.
    Answer Handle(std::string_view urlPath, const Param& param);
    // Asked before a service request (an operation or a picture) is served: nothing outside an
    // outage; during one, 503 without a body, after holding the request unanswered until the
    // outage ends when its operation is among the held ones.
    std::optional<Answer> DuringOutage(std::string_view urlPath);
    // Ends every hold at once (the simulator stops).
    void Stop();

  private:
    using Clock = std::chrono::steady_clock;
    Answer ForgetSessions();
    Answer StartOutage(const Param& param);

    Parts parts_;
    std::mutex lock_;
    std::condition_variable changed_;
    Clock::time_point outageEnd_{};
    std::set<std::string, std::less<>> held_;
    bool stopping_ = false;
};

}  // namespace nimbrel::sim
