// nimbrelctl handshake as a script would run it: JSON output and exit codes.
#include <gtest/gtest.h>

#include "CtlRunner.h"
#include "SimProcess.h"
#include "text/JsonText.h"

namespace nimbrel {
namespace {

using test::RunCtl;

TEST(CliHandshake, SucceedsWithOptionsBeforeOrAfterTheCommand) {
    test::SimProcess sim("demo.json");
    const auto before = RunCtl("--service " + sim.ServiceUrl() + " --adapter lo --json handshake");
    EXPECT_EQ(before.exitCode, 0);
    const auto json = ParseJsonObject(before.out);
    ASSERT_TRUE(json) << before.out;
    EXPECT_EQ((*json)["status"].asString(), "OK");
    EXPECT_EQ((*json)["localIp"].asString(), "127.0.0.1");

    const auto after = RunCtl("handshake --json --adapter lo --service " + sim.ServiceUrl());
    EXPECT_EQ(after.exitCode, 0);
    EXPECT_NE(after.out.find("\"status\":\"OK\""), std::string::npos);
}

TEST(CliHandshake, UpdateDemandAndFailuresAreNotSuccess) {
    test::SimProcess sim("update.json");
    const auto update = RunCtl("--service " + sim.ServiceUrl() + " --adapter lo --json handshake");
    EXPECT_EQ(update.exitCode, 5);
    EXPECT_NE(update.out.find("\"status\":\"UPATE\""), std::string::npos);

    EXPECT_EQ(RunCtl("--service http://127.0.0.1:1 --adapter lo handshake").exitCode, 4);
    EXPECT_EQ(RunCtl("--service http://127.0.0.1:1 --adapter no-such-if handshake").exitCode, 3);
    EXPECT_EQ(RunCtl("--service nonsense --adapter lo handshake").exitCode, 2);
    EXPECT_EQ(RunCtl("no-such-command").exitCode, 2);
}

}  // namespace
}  // namespace nimbrel
