// The login dialog without its window: the recent accounts, the checks of the typed name and
// password, the login request and the meaning of its reply, the account file saves, cancel.
// Threading: the view's thread calls every method. The finish handler runs on the login worker's
// thread (or on the caller's, for Cancel); the status handler on the progress ticker's thread.
// Both must only hand the news over to the view's thread and must not wait for it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/RequestWorker.h"
#include "platform/UserNotifier.h"
#include "service/AccountFile.h"
#include "service/AccountFolder.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"
#include "text/Translation.h"

namespace nimbrel {

namespace login_text {
inline constexpr const char* kTitle = NIMBREL_TR_NOOP("Core", "имя пользователя Farlo");
inline constexpr const char* kEnterName = NIMBREL_TR_NOOP("Core", "Введите имя пользователя");
inline constexpr const char* kBadName =
    NIMBREL_TR_NOOP("Core", "Имя может состоять из букв, цифр, длиной 4-64 символов");
inline constexpr const char* kEnterPassword = NIMBREL_TR_NOOP("Core", "Введите пароль");
inline constexpr const char* kBadPassword =
    NIMBREL_TR_NOOP("Core", "Пароль может состоять из букв, цифр, длиной 6-64 символов");
inline constexpr const char* kNetwork =
    NIMBREL_TR_NOOP("Core", "Не удалось войти в систему, проверьте настройки сети！");
inline constexpr const char* kWrongPassword = NIMBREL_TR_NOOP("Core", "Неверно введен пароль！");
inline constexpr const char* kNoAccount =
    NIMBREL_TR_NOOP("Core", "Имя пользователя не существует！");
inline constexpr const char* kExpired = NIMBREL_TR_NOOP(
    "Core", "Для обеспечения безопасности счета, пожалуйста, вновь ввести пароль！");
inline constexpr const char* kRefused =
    NIMBREL_TR_NOOP("Core", "Авторизация не удалась, проверьте имя пользователя и пароль！");
inline constexpr const char* kAccountSaveFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось сохранить информацию, попробуйте еще раз！");
inline constexpr const char* kSaveFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось сохранить информацию, попробуйте еще раз");
}  // namespace login_text

enum class LoginBox { None, UserName, Password };

// What the login button did: either the request started, or a check refused the fields.
struct LoginCheck {
    bool started = false;
    std::string hint;  // the notice shown (already sent to the notifier)
    LoginBox focus = LoginBox::None;
    bool cleared = false;     // the focused box was emptied
    bool alsoStatus = false;  // the hint is also the status text now
};

enum class LoginOutcome {
    LoggedIn,           // m_LoggedIn is 1; the dialog closes
    NetworkFailure,     // no request, no reply, unparsable reply or sealed body
    WrongPassword,      // "ERRORPSD"
    NoAccount,          // "NOUSR"
    TokenExpired,       // "DUE"
    Refused,            // any other status word
    AccountSaveFailed,  // the account file could not be made or its ID written
    SaveFailed,         // the password or automatic-login choice could not be written
    Cancelled,
};

struct LoginResult {
    LoginOutcome outcome = LoginOutcome::Cancelled;
    std::string status;   // the reply's status word; empty when no reply was read
    std::string message;  // the status text shown; empty for LoggedIn and Cancelled
};

// The status text the login window shows for a login that the service turned down with
// `status` (an OK without a usable token counts as "any other status").
const char* LoginRefusalMessage(std::string_view status);

// The dialog's fields, as the view shows them.
struct LoginFields {
    std::string userName;
    std::string password;
    bool autoLogin = false;
    bool rememberPassword = false;
};

class LoginFlow {
  public:
    struct Options {
        AccountFileDefaults defaults;
        HttpOptions http;
        std::chrono::milliseconds progressPeriod{200};
    };

    LoginFlow(GlobalSettings& g, AppRecord& app, AccountFolder folder, UserNotifier& notifier,
              Options options);
    // Abandons a running login; wipes the typed password.
    ~LoginFlow();
    LoginFlow(const LoginFlow&) = delete;
    LoginFlow& operator=(const LoginFlow&) = delete;

    struct Opening {
        std::vector<std::string> accounts;  // the name list, newest first
        LoginBox focus = LoginBox::None;
        // Set when the first account logs in automatically: what the login button did.
        std::optional<LoginCheck> automatic;
    };
    // The dialog opens: lists the recent accounts, takes the first one's remembered choices and
    // starts its automatic login when it asks for one.
    Opening Open();
    // The dialog opens again after the service refused the signed-in account's password: the
    // recent accounts, that account chosen with its remembered ticks but no password, `message`
    // as the status text, and no automatic login (the refused password is not tried again).
    Opening OpenAfterRefusal(const std::string& name, const std::string& message);

    // A name chosen in the list (nothing: the selection was cleared). Loads that account's file;
    // a file that cannot be loaded changes nothing.
    void ChooseAccount(const std::optional<std::string>& name);
    // Typing into the boxes: the name clears the password; both clear the status text and mark
    // the login as typed (m_IsNew = 1).
    void EditUserName(std::string text);
    void EditPassword(std::string text);
    // Ticking automatic login also ticks remember-password.
    void SetAutoLogin(bool on);
    void SetRememberPassword(bool on);

    LoginFields Fields() const;
    std::string StatusText() const;

    // The login button: the checks, then the request on its own thread.
    LoginCheck Login();
    // The cancel button: the running login's result is dropped; it finishes at once as Cancelled.
    void Cancel();
    bool Running() const;
    // Waits for the running login to finish, its handlers included; false when `limit` passed
    // first.
    bool WaitFinished(std::chrono::milliseconds limit) const;
    std::optional<LoginResult> LastResult() const;

    void SetFinishedHandler(std::function<void(const LoginResult&)> handler);
    void SetStatusHandler(std::function<void(const std::string&)> handler);

    // The refusal of the typed name and password by the login checks, nothing when they pass.
    static std::optional<LoginCheck> CheckFields(std::string_view name, std::string_view password);
    // The progress text of animation step `step`: "Вход" and step % 8 dots.
    static std::string ProgressText(int step);

  private:
    struct Reply;
    void ApplyChoice(const AccountFile& file, bool autoLoginUnlessZero);
    void Deliver(Reply& reply, const LoginFields& fields);
    void Finish(LoginResult result);
    void StartProgress();
    void StopProgress();
    void SetStatus(std::string text);

    GlobalSettings& g_;
    AppRecord& app_;
    const AccountFolder folder_;
    UserNotifier& notifier_;
    const Options options_;

    mutable std::mutex lock_;
    LoginFields fields_;
    std::string status_;
    bool running_ = false;
    int finishing_ = 0;  // finishes whose handlers are still being called
    std::optional<LoginResult> last_;
    std::function<void(const LoginResult&)> onFinished_;
    std::function<void(const std::string&)> onStatus_;
    mutable std::condition_variable finishedChanged_;

    std::mutex progressLock_;
    std::condition_variable progressWake_;
    bool progressStop_ = false;
    std::thread progress_;

    RequestWorker worker_{"login"};
};

}  // namespace nimbrel
