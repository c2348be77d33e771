#include "TestAccount.h"

#include <json/writer.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "platform/FixedText.h"
#include "service/ReadLocalAdapter.h"
#include "service/SecurityHandshake.h"
#include "service/ServiceAddress.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "service/crypto/Digest.h"
#include "text/JsonText.h"

namespace nimbrel::test {
namespace {

class SilentNotifier : public UserNotifier {
  public:
    void MessageBox(std::string_view, std::string_view, Icon) override {}
    void ShowTip(std::string_view, int) override {}
};

void ReadEndpoint(const Json::Value& bean, const std::string& prefix, ServerEndpoint& out) {
    const auto text = [&](const char* suffix) {
        return StringMember(bean, (prefix + suffix).c_str()).value_or("");
    };
    SetText(out.ip, text("IP"));
    out.tcpPort = std::atoi(text("PortTcp").c_str());
    out.udpPort = std::atoi(text("PortUdp").c_str());
}

}  // namespace

ScenarioFile::ScenarioFile(const std::function<void(Json::Value&)>& edit) {
    std::ifstream in(SimProcess::ScenarioDir() / "demo.json");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto scenario = ParseJsonObject(text);
    if (!scenario) throw std::runtime_error("demo.json is not readable");
    edit(*scenario);
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() / ("nimbrel-test-" + std::to_string(getpid()) +
                                                      "-" + std::to_string(counter++) + ".json");
    std::ofstream out(path_);
    out << Json::writeString(Json::StreamWriterBuilder(), *scenario);
    if (!out) throw std::runtime_error("cannot write " + path_.string());
}

CtlAccountFolder::CtlAccountFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("nimbrel-accounts-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
}

CtlAccountFolder::~CtlAccountFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScenarioFile::~ScenarioFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

bool PrepareClient(GlobalSettings& g, AppRecord& app, const SimProcess& sim, std::string* why) {
    const auto fail = [why](const char* reason) {
        if (why) *why = reason;
        return false;
    };
    if (!ApplyServiceUrl(g, sim.ServiceUrl())) return fail("service URL not accepted");
    if (!ReadLocalAdapter(g, "lo")) return fail("adapter lo not readable");
    SilentNotifier notifier;
    HandshakeOptions options;
    options.startUpdater = false;
    if (SecurityHandshake(g, app, notifier, options) != HandshakeResult::Ok)
        return fail("handshake failed");
    return true;
}

std::string SignIn(GlobalSettings& g, AppRecord& app, const std::string& user,
                   const std::string& password) {
    SetText(g.m_PasswordMd5, Md5Hex(password));
    const std::string payload = "uid:" + user + "&psd:" + std::string(GetText(g.m_PasswordMd5)) +
                                "&exp:" + std::string(GetText(g.m_RsaExp)) +
                                "&mod:" + std::string(GetText(g.m_RsaMod)) +
                                "&isnew:1&mac:" + std::string(GetText(g.m_Mac));
    const auto reply = SendSealed(g, ServiceOp::Login, payload, kReply512K);
    if (!reply) return "";
    const std::string status = ReplyStatus(*reply);
    if (!StatusIs(status, kStatusOk)) return status;
    const auto body = OpenSealedReply(*reply, kReply256K);
    if (!body) return "";
    const Json::Value& opened = *body;
    const Json::Value& server = opened["serverBean"];
    const Json::Value& userBean = opened["userBean"];
    if (!server.isObject() || !userBean.isObject()) return "";
    ReadEndpoint(server, "defTran", g.m_DefTran);
    ReadEndpoint(server, "firstDetection", g.m_FirstDetection);
    ReadEndpoint(server, "secondDetection", g.m_SecondDetection);
    SetText(g.m_Token, StringMember(userBean, "token").value_or(""));
    SetText(app.m_UserName, user);
    return status;
}

void UseDetectionServers(GlobalSettings& g, const SimProcess& sim) {
    const Json::Value& detection = sim.Info()["detection"];
    const auto fill = [](const Json::Value& server, ServerEndpoint& out) {
        SetText(out.ip, server["ip"].asString());
        out.tcpPort = server["tcpPort"].asInt();
        out.udpPort = server["udpPort"].asInt();
    };
    fill(detection["first"], g.m_FirstDetection);
    fill(detection["second"], g.m_SecondDetection);
}

}  // namespace nimbrel::test
