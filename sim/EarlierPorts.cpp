#include "EarlierPorts.h"

#include <algorithm>

namespace nimbrel::sim {
namespace {

struct PortError {
    std::string message;
};

// The port at `value`, or `fallback` when the member is absent.
int PortAt(const Json::Value& value, const std::string& where, int fallback) {
    if (value.isNull()) return fallback;
    if (!value.isInt() || value.asInt() < 1 || value.asInt() > 65535)
        throw PortError{where + ": must be a port number in 1..65535"};
    return value.asInt();
}

void TakeEndpoint(const Json::Value& line, const std::string& where, EndpointSpec& out) {
    out.tcpPort = PortAt(line["tcpPort"], where + ".tcpPort", out.tcpPort);
    out.udpPort = PortAt(line["udpPort"], where + ".udpPort", out.udpPort);
}

}  // namespace

Result<bool> TakeEarlierPorts(Scenario& scenario, const Json::Value& line) {
    try {
        if (!line.isObject()) throw PortError{"the start-up line must be a JSON object"};
        scenario.service.port = PortAt(line["servicePort"], "servicePort", scenario.service.port);
        const Json::Value& detection = line["detection"];
        TakeEndpoint(detection["first"], "detection.first", scenario.detection.first);
        TakeEndpoint(detection["second"], "detection.second", scenario.detection.second);
        scenario.relay.tcpPort =
            PortAt(line["relay"]["tcpPort"], "relay.tcpPort", scenario.relay.tcpPort);
        scenario.rendezvous.udpPort = PortAt(line["rendezvous"]["udpPort"], "rendezvous.udpPort",
                                             scenario.rendezvous.udpPort);
        if (scenario.lan.enabled)
            scenario.lan.port = PortAt(line["lan"]["port"], "lan.port", scenario.lan.port);
        const Json::Value& devices = line["devices"];
        if (!devices.isNull() && !devices.isObject()) throw PortError{"devices: must be an object"};
        for (const std::string& sid : devices.getMemberNames()) {
            const std::string where = "devices." + sid;
            auto device = std::find_if(scenario.devices.begin(), scenario.devices.end(),
                                       [&](const DeviceSpec& d) { return d.sid == sid; });
            if (device == scenario.devices.end()) throw PortError{where + ": not in the scenario"};
            device->camera.streamPort = PortAt(devices[sid]["streamPort"], where + ".streamPort",
                                               device->camera.streamPort);
        }
    } catch (const PortError& e) {
        return Result<bool>::Fail(e.message);
    }
    return Result<bool>::Ok(true);
}

}  // namespace nimbrel::sim
