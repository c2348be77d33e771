#include "SimAccount.h"

#include <fstream>
#include <sstream>

#include "service/ReadLocalAdapter.h"
#include "service/SecurityHandshake.h"
#include "service/ServiceAddress.h"
#include "text/JsonText.h"

namespace nimbrel::test {
namespace {

Json::Value LogLine(const SimProcess& sim, const std::string& path, int n) {
    const auto lines = sim.Requests(path);
    const int index = n < 0 ? static_cast<int>(lines.size()) + n : n;
    if (index < 0 || index >= static_cast<int>(lines.size())) return Json::Value();
    return lines[static_cast<std::size_t>(index)];
}

}  // namespace

void SimAccount::StartSim(const std::map<std::string, std::string>& overrides,
                          const std::function<void(Json::Value&)>& shape) {
    std::ifstream in(std::string(ACCOUNT_SCENARIO_DIR) + "/accounts.json");
    std::stringstream text;
    text << in.rdbuf();
    auto scenario = ParseJsonObject(text.str());
    ASSERT_TRUE(scenario) << "the account scenario is not JSON";
    for (const auto& [op, word] : overrides) (*scenario)["service"]["statusOverrides"][op] = word;
    if (shape) shape(*scenario);
    const auto path = dir / "scenario.json";
    WriteFile(path, CompactJson(*scenario));
    sim = std::make_unique<SimProcess>(path.string());
}

void SimAccount::Connect() {
    InitGlobalSettings(g);
    InitAppRecord(app);
    ASSERT_TRUE(ApplyServiceUrl(g, sim->ServiceUrl()));
    ASSERT_EQ(ReadLocalAdapter(g, "lo"), 1);
    ASSERT_EQ(SecurityHandshake(g, app, notifier), HandshakeResult::Ok);
}

Pairs SimAccount::Sent(const std::string& path, int n) const {
    return PayloadPairs(LogLine(*sim, path, n));
}

std::string SimAccount::Answered(const std::string& path, int n) const {
    return LogLine(*sim, path, n)["status"].asString();
}

}  // namespace nimbrel::test
