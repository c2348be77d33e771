// The service's accounts and devices for one run, as the scenario starts them and the
// operations change them: passwords, issued login tokens, password recovery progress,
// bindings of devices to accounts, alarm settings and the feedback received.
// Threading: every method may be called from any thread (one internal mutex).
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Scenario.h"

namespace nimbrel::sim {

class AccountBook {
  public:
    explicit AccountBook(const Scenario& scenario);

    struct LoginOutcome {
        std::string status;  // OK, NOUSR, ERRORPSD, DUE
        std::string token;
        std::string nickName;
    };
    // `psdMd5` is the MD5 hex of the password; `typed` false for an automatic login.
    LoginOutcome Login(const std::string& uid, const std::string& psdMd5, bool typed);

    // "" when `uid` exists and `token` was issued to it by a login of this run; else the
    // status word to answer and a note.
    std::string CheckSession(const std::string& uid, const std::string& token,
                             std::string* note) const;
    // Every token issued so far stops being valid, as after a restart of the service.
    void ForgetTokens();

    struct RecoveryAccount {
        std::string id;
        std::vector<int> questions;
    };
    // Step 1: the account by name or id; starts a new recovery.
    std::optional<RecoveryAccount> BeginRecovery(const std::string& nameOrId);
    // Step 2: OK, NOUSER or ERRORANSWER; OK allows step 3.
    std::string AnswerQuestion(const std::string& id, int question, const std::string& answer);
    // Step 3: OK, NOUSER, or ERROR when no question was answered first.
    std::string ResetPassword(const std::string& id, const std::string& psdMd5);
    // OK, NOUSR, ERRORPSD.
    std::string ChangePassword(const std::string& uid, const std::string& oldMd5,
                               const std::string& newMd5);

    struct BoundUser {
        std::string uid;
        std::string nickName;
        bool isAdmin = false;
    };
    // OK, NOUSR or NODEV; the list in the order the service reports it.
    std::string ListUsers(const std::string& uid, const std::string& sid,
                          std::vector<BoundUser>& out) const;
    // OK, NOUSR, NODEV, NOUSER, REPEAT, OUTMAX, or ERROR when `uid` is not the owner.
    std::string AddUser(const std::string& uid, const std::string& sid, const std::string& name);
    // OK, NOUSR, NODEV, NOUSER (not bound), or ERROR (not the owner, or the owner named).
    std::string DeleteUser(const std::string& uid, const std::string& sid, const std::string& name);

    // OK, NOUSR, NODEV.
    std::string SetAlarm(const std::string& uid, const std::string& sid, bool on);
    // OK, NOUSR, NODEV, OFFLINE.
    std::string SetAlarmTime(const std::string& uid, const std::string& sid, int start, int end);

    struct ListedDevice {
        DeviceSpec device;
        int init = 0;  // 1: `uid` owns the device; 2: it is shared with `uid`
    };
    // OK or NOUSR; the devices bound to `uid` (owned or shared), in scenario order.
    std::string ListDevices(const std::string& uid, std::vector<ListedDevice>& out) const;
    // OK, NOUSR, NODEV; the name is the device's for every bound account.
    std::string RenameDevice(const std::string& uid, const std::string& sid,
                             const std::string& name);
    // OK, NOUSR, ERRORPSD (psdMd5 is not the account's password), NODEV. The owner's delete
    // takes the device from every account; another account's only from its own list.
    std::string DeleteDevice(const std::string& uid, const std::string& sid,
                             const std::string& psdMd5);
    enum class DeviceSwitch { Led, Voice };
    // OK, NOUSR, NODEV, or ERROR when the device has no such switch (showLED/showSound 0).
    std::string SetDeviceSwitch(const std::string& uid, const std::string& sid, DeviceSwitch which,
                                bool on);

    bool HasAccount(const std::string& uid) const;
    void SaveAdvice(const std::string& uid, const std::string& text);

    // Snapshots for later operations and tests.
    std::optional<DeviceSpec> Device(const std::string& sid) const;
    std::vector<std::string> Advices() const;

  private:
    struct Account {
        AccountSpec setup;
        std::string passwordMd5;
        std::set<std::string> tokens;
        bool recoveryAnswered = false;
    };
    Account* FindByName(const std::string& name);
    const Account* FindByName(const std::string& name) const;
    Account* FindById(const std::string& id);
    DeviceSpec* FindDevice(const std::string& sid);
    const DeviceSpec* FindDevice(const std::string& sid) const;
    // The device if `uid` is bound to it; else the status word in `status`.
    DeviceSpec* BoundDevice(const std::string& uid, const std::string& sid, std::string& status);
    static bool IsBound(const DeviceSpec& device, const std::string& uid);

    mutable std::mutex lock_;
    std::vector<Account> accounts_;
    std::vector<DeviceSpec> devices_;
    std::vector<std::string> advices_;
};

}  // namespace nimbrel::sim
