#include "ServiceHttpServer.h"

#include <httplib.h>

#include "ServiceControls.h"
#include "ServiceRouter.h"

namespace nimbrel::sim {

ServiceHttpServer::ServiceHttpServer(ServiceRouter& router)
    : router_(router), server_(std::make_unique<httplib::Server>()) {}

ServiceHttpServer::~ServiceHttpServer() {
    Stop();
}

Result<int> ServiceHttpServer::Start(int port) {
    server_->Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        if (controls_) {
            const std::string_view path = req.path;
            const std::string_view prefix = ServiceControls::kPrefix;
            std::optional<ServiceControls::Answer> answer;
            if (path.substr(0, prefix.size()) == prefix)
                answer = controls_->Handle(path.substr(prefix.size()), [&req](const char* name) {
                    return req.has_param(name) ? std::optional(req.get_param_value(name))
                                               : std::nullopt;
                });
            else
                answer = controls_->DuringOutage(path);
            if (answer) {
                res.status = answer->status;
                res.set_content(answer->body, "text/plain");
                return;
            }
        }
        if (files_) {
            if (auto file = files_(req.path)) {
                res.status = file->status;
                res.set_content(file->body, file->contentType.c_str());
                return;
            }
        }
        std::optional<std::string> data;
        if (req.has_param("data")) data = req.get_param_value("data");
        const auto answer = router_.Handle(req.path, data);
        res.status = answer.status;
        res.set_content(answer.body, "text/plain");
    });
    int bound = port;
    if (port == 0) {
        bound = server_->bind_to_any_port("127.0.0.1");
        if (bound <= 0) return Result<int>::Fail("cannot bind the service on 127.0.0.1");
    } else if (!server_->bind_to_port("127.0.0.1", port)) {
        return Result<int>::Fail("cannot bind the service on 127.0.0.1:" + std::to_string(port));
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    return Result<int>::Ok(bound);
}

void ServiceHttpServer::Stop() {
    if (!thread_.joinable()) return;
    server_->stop();
    thread_.join();
}

}  // namespace nimbrel::sim
