#include "camera/StreamServer.h"

#include <memory>

#include "RequestLog.h"
#include "camera/TcpStreamLink.h"

namespace nimbrel::sim {

StreamServer::StreamServer(const StreamContext& context, StreamSession::Route route,
                           std::string threadName)
    : context_(context), route_(std::move(route)), threadName_(std::move(threadName)) {}

StreamServer::~StreamServer() {
    Stop();
}

Result<int> StreamServer::Start(int port) {
    const auto local = Ipv4Endpoint::Parse("127.0.0.1", port);
    if (local) listener_ = TcpListener::Listen(*local, 16);
    if (!listener_) return Result<int>::Fail("cannot listen on 127.0.0.1:" + std::to_string(port));
    acceptThread_ = std::thread([this]() { AcceptLoop(); });
    return Result<int>::Ok(listener_->Local().port);
}

void StreamServer::Stop() {
    if (acceptThread_.joinable()) acceptThread_.join();
    connections_.JoinAll();
    listener_.reset();
}

void StreamServer::AcceptLoop() {
    while (!context_.stop->load()) {
        auto accepted = listener_->Accept(200);
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
