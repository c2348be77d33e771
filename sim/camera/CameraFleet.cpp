#include "camera/CameraFleet.h"

#include <udt/udt.h>

#include "camera/RendezvousServer.h"
#include "camera/StreamServer.h"

namespace nimbrel::sim {
namespace {

bool HasStreamPort(Reach reach) {
    return reach == Reach::Lan || reach == Reach::PortMapping;
}

}  // namespace

CameraFleet::CameraFleet(const Scenario& scenario, std::string keyValue, RequestLog* log,
                         std::function<bool(const std::string&, const std::string&)> mayView)
    : scenario_(scenario) {
    context_.keyValue = std::move(keyValue);
    context_.log = log;
    context_.media = &media_;
    context_.mayView = std::move(mayView);
    context_.stop = &stop_;
    for (const auto& setup : scenario_.devices)
        devices_.push_back(std::make_unique<CameraDevice>(setup));
}

CameraFleet::~CameraFleet() {
    Stop();
}

CameraDevice* CameraFleet::FindMutable(const std::string& sid) const {
    for (const auto& d : devices_)
        if (d->sid == sid) return d.get();
    return nullptr;
}

const CameraDevice* CameraFleet::Find(const std::string& sid) const {
    return FindMutable(sid);
}

std::optional<int> CameraFleet::StreamPort(const std::string& sid) const {
    const auto found = streamPorts_.find(sid);
    if (found == streamPorts_.end()) return std::nullopt;
    return found->second;
}

Result<bool> CameraFleet::PrepareMedia() {
    for (const auto& d : devices_) {
        if (d->reach == Reach::Offline) continue;
        const MediaSpec& m = d->camera.media;
        auto video = media_.Video({m.width, m.height, m.framePeriodMs, m.bitRate, m.gop});
        if (!video) return Result<bool>::Fail("media of " + d->sid + ": " + video.error());
        std::vector<AudioClipKey> audio;
        if (m.audio != AudioKind::None) audio.push_back({m.audio, m.audioSample, m.toneHz});
        // Over UDT an AAC camera speaks Speex.
        if (m.audio == AudioKind::Aac && d->reach == Reach::NatTraversal)
            audio.push_back({AudioKind::Speex, 8000, m.toneHz});
        // The card's recordings sound a tone of their own.
        if (const auto& card = d->camera.card; card && m.audio != AudioKind::None)
            audio.push_back({card->speexAudio ? AudioKind::Speex : AudioKind::Aac,
                             card->speexAudio ? 8000 : m.audioSample, card->toneHz});
        for (const auto& key : audio)
            if (auto clip = media_.Audio(key); !clip)
                return Result<bool>::Fail("audio of " + d->sid + ": " + clip.error());
    }
    return Result<bool>::Ok(true);
}

Result<bool> CameraFleet::StartStreamPorts() {
    for (const auto& d : devices_) {
        if (!HasStreamPort(d->reach)) continue;
        const FaultSpec& f = d->camera.faults;
        Result<int> port = Result<int>::Fail("");
        if (f.refuseConnect || f.connectTimeout) {
            auto blocked = std::make_unique<BlockedPort>();
            port = blocked->Open(
                f.refuseConnect ? BlockedPort::Kind::Refusing : BlockedPort::Kind::Unanswered,
                d->camera.streamPort);
            blocked_.push_back(std::move(blocked));
        } else {
            StreamSession::Route route;
            route.via = "device";
            route.expected = {"v2.0", d->reach == Reach::Lan ? "2" : "3"};
            CameraDevice* device = d.get();
            route.resolve = [device](const std::string& sid) {
                return sid == device->sid ? device : nullptr;
            };
            auto server = std::make_unique<StreamServer>(
                context_, std::move(route),
                "cam-" + d->sid.substr(d->sid.size() > 4 ? d->sid.size() - 4 : 0), device);
            port = server->Start(d->camera.streamPort);
            servers_.push_back(std::move(server));
        }
        if (!port) return Result<bool>::Fail("stream port of " + d->sid + ": " + port.error());
        streamPorts_[d->sid] = *port;
    }
    return Result<bool>::Ok(true);
}

Result<bool> CameraFleet::Start() {
    using R = Result<bool>;
    stop_ = false;
    if (auto media = PrepareMedia(); !media) return media;
    if (UDT::startup() == UDT::ERROR) return R::Fail("UDT could not start");
    udtStarted_ = true;

    StreamSession::Route relayRoute;
    relayRoute.via = "relay";
    relayRoute.expected = {"v2.0", "5"};
    relayRoute.resolve = [this](const std::string& sid) -> CameraDevice* {
        CameraDevice* d = FindMutable(sid);
        return d && d->reach != Reach::Offline ? d : nullptr;
    };
    relay_ = std::make_unique<StreamServer>(context_, std::move(relayRoute), "relay");
    auto relay = relay_->Start(scenario_.relay.tcpPort);
    if (!relay) return R::Fail("relay: " + relay.error());
    relayPort_ = *relay;

    rendezvous_ = std::make_unique<RendezvousServer>(context_, [this](const std::string& sid) {
        CameraDevice* d = FindMutable(sid);
        return d && d->reach == Reach::NatTraversal ? d : nullptr;
    });
    auto rendezvous = rendezvous_->Start(scenario_.rendezvous.udpPort);
    if (!rendezvous) return R::Fail("rendezvous: " + rendezvous.error());
    rendezvousPort_ = *rendezvous;

    return StartStreamPorts();
}

void CameraFleet::Stop() {
    stop_ = true;
    for (auto& s : servers_) s->Stop();
    if (relay_) relay_->Stop();
    if (rendezvous_) rendezvous_->Stop();
    for (auto& b : blocked_) b->Close();
    servers_.clear();
    blocked_.clear();
    relay_.reset();
    rendezvous_.reset();
    if (udtStarted_) UDT::cleanup();
    udtStarted_ = false;
}

void CameraFleet::TakeAllDown(double seconds) {
    for (const auto& device : devices_) device->TakeDown(seconds);
}

OrderedJson CameraFleet::DevicesJson() const {
    OrderedJson out = OrderedJson::Object();
    for (const auto& d : devices_) {
        OrderedJson entry = OrderedJson::Object().Set("reach", ReachName(d->reach));
        if (auto port = StreamPort(d->sid)) entry.Set("streamPort", *port);
        out.Set(d->sid, std::move(entry));
    }
    return out;
}

}  // namespace nimbrel::sim
