// Helpers of the device-directory tests against the simulator: scenario variants written to a
// temporary file, a signed-in client with a device list of its own, and the checks of a record
// against the scenario device it came from.
// Threading: the test's thread.
#pragma once

#include <json/value.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ClientSession.h"
#include "SimProcess.h"
#include "devices/DeviceList.h"
#include "devices/DeviceListLoader.h"
#include "devices/LanDiscovery.h"

namespace nimbrel::test {

// A scenario of the repository's folder with `edit` applied, written to a temporary file that
// lives as long as this object.
class ScenarioVariant {
  public:
    ScenarioVariant(const std::string& base, const std::function<void(Json::Value&)>& edit);
    ~ScenarioVariant();
    ScenarioVariant(const ScenarioVariant&) = delete;
    ScenarioVariant& operator=(const ScenarioVariant&) = delete;
    std::string Path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

// Drops the LAN responder from a scenario, so that the simulator leaves the fixed port alone.
void WithoutLan(Json::Value& scenario);
// Drops the devices' thumbnails and the LAN responder: refreshes that only read the list.
void ListOnly(Json::Value& scenario);

// A client signed in to the simulator, with its own device list.
class DeviceClient {
  public:
    // Signs in; `signedIn` says whether it worked (a failure is reported to the test).
    DeviceClient(const SimProcess& sim, const std::string& user, const std::string& password);

    DeviceServiceContext Context() { return {session.g, session.app, session.notifier, http}; }
    // The first load into `list` with a discovery that finds nothing (no probe is sent).
    bool Fetch();
    // The index of the device in `list`, or -1.
    int IndexOf(const std::string& sid) const { return list.IndexOfSid(sid); }
    DeviceRecord& Record(const std::string& sid);

    ClientSession session;
    bool signedIn = false;
    HttpOptions http;
    DeviceList list;
    LanDiscovery lan;
};

// The scenario's devices bound to `user` (owned or shared), in scenario order, with the `init`
// the service reports for each (1 owner, 2 shared).
std::vector<std::pair<Json::Value, int>> DevicesOf(const Json::Value& scenario,
                                                   const std::string& user);
// The scenario device with this sid (null when none).
Json::Value ScenarioDevice(const Json::Value& scenario, const std::string& sid);

// Expects every field the service lists to be as the scenario device has it (defaults filled
// in), in a record or in nimbrelctl's JSON of one.
void ExpectAsScenario(const DeviceRecord& record, const Json::Value& device, int init);
void ExpectAsScenario(const Json::Value& listed, const Json::Value& device, int init);

// The payload pairs of a request-log line as one "key=value" text per pair, for readable
// failure output.
std::vector<std::string> PayloadTexts(const Json::Value& logLine);

}  // namespace nimbrel::test
