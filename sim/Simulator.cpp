#include "Simulator.h"

#include <algorithm>

#include "AccountBook.h"
#include "AlarmOperations.h"
#include "DetectionServer.h"
#include "DeviceListOperation.h"
#include "DeviceOperations.h"
#include "HandshakeService.h"
#include "LanResponder.h"
#include "LoginOperation.h"
#include "PasswordOperations.h"
#include "RequestLog.h"
#include "ServiceControls.h"
#include "ServiceHttpServer.h"
#include "ServiceRouter.h"
#include "SharingOperations.h"
#include "ThumbnailServer.h"
#include "VersionOperations.h"
#include "camera/CameraFleet.h"
#include "camera/CurrentOperation.h"
#include "camera/PlayBackOperation.h"

namespace nimbrel::sim {
namespace {

OrderedJson EndpointJson(const EndpointSpec& e) {
    return OrderedJson::Object()
        .Set("ip", "127.0.0.1")
        .Set("tcpPort", e.tcpPort)
        .Set("udpPort", e.udpPort);
}

}  // namespace

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

    // Detection servers first: the login reply names their ports.
    const DetectionSpec& d = scenario_.detection;
    const UdpShape udpShape = *ParseUdpShape(d.probeShape);
    const TcpShape tcpShape = *ParseTcpShape(d.tcpShape);
    const Mapping mapping = d.mapping == "address" ? Mapping::Address : Mapping::Port;
    firstDetection_ = std::make_unique<DetectionServer>(DetectionRole::First, udpShape, mapping,
                                                        tcpShape, log_.get());
    secondDetection_ = std::make_unique<DetectionServer>(DetectionRole::Second, udpShape, mapping,
                                                         tcpShape, log_.get());
    auto first = firstDetection_->Start(d.first);
    if (!first) return R::Fail("first detection server: " + first.error());
    auto second = secondDetection_->Start(d.second);
    if (!second) return R::Fail("second detection server: " + second.error());

    // The cameras, relay and rendezvous next: login.do and current.do name their ports.
    cameras_ = std::make_unique<CameraFleet>(
        scenario_, keys_->KeyValue(), log_.get(),
        [this](const std::string& sid, const std::string& user) { return MayView(sid, user); });
    auto cameras = cameras_->Start();
    if (!cameras) return R::Fail("cameras: " + cameras.error());

    NamedServers servers;
    servers.relayTcp = cameras_->RelayPort();
    servers.relayUdp = scenario_.relay.udpPort;
    servers.firstTcp = first->tcpPort;
    servers.firstUdp = first->udpPort;
    servers.secondTcp = second->tcpPort;
    servers.secondUdp = second->udpPort;

    router_ = std::make_unique<ServiceRouter>(*keys_, clients_, log_.get(),
                                              scenario_.service.statusOverrides,
                                              scenario_.service.deepReplies);
    handshake_ =
        std::make_unique<HandshakeService>(*keys_, clients_, scenario_.service.securityStatus);
    book_ = std::make_unique<AccountBook>(scenario_);
    login_ = std::make_unique<LoginOperation>(*book_, servers);
    passwords_ = std::make_unique<PasswordOperations>(*book_);
    sharing_ = std::make_unique<SharingOperations>(*book_);
    alarms_ = std::make_unique<AlarmOperations>(*book_);
    versions_ = std::make_unique<VersionOperations>(*book_, scenario_.service.version);
    handshake_->Register(*router_);
    login_->Register(*router_);
    passwords_->Register(*router_);
    sharing_->Register(*router_);
    alarms_->Register(*router_);
    versions_->Register(*router_);
    current_ = std::make_unique<CurrentOperation>(*book_, *cameras_);
    current_->Register(*router_);
    playBack_ = std::make_unique<PlayBackOperation>(*book_, *cameras_);
    playBack_->Register(*router_);

    deviceList_ = std::make_unique<DeviceListOperation>(*book_, scenario_.service.deviceList);
    deviceOps_ = std::make_unique<DeviceOperations>(*book_);
    deviceList_->Register(*router_);
    deviceOps_->Register(*router_);

    // The LAN discovery responder runs only when the scenario asks for it: its port is fixed.
    std::optional<OrderedJson> lanInfo;
    if (scenario_.lan.enabled) {
        const auto streamPort = [this](const std::string& sid) {
            return cameras_->StreamPort(sid);
        };
        lan_ = std::make_unique<LanResponder>(
            scenario_.lan, LanResponder::DevicesOf(scenario_, streamPort), log_.get());
        auto lanPort = lan_->Start();
        if (!lanPort && scenario_.lan.required)
            return R::Fail("LAN discovery responder: " + lanPort.error());
        lanInfo = OrderedJson::Object().Set("port", lanPort ? *lanPort : scenario_.lan.port);
        if (!lanPort) lanInfo->Set("error", lanPort.error());
    }

    thumbnails_ = std::make_unique<ThumbnailServer>(scenario_, log_.get());
    controls_ = std::make_unique<ServiceControls>(
        ServiceControls::Parts{*keys_, clients_, *book_, *cameras_, log_.get()});
    http_ = std::make_unique<ServiceHttpServer>(*router_);
    http_->SetControls(controls_.get());
    http_->SetFileSource([this](std::string_view path) { return thumbnails_->Serve(path); });
    auto port = http_->Start(scenario_.service.port);
    if (!port) return R::Fail(port.error());

    OrderedJson info = OrderedJson::Object();
    info.Set("service", "http://127.0.0.1:" + std::to_string(*port))
        .Set("servicePort", *port)
        .Set("log", logPath_.string())
        .Set("keyValue", keys_->KeyValue())
        .Set("detection", OrderedJson::Object()
                              .Set("first", EndpointJson(*first))
                              .Set("second", EndpointJson(*second)))
        .Set("relay", EndpointJson({cameras_->RelayPort(), scenario_.relay.udpPort}))
        .Set(
            "rendezvous",
            OrderedJson::Object().Set("ip", "127.0.0.1").Set("udpPort", cameras_->RendezvousPort()))
        .Set("devices", cameras_->DevicesJson());
    if (lanInfo) info.Set("lan", std::move(*lanInfo));
    return R::Ok(std::move(info));
}

bool Simulator::MayView(const std::string& sid, const std::string& user) const {
    if (!book_) return false;
    const auto device = book_->Device(sid);
    if (!device) return false;
    const auto& shared = device->sharedWith;
    return device->owner == user || std::find(shared.begin(), shared.end(), user) != shared.end();
}

void Simulator::Stop() {
    if (cameras_) cameras_->Stop();
    if (deviceList_) deviceList_->Cancel();
    if (controls_) controls_->Stop();
    if (http_) http_->Stop();
    if (lan_) lan_->Stop();
    if (firstDetection_) firstDetection_->Stop();
    if (secondDetection_) secondDetection_->Stop();
}

}  // namespace nimbrel::sim
