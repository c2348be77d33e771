// The account tests' fixture against nimbrel-sim: a simulator started from the account
// scenario (optionally with forced status words), the settings keyed by a real handshake, and
// the request log read back as ordered pairs.
#pragma once

#include <gtest/gtest.h>
#include <json/value.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AccountTestSupport.h"
#include "RecordingNotifier.h"
#include "SimProcess.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"

namespace nimbrel::test {

using Pairs = std::vector<std::pair<std::string, std::string>>;

class SimAccount : public ::testing::Test {
  protected:
    // Starts the simulator with the account scenario; `overrides` maps an operation
    // ("login.do") to the status word the service must answer, and `shape` may change anything
    // else of the scenario first.
    void StartSim(const std::map<std::string, std::string>& overrides = {},
                  const std::function<void(Json::Value&)>& shape = {});
    // Points `g` at the simulator and runs the handshake on `lo`.
    void Connect();
    // The payload pairs of the `n`-th request of `path` (negative: from the end).
    Pairs Sent(const std::string& path, int n = -1) const;
    // The status the simulator answered to that request.
    std::string Answered(const std::string& path, int n = -1) const;
    std::size_t Count(const std::string& path) const { return sim->Requests(path).size(); }

    TempDir dir;
    std::unique_ptr<SimProcess> sim;
    GlobalSettings g;
    AppRecord app;
    RecordingNotifier notifier;
};

}  // namespace nimbrel::test
