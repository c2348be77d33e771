// Changing the signed-in account's password from the settings page, without the page: the
// checks of the three boxes, changePassword.do, and the stored password and the password's
// digest kept in step, so that later requests of the session send the new one.
// Threading: the view's thread calls Apply; the result is delivered on the worker's thread (the
// handler must only hand it over to the view's thread).
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/RequestWorker.h"
#include "platform/UserNotifier.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"
#include "text/Translation.h"

namespace nimbrel {

namespace change_text {
inline constexpr const char* kCaption = NIMBREL_TR_NOOP("Core", "подсказки");
inline constexpr const char* kEnterOld =
    NIMBREL_TR_NOOP("Core", "Пожалуйста, введите старый пароль");
inline constexpr const char* kEnterNew =
    NIMBREL_TR_NOOP("Core", "Пожалуйста, введите новый пароль");
inline constexpr const char* kEnterRepeat = NIMBREL_TR_NOOP("Core", "Введите новый пароль еще раз");
inline constexpr const char* kBadOld = NIMBREL_TR_NOOP("Core", "Неверно введен пароль");
inline constexpr const char* kBadNew = NIMBREL_TR_NOOP("Core", "Неверный формат введенного пароля");
inline constexpr const char* kMismatch =
    NIMBREL_TR_NOOP("Core", "Введенные пароли не соответствуют");
inline constexpr const char* kWrongOld = NIMBREL_TR_NOOP("Core", "Старый пароль введен неверно");
inline constexpr const char* kChanged = NIMBREL_TR_NOOP("Core", "Пароль изменен успешно");
inline constexpr const char* kFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось сменить пароль. Пожалуйста, попробуйте позже");
}  // namespace change_text

enum class PasswordBox { None, Old, New, Repeat };

// What the apply command did: the request started, or a box was refused: its status line
// shows `status`, it takes the focus and, when `clear` is set, is emptied.
struct PasswordChangeCheck {
    bool started = false;
    PasswordBox box = PasswordBox::None;
    std::string status;
    bool clear = false;
};

struct PasswordChangeResult {
    bool ok = false;          // the service changed the password
    std::string status;       // the reply's status word, empty when none was read
    std::string message;      // the message box shown
    bool clearBoxes = false;  // the three boxes are to be emptied
};

class PasswordChangeFlow {
  public:
    struct Options {
        HttpOptions http;
    };

    PasswordChangeFlow(GlobalSettings& g, AppRecord& app, UserNotifier& notifier,
                       Options options = {});
    ~PasswordChangeFlow();
    PasswordChangeFlow(const PasswordChangeFlow&) = delete;
    PasswordChangeFlow& operator=(const PasswordChangeFlow&) = delete;

    // The apply command with the old, new and repeated password (UTF-8). Nothing happens while
    // a change is still under way.
    PasswordChangeCheck Apply(const std::string& oldPassword, const std::string& newPassword,
                              const std::string& repeat);

    bool Running() const { return worker_.Running(); }
    bool WaitIdle(std::chrono::milliseconds limit) const { return worker_.Wait(limit); }
    std::optional<PasswordChangeResult> LastResult() const;
    void SetResultHandler(std::function<void(const PasswordChangeResult&)> handler);

  private:
    void Deliver(PasswordChangeResult& result, const std::string& newPassword);

    GlobalSettings& g_;
    AppRecord& app_;
    UserNotifier& notifier_;
    const Options options_;

    mutable std::mutex lock_;
    std::optional<PasswordChangeResult> last_;
    std::function<void(const PasswordChangeResult&)> onResult_;

    RequestWorker worker_{"passwd"};
};

}  // namespace nimbrel
