#include "ClientSession.h"

#include <unistd.h>

#include <atomic>
#include <chrono>

#include "platform/FixedText.h"
#include "service/AccountFolder.h"
#include "service/LoginFlow.h"
#include "service/ReadLocalAdapter.h"
#include "service/SecurityHandshake.h"
#include "service/ServiceAddress.h"

namespace nimbrel::test {
namespace {

bool Fail(std::string* why, const std::string& reason) {
    if (why) *why = reason;
    return false;
}

}  // namespace

ClientSession::ClientSession() {
    static std::atomic<int> serial{0};
    configDir_ = std::filesystem::temp_directory_path() /
                 ("nimbrel-client-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::remove_all(configDir_);
    std::filesystem::create_directories(configDir_);
}

ClientSession::~ClientSession() {
    std::error_code ec;
    std::filesystem::remove_all(configDir_, ec);
}

bool ClientSession::Connect(const SimProcess& sim, std::string* why) {
    if (!ApplyServiceUrl(g, sim.ServiceUrl())) return Fail(why, "service URL not accepted");
    if (!ReadLocalAdapter(g, "lo")) return Fail(why, "adapter lo not readable");
    HandshakeOptions options;
    options.startUpdater = false;
    if (SecurityHandshake(g, app, notifier, options) != HandshakeResult::Ok)
        return Fail(why, "handshake failed");
    return true;
}

bool ClientSession::SignIn(const SimProcess& sim, const std::string& user,
                           const std::string& password, std::string* why) {
    if (!Connect(sim, why)) return false;
    LoginFlow::Options options;
    options.defaults = {configDir_.string() + "/VideoFile/", configDir_.string() + "/ImageFile/"};
    LoginFlow flow(g, app, AccountFolder(configDir_), notifier, options);
    flow.EditUserName(user);
    flow.EditPassword(password);
    const LoginCheck check = flow.Login();
    if (!check.started) return Fail(why, "login refused before sending: " + check.hint);
    if (!flow.WaitFinished(std::chrono::seconds(60))) return Fail(why, "login did not finish");
    const auto result = flow.LastResult();
    if (!result || result->outcome != LoginOutcome::LoggedIn)
        return Fail(why, "login failed: " + (result ? result->message : std::string("no result")));
    SetText(app.m_UserMac, std::string(GetText(app.m_UserName)) + "," + std::string(GetText(g.m_Mac)));
    return true;
}

}  // namespace nimbrel::test
