#include "Simulator.h"

#include "HandshakeService.h"
#include "RequestLog.h"
#include "ServiceHttpServer.h"
#include "ServiceRouter.h"

namespace nimbrel::sim {

Simulator::Simulator(Scenario scenario, std::filesystem::path logPath)
    : scenario_(std::move(scenario)), logPath_(std::move(logPath)) {}

Simulator::~Simulator() {
    Stop();
}

Result<OrderedJson> Simulator::Start() {
    using R = Result<OrderedJson>;
    auto log = RequestLog::Open(logPath_);
    if (!log) return R::Fail(log.error());
    log_ = std::move(log.value());

    auto keys = ServiceKeys::Create(scenario_.service.keyValue);
    if (!keys) return R::Fail(keys.error());
    keys_ = std::make_unique<ServiceKeys>(std::move(keys.value()));

    router_ = std::make_unique<ServiceRouter>(*keys_, clients_, log_.get(),
                                              scenario_.service.statusOverrides);
    handshake_ =
        std::make_unique<HandshakeService>(*keys_, clients_, scenario_.service.securityStatus);
    handshake_->Register(*router_);

    http_ = std::make_unique<ServiceHttpServer>(*router_);
    auto port = http_->Start(scenario_.service.port);
    if (!port) return R::Fail(port.error());

    OrderedJson info = OrderedJson::Object();
    info.Set("service", "http://127.0.0.1:" + std::to_string(*port))
        .Set("servicePort", *port)
        .Set("log", logPath_.string())
        .Set("keyValue", keys_->KeyValue());
    return R::Ok(std::move(info));
}

void Simulator::Stop() {
    if (http_) http_->Stop();
}

}  // namespace nimbrel::sim
