#include "camera/StreamServer.h"

#include <chrono>
#include <memory>
#include <thread>

#include "RequestLog.h"
#include "camera/TcpStreamLink.h"

namespace nimbrel::sim {

namespace {

constexpr int kBacklog = 16;
constexpr auto kRebootPoll = std::chrono::milliseconds(50);

}  // namespace

StreamServer::StreamServer(const StreamContext& context, StreamSession::Route route,
                           std::string threadName, const CameraDevice* camera)
    : context_(context),
      route_(std::move(route)),
      threadName_(std::move(threadName)),
      camera_(camera) {}

StreamServer::~StreamServer() {
    Stop();
}

Result<int> StreamServer::Start(int port) {
    const auto local = Ipv4Endpoint::Parse("127.0.0.1", port);
    if (local) listener_ = TcpListener::Listen(*local, kBacklog);
    if (!listener_) return Result<int>::Fail("cannot listen on 127.0.0.1:" + std::to_string(port));
    port_ = listener_->Local().port;
    acceptThread_ = std::thread([this]() { AcceptLoop(); });
    return Result<int>::Ok(port_);
}

void StreamServer::Stop() {
    if (acceptThread_.joinable()) acceptThread_.join();
    connections_.JoinAll();
    listener_.reset();
}

bool StreamServer::FollowCamera() {
    if (!camera_) return true;
    if (camera_->Down()) {
        if (listener_ && context_.log)
            context_.log->Write(OrderedJson::Object()
                                    .Set("stream", camera_->sid)
                                    .Set("via", route_.via)
                                    .Set("event", "portClosed")
                                    .Set("reason", "the camera is rebooting"));
        listener_.reset();
        return false;
    }
    if (!listener_) {
        const auto local = Ipv4Endpoint::Parse("127.0.0.1", port_);
        if (local) listener_ = TcpListener::Listen(*local, kBacklog);
    }
    return listener_.has_value();
}

void StreamServer::AcceptLoop() {
    while (!context_.stop->load()) {
        if (!FollowCamera()) {
            std::this_thread::sleep_for(kRebootPoll);
            continue;
        }
        // A camera that may reboot is watched more often, so its port closes promptly.
        const bool mayReboot = camera_ && camera_->camera.faults.rebootAfter >= 0;
        auto accepted = listener_->Accept(mayReboot ? 50 : 200);
        if (!accepted) continue;
        auto socket = std::make_shared<TcpSocket>(std::move(*accepted));
        const bool started = connections_.Start(threadName_, [this, socket]() {
            TcpStreamLink link(std::move(*socket), context_.stop);
            StreamSession session(link, context_, route_);
            session.Run();
        });
        if (!started && context_.log) {
            context_.log->Write(OrderedJson::Object()
                                    .Set("stream", "")
                                    .Set("via", route_.via)
                                    .Set("event", "refused")
                                    .Set("reason", "too many connections"));
        }
    }
}

}  // namespace nimbrel::sim
