// Listening where an earlier run listened: the ports named by that run's start-up line are put
// into the scenario, so that a simulator started again (after a crash, say) is found by a client
// that knew the first one.
// Threading: a pure function.
#pragma once

#include <json/value.h>

#include "Result.h"
#include "Scenario.h"

namespace nimbrel::sim {

// Takes every port `startupLine` names: the service, the detection servers, the relay, the
// rendezvous server, the LAN responder and each camera's stream port. The error names the
// member at fault; a camera the line names but the scenario lacks is one.
Result<bool> TakeEarlierPorts(Scenario& scenario, const Json::Value& startupLine);

}  // namespace nimbrel::sim
