#include "RouterFixture.h"

#include <unistd.h>

#include <fstream>

#include "text/JsonText.h"

namespace nimbrel::sim::test {

void RouterFixture::SetUp() {
    logPath_ = std::filesystem::temp_directory_path() /
               ("nimbrel-sim-test-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".jsonl");
    auto keys = ServiceKeys::Create(kKeyValue);
    ASSERT_TRUE(keys.ok());
    keys_ = std::make_unique<ServiceKeys>(std::move(keys.value()));
    auto log = RequestLog::Open(logPath_);
    ASSERT_TRUE(log.ok()) << log.error();
    log_ = std::move(log.value());
    Rebuild("OK");
}

void RouterFixture::TearDown() {
    router_.reset();
    log_.reset();
    std::filesystem::remove(logPath_);
}

void RouterFixture::Rebuild(const std::string& securityStatus,
                            std::map<std::string, std::string> overrides) {
    router_ = std::make_unique<ServiceRouter>(*keys_, clients_, log_.get(), std::move(overrides));
    handshake_ = std::make_unique<HandshakeService>(*keys_, clients_, securityStatus);
    handshake_->Register(*router_);
}

std::vector<Json::Value> RouterFixture::LogLines() const {
    std::vector<Json::Value> lines;
    std::ifstream file(logPath_);
    std::string line;
    while (std::getline(file, line)) {
        auto parsed = ParseJsonObject(line);
        EXPECT_TRUE(parsed.has_value()) << "log line is not JSON: " << line;
        if (parsed) lines.push_back(*parsed);
    }
    return lines;
}

Json::Value RouterFixture::LastLogLine() const {
    auto lines = LogLines();
    return lines.empty() ? Json::Value() : lines.back();
}

Json::Value RouterFixture::Handshake(const HandClient& client) {
    const auto answer = router_->Handle("/velkor/security.do", client.HandshakeData());
    EXPECT_EQ(answer.status, 200) << answer.body;
    auto reply = ReplyJson(answer.body);
    EXPECT_TRUE(reply.has_value());
    return reply.value_or(Json::Value());
}

ServiceRouter::HttpAnswer RouterFixture::SendSealed(const HandClient& client,
                                                    const std::string& path,
                                                    const std::string& payload) {
    return router_->Handle("/velkor/" + path,
                           client.SealedData(payload, keys_->Pair()->ExponentHex(),
                                             keys_->Pair()->ModulusHex(), kKeyValue));
}

}  // namespace nimbrel::sim::test
