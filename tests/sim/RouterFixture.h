// A service router with the handshake and a request log in a temporary file, for tests that
// send hand-wrapped requests through the service's request path without HTTP.
// Threading: test thread only.
#pragma once

#include <gtest/gtest.h>
#include <json/value.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "ClientKeyBook.h"
#include "HandWrap.h"
#include "HandshakeService.h"
#include "RequestLog.h"
#include "ServiceKeys.h"
#include "ServiceRouter.h"

namespace nimbrel::sim::test {

class RouterFixture : public ::testing::Test {
  protected:
    static constexpr const char* kKeyValue = "5a6b";

    void SetUp() override;
    void TearDown() override;
    // Rebuilds the router with another handshake status and forced statuses.
    void Rebuild(const std::string& securityStatus,
                 std::map<std::string, std::string> overrides = {});

    // Every log line written so far.
    std::vector<Json::Value> LogLines() const;
    Json::Value LastLogLine() const;

    // Runs the handshake of `client`; the reply JSON (fails the test when unreadable).
    Json::Value Handshake(const HandClient& client);
    // Sends `payload` sealed to `path`; the reply JSON in the keyValue form.
    ServiceRouter::HttpAnswer SendSealed(const HandClient& client, const std::string& path,
                                         const std::string& payload);

    std::filesystem::path logPath_;
    std::unique_ptr<ServiceKeys> keys_;
    ClientKeyBook clients_;
    std::unique_ptr<RequestLog> log_;
    std::unique_ptr<ServiceRouter> router_;
    std::unique_ptr<HandshakeService> handshake_;
};

}  // namespace nimbrel::sim::test
