#include "AccountBook.h"

#include <algorithm>

#include "ServiceSigning.h"
#include "service/crypto/RandomText.h"

namespace nimbrel::sim {
namespace {

// Bound on the feedback kept in memory for a run.
constexpr std::size_t kMaxAdvices = 1000;
// Bound on the tokens one account keeps valid; beyond it an earlier one is dropped.
constexpr std::size_t kMaxTokens = 256;

}  // namespace

AccountBook::AccountBook(const Scenario& scenario) : devices_(scenario.devices) {
    for (const auto& setup : scenario.accounts) {
        Account a;
        a.setup = setup;
        a.passwordMd5 = Md5HexOf(setup.password);
        accounts_.push_back(std::move(a));
    }
}

AccountBook::Account* AccountBook::FindByName(const std::string& name) {
    for (auto& a : accounts_)
        if (a.setup.name == name) return &a;
    return nullptr;
}

const AccountBook::Account* AccountBook::FindByName(const std::string& name) const {
    return const_cast<AccountBook*>(this)->FindByName(name);
}

AccountBook::Account* AccountBook::FindById(const std::string& id) {
    for (auto& a : accounts_)
        if (a.setup.id == id) return &a;
    return nullptr;
}

DeviceSpec* AccountBook::FindDevice(const std::string& sid) {
    for (auto& d : devices_)
        if (d.sid == sid) return &d;
    return nullptr;
}

const DeviceSpec* AccountBook::FindDevice(const std::string& sid) const {
    return const_cast<AccountBook*>(this)->FindDevice(sid);
}

bool AccountBook::IsBound(const DeviceSpec& device, const std::string& uid) {
    return device.owner == uid || std::find(device.sharedWith.begin(), device.sharedWith.end(),
                                            uid) != device.sharedWith.end();
}

DeviceSpec* AccountBook::BoundDevice(const std::string& uid, const std::string& sid,
                                     std::string& status) {
    if (!FindByName(uid)) {
        status = "NOUSR";
        return nullptr;
    }
    DeviceSpec* device = FindDevice(sid);
    if (!device || !IsBound(*device, uid)) {
        status = "NODEV";
        return nullptr;
    }
    status = "OK";
    return device;
}

AccountBook::LoginOutcome AccountBook::Login(const std::string& uid, const std::string& psdMd5,
                                             bool typed) {
    std::lock_guard<std::mutex> hold(lock_);
    Account* a = FindByName(uid);
    if (!a) return {"NOUSR", {}, {}};
    if (psdMd5 != a->passwordMd5) return {"ERRORPSD", {}, {}};
    if (a->setup.tokenExpired) {
        if (!typed) return {"DUE", {}, {}};
        a->setup.tokenExpired = false;  // the typed password renews the account's token
    }
    const std::string token = a->setup.token.empty() ? RandomChars(kHexAlphabet, 32) : a->setup.token;
    if (a->tokens.size() >= kMaxTokens) a->tokens.erase(a->tokens.begin());
    a->tokens.insert(token);
    return {"OK", token, a->setup.nickName};
}

std::string AccountBook::CheckSession(const std::string& uid, const std::string& token,
                                      std::string* note) const {
    std::lock_guard<std::mutex> hold(lock_);
    const Account* a = FindByName(uid);
    if (!a) {
        if (note) *note = "no account " + uid;
        return "NOUSR";
    }
    if (!a->tokens.count(token)) {
        if (note) *note = "token was not issued to " + uid + " by a login";
        return "ERROR";
    }
    return "";
}

void AccountBook::ForgetTokens() {
    std::lock_guard<std::mutex> hold(lock_);
    for (Account& a : accounts_) a.tokens.clear();
}

std::optional<AccountBook::RecoveryAccount> AccountBook::BeginRecovery(
    const std::string& nameOrId) {
    std::lock_guard<std::mutex> hold(lock_);
    Account* a = FindByName(nameOrId);
    if (!a) a = FindById(nameOrId);
    if (!a) return std::nullopt;
    a->recoveryAnswered = false;
    RecoveryAccount r{a->setup.id, {}};
    for (const auto& q : a->setup.questions) r.questions.push_back(q.number);
    return r;
}

std::string AccountBook::AnswerQuestion(const std::string& id, int question,
                                        const std::string& answer) {
    std::lock_guard<std::mutex> hold(lock_);
    Account* a = FindById(id);
    if (!a) return "NOUSER";
    for (const auto& q : a->setup.questions) {
        if (q.number == question && q.answer == answer) {
            a->recoveryAnswered = true;
            return "OK";
        }
    }
    return "ERRORANSWER";
}

std::string AccountBook::ResetPassword(const std::string& id, const std::string& psdMd5) {
    std::lock_guard<std::mutex> hold(lock_);
    Account* a = FindById(id);
    if (!a) return "NOUSER";
    if (!a->recoveryAnswered) return "ERROR";
    a->passwordMd5 = psdMd5;
    a->recoveryAnswered = false;
    return "OK";
}

std::string AccountBook::ChangePassword(const std::string& uid, const std::string& oldMd5,
                                        const std::string& newMd5) {
    std::lock_guard<std::mutex> hold(lock_);
    Account* a = FindByName(uid);
    if (!a) return "NOUSR";
    if (a->passwordMd5 != oldMd5) return "ERRORPSD";
    a->passwordMd5 = newMd5;
    return "OK";
}

std::string AccountBook::ListUsers(const std::string& uid, const std::string& sid,
                                   std::vector<BoundUser>& out) const {
    std::lock_guard<std::mutex> hold(lock_);
    out.clear();
    std::string status;
    const DeviceSpec* device = const_cast<AccountBook*>(this)->BoundDevice(uid, sid, status);
    if (!device) return status;
    auto user = [&](const std::string& name, bool admin) {
        const Account* a = FindByName(name);
        return BoundUser{name, a ? a->setup.nickName : name, admin};
    };
    if (!device->listAdminLast) out.push_back(user(device->owner, true));
    for (const auto& name : device->sharedWith) out.push_back(user(name, false));
    if (device->listAdminLast) out.push_back(user(device->owner, true));
    return "OK";
}

std::string AccountBook::AddUser(const std::string& uid, const std::string& sid,
                                 const std::string& name) {
    std::lock_guard<std::mutex> hold(lock_);
    std::string status;
    DeviceSpec* device = BoundDevice(uid, sid, status);
    if (!device) return status;
    if (device->owner != uid) return "ERROR";
    if (!FindByName(name)) return "NOUSER";
    if (IsBound(*device, name)) return "REPEAT";
    if (static_cast<int>(device->sharedWith.size()) + 1 >= device->maxUsers) return "OUTMAX";
    device->sharedWith.push_back(name);
    return "OK";
}

std::string AccountBook::DeleteUser(const std::string& uid, const std::string& sid,
                                    const std::string& name) {
    std::lock_guard<std::mutex> hold(lock_);
    std::string status;
    DeviceSpec* device = BoundDevice(uid, sid, status);
    if (!device) return status;
    if (device->owner != uid || name == device->owner) return "ERROR";
    auto& shared = device->sharedWith;
    const auto it = std::find(shared.begin(), shared.end(), name);
    if (it == shared.end()) return "NOUSER";
    shared.erase(it);
    return "OK";
}

std::string AccountBook::SetAlarm(const std::string& uid, const std::string& sid, bool on) {
    std::lock_guard<std::mutex> hold(lock_);
    std::string status;
    DeviceSpec* device = BoundDevice(uid, sid, status);
    if (!device) return status;
    device->alarmStatus = on ? 1 : 0;
    return "OK";
}

std::string AccountBook::SetAlarmTime(const std::string& uid, const std::string& sid, int start,
                                      int end) {
    std::lock_guard<std::mutex> hold(lock_);
    std::string status;
    DeviceSpec* device = BoundDevice(uid, sid, status);
    if (!device) return status;
    if (device->status != 1) return "OFFLINE";
    device->alarmStartTime = start;
    device->alarmEndTime = end;
    device->alarmStatus = 1;
    return "OK";
}

std::string AccountBook::ListDevices(const std::string& uid, std::vector<ListedDevice>& out) const {
    std::lock_guard<std::mutex> hold(lock_);
    out.clear();
    if (!FindByName(uid)) return "NOUSR";
    for (const auto& d : devices_)
        if (IsBound(d, uid)) out.push_back({d, d.owner == uid ? 1 : 2});
    return "OK";
}

std::string AccountBook::RenameDevice(const std::string& uid, const std::string& sid,
                                      const std::string& name) {
    std::lock_guard<std::mutex> hold(lock_);
    std::string status;
    DeviceSpec* device = BoundDevice(uid, sid, status);
    if (device) device->name = name;
    return status;
}

std::string AccountBook::DeleteDevice(const std::string& uid, const std::string& sid,
                                      const std::string& psdMd5) {
    std::lock_guard<std::mutex> hold(lock_);
    const Account* a = FindByName(uid);
    if (!a) return "NOUSR";
    // The account proves itself before the device is looked at.
    if (psdMd5 != a->passwordMd5) return "ERRORPSD";
    std::string status;
    DeviceSpec* device = BoundDevice(uid, sid, status);
    if (!device) return status;
    if (device->owner == uid) {
        devices_.erase(devices_.begin() + (device - devices_.data()));
    } else {
        auto& shared = device->sharedWith;
        shared.erase(std::find(shared.begin(), shared.end(), uid));
    }
    return "OK";
}

std::string AccountBook::SetDeviceSwitch(const std::string& uid, const std::string& sid,
                                         DeviceSwitch which, bool on) {
    std::lock_guard<std::mutex> hold(lock_);
    std::string status;
    DeviceSpec* device = BoundDevice(uid, sid, status);
    if (!device) return status;
    const bool has = which == DeviceSwitch::Led ? device->showLED == 1 : device->showSound == 1;
    if (!has) return "ERROR";
    (which == DeviceSwitch::Led ? device->ledStatus : device->soundLeadStatus) = on ? 1 : 0;
    return "OK";
}

bool AccountBook::HasAccount(const std::string& uid) const {
    std::lock_guard<std::mutex> hold(lock_);
    return FindByName(uid) != nullptr;
}

void AccountBook::SaveAdvice(const std::string& uid, const std::string& text) {
    std::lock_guard<std::mutex> hold(lock_);
    if (advices_.size() >= kMaxAdvices) advices_.erase(advices_.begin());
    advices_.push_back(uid + ": " + text);
}

std::optional<DeviceSpec> AccountBook::Device(const std::string& sid) const {
    std::lock_guard<std::mutex> hold(lock_);
    const DeviceSpec* d = FindDevice(sid);
    if (!d) return std::nullopt;
    return *d;
}

std::vector<std::string> AccountBook::Advices() const {
    std::lock_guard<std::mutex> hold(lock_);
    return advices_;
}

}  // namespace nimbrel::sim
