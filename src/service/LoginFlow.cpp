#include "service/LoginFlow.h"

#include <algorithm>

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "platform/WipedText.h"
#include "service/LoginRequest.h"
#include "service/PasswordMix.h"
#include "service/StatusWord.h"
#include "service/crypto/Digest.h"
#include "text/FullMatchPattern.h"
#include "text/ShownText.h"
#include "text/Translation.h"

namespace nimbrel {

// What the login worker learned, computed without touching the flow.
struct LoginFlow::Reply {
    Reply() = default;
    Reply(Reply&&) = default;
    Reply& operator=(Reply&&) = default;
    ~Reply() { WipeText(passwordMd5); }
    std::string passwordMd5;
    LoginOutcome outcome = LoginOutcome::NetworkFailure;
    LoginAnswer answer;
};

namespace {

constexpr int kHintMs = 800;

LoginOutcome OutcomeOfStatus(const std::string& status) {
    if (StatusIs(status, kStatusErrorPassword)) return LoginOutcome::WrongPassword;
    if (StatusIs(status, kStatusNoAccount)) return LoginOutcome::NoAccount;
    if (StatusIs(status, kStatusExpired)) return LoginOutcome::TokenExpired;
    return LoginOutcome::Refused;
}

const char* MessageOf(LoginOutcome outcome) {
    switch (outcome) {
        case LoginOutcome::NetworkFailure:
            return login_text::kNetwork;
        case LoginOutcome::WrongPassword:
            return login_text::kWrongPassword;
        case LoginOutcome::NoAccount:
            return login_text::kNoAccount;
        case LoginOutcome::TokenExpired:
            return login_text::kExpired;
        case LoginOutcome::Refused:
            return login_text::kRefused;
        case LoginOutcome::AccountSaveFailed:
            return login_text::kAccountSaveFailed;
        case LoginOutcome::SaveFailed:
            return login_text::kSaveFailed;
        case LoginOutcome::LoggedIn:
        case LoginOutcome::Cancelled:
            break;
    }
    return "";
}

}  // namespace

const char* LoginRefusalMessage(std::string_view status) {
    return MessageOf(OutcomeOfStatus(std::string(status)));
}

LoginFlow::LoginFlow(GlobalSettings& g, AppRecord& app, AccountFolder folder,
                     UserNotifier& notifier, Options options)
    : g_(g),
      app_(app),
      folder_(std::move(folder)),
      notifier_(notifier),
      options_(std::move(options)) {}

LoginFlow::~LoginFlow() {
    worker_.Abandon();
    StopProgress();
    WipeText(fields_.password);
}

std::optional<LoginCheck> LoginFlow::CheckFields(std::string_view name, std::string_view password) {
    static const FullMatchPattern kName(L"^([a-zA-Z0-9]|[_@.]){4,64}$");
    static const FullMatchPattern kPassword(L"^([a-zA-Z0-9]|[_@]|[.]){6,64}$");
    LoginCheck refusal;
    if (name.empty()) {
        refusal.hint = login_text::kEnterName;
        refusal.focus = LoginBox::UserName;
    } else if (!kName.MatchesUtf8(name)) {
        refusal = {false, login_text::kBadName, LoginBox::UserName, true, true};
    } else if (password.empty()) {
        refusal.hint = login_text::kEnterPassword;
        refusal.focus = LoginBox::Password;
    } else if (!kPassword.MatchesUtf8(password)) {
        refusal = {false, login_text::kBadPassword, LoginBox::Password, true, true};
    } else {
        return std::nullopt;
    }
    return refusal;
}

std::string LoginFlow::ProgressText(int step) {
    std::string shown = text::Tr("Core", "Вход");
    shown.append(static_cast<std::size_t>(((step % 8) + 8) % 8), '.');
    return shown;
}

void LoginFlow::ApplyChoice(const AccountFile& file, bool autoLoginUnlessZero) {
    const std::string autoLogin = file.Setting("AutoLogin").value_or("");
    const std::string stored =
        file.UserAttribute("Password").value_or(std::string(AccountFile::kNone));
    std::optional<std::string> password;
    if (stored != AccountFile::kNone) password = PasswordUnmix(stored);
    std::lock_guard guard(lock_);
    fields_.autoLogin = autoLoginUnlessZero ? autoLogin != "0" : autoLogin == "1";
    fields_.rememberPassword = password.has_value();
    fields_.password = password.value_or("");
}

LoginFlow::Opening LoginFlow::Open() {
    Opening opening;
    for (auto& entry : folder_.RecentAccounts()) opening.accounts.push_back(std::move(entry.name));
    if (opening.accounts.empty()) {
        opening.focus = LoginBox::UserName;
        return opening;
    }
    {
        std::lock_guard guard(lock_);
        fields_ = LoginFields{opening.accounts.front(), "", false, false};
    }
    AccountFile file;
    const auto path = folder_.FileFor(opening.accounts.front());
    if (path && file.Load(*path)) ApplyChoice(file, false);
    const LoginFields fields = Fields();
    if (!fields.rememberPassword) opening.focus = LoginBox::Password;
    if (fields.autoLogin) {
        g_.m_IsNew = 0;
        opening.automatic = Login();
    }
    return opening;
}

LoginFlow::Opening LoginFlow::OpenAfterRefusal(const std::string& name,
                                               const std::string& message) {
    Opening opening;
    for (auto& entry : folder_.RecentAccounts()) opening.accounts.push_back(std::move(entry.name));
    AccountFile file;
    const auto path = folder_.FileFor(name);
    if (path && file.Load(*path)) ApplyChoice(file, false);
    std::lock_guard guard(lock_);
    fields_.userName = name;
    WipeText(fields_.password);
    status_ = message;
    opening.focus = LoginBox::Password;
    return opening;
}

void LoginFlow::ChooseAccount(const std::optional<std::string>& name) {
    if (!name) {
        std::lock_guard guard(lock_);
        fields_.password.clear();
        return;
    }
    AccountFile file;
    const auto path = folder_.FileFor(*name);
    if (!path || !file.Load(*path)) return;
    {
        std::lock_guard guard(lock_);
        fields_.userName = *name;
    }
    ApplyChoice(file, true);
}

void LoginFlow::EditUserName(std::string text) {
    g_.m_IsNew = 1;
    std::lock_guard guard(lock_);
    fields_.userName = std::move(text);
    fields_.password.clear();
    status_.clear();
}

void LoginFlow::EditPassword(std::string text) {
    g_.m_IsNew = 1;
    std::lock_guard guard(lock_);
    fields_.password = std::move(text);
    status_.clear();
}

void LoginFlow::SetAutoLogin(bool on) {
    std::lock_guard guard(lock_);
    fields_.autoLogin = on;
    if (on) fields_.rememberPassword = true;
}

void LoginFlow::SetRememberPassword(bool on) {
    std::lock_guard guard(lock_);
    fields_.rememberPassword = on;
}

LoginFields LoginFlow::Fields() const {
    std::lock_guard guard(lock_);
    return fields_;
}

std::string LoginFlow::StatusText() const {
    std::lock_guard guard(lock_);
    return status_;
}

bool LoginFlow::Running() const {
    std::lock_guard guard(lock_);
    return running_;
}

std::optional<LoginResult> LoginFlow::LastResult() const {
    std::lock_guard guard(lock_);
    return last_;
}

void LoginFlow::SetFinishedHandler(std::function<void(const LoginResult&)> handler) {
    std::lock_guard guard(lock_);
    onFinished_ = std::move(handler);
}

void LoginFlow::SetStatusHandler(std::function<void(const std::string&)> handler) {
    std::lock_guard guard(lock_);
    onStatus_ = std::move(handler);
}

bool LoginFlow::WaitFinished(std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    {
        std::unique_lock guard(lock_);
        if (!finishedChanged_.wait_until(guard, deadline,
                                         [this] { return !running_ && finishing_ == 0; }))
            return false;
    }
    // The result is delivered from the request's own run, which ends just after: until then the
    // worker refuses the next start, so a login right after this would not start.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return worker_.Wait(std::max(left, std::chrono::milliseconds(0)));
}

LoginCheck LoginFlow::Login() {
    LoginFields fields;
    {
        std::lock_guard guard(lock_);
        if (running_) return {};
        if (fields_.autoLogin) fields_.rememberPassword = true;
        fields = fields_;
    }
    if (auto refusal = CheckFields(fields.userName, fields.password)) {
        {
            std::lock_guard guard(lock_);
            if (refusal->cleared) {
                (refusal->focus == LoginBox::UserName ? fields_.userName : fields_.password)
                    .clear();
            }
            if (refusal->alsoStatus) status_ = refusal->hint;
        }
        notifier_.ShowTip(refusal->hint, kHintMs);
        return *refusal;
    }

    {
        std::lock_guard guard(lock_);
        running_ = true;
    }
    StartProgress();

    const int isNew = g_.m_IsNew;
    const GlobalSettings& g = g_;
    const HttpOptions http = options_.http;
    const std::string name = fields.userName, password = fields.password;
    std::function<Reply()> work = [&g, http, name, password, isNew] {
        Reply reply;
        reply.passwordMd5 = Md5Hex(password);
        NLOG_DEBUG("Login::LoginThread global.m_IsNew = " << isNew);
        reply.answer = RequestLogin(g, name, reply.passwordMd5, isNew, http);
        if (reply.answer.answered && !reply.answer.statusOk)
            reply.outcome = OutcomeOfStatus(reply.answer.status);
        else if (reply.answer.complete)
            reply.outcome = LoginOutcome::LoggedIn;
        return reply;
    };
    const bool started = worker_.Start<Reply>(
        std::move(work), [this, fields](Reply& reply) { Deliver(reply, fields); });
    if (!started) Finish({LoginOutcome::NetworkFailure, "", login_text::kNetwork});
    LoginCheck check;
    check.started = started;
    return check;
}

void LoginFlow::Deliver(Reply& reply, const LoginFields& fields) {
    const LoginAnswer& answer = reply.answer;
    g_.SetPasswordMd5(reply.passwordMd5);
    if (answer.statusOk) {
        SetText(app_.m_UserName, fields.userName);
        SetText(app_.m_StoredPassword, PasswordMix(fields.password).value_or(""));
    }
    if (reply.outcome != LoginOutcome::LoggedIn) {
        Finish({reply.outcome, answer.status, MessageOf(reply.outcome)});
        return;
    }
    g_.m_DefTran = answer.defTran;
    g_.m_FirstDetection = answer.firstDetection;
    g_.m_SecondDetection = answer.secondDetection;
    SetText(g_.m_Token, answer.token);

    const auto path = folder_.FileFor(fields.userName);
    if (path) app_.m_ConfigPath = *path;
    if (!path || !folder_.Ensure() ||
        !AccountFile::SaveAccountId(*path, fields.userName, options_.defaults)) {
        Finish({LoginOutcome::AccountSaveFailed, answer.status, login_text::kAccountSaveFailed});
        return;
    }
    const std::string stored(fields.rememberPassword ? GetText(app_.m_StoredPassword)
                                                     : AccountFile::kNone);
    const bool passwordSaved = AccountFile::SavePassword(*path, stored);
    const bool autoLoginSaved = AccountFile::SaveAutoLogin(*path, fields.autoLogin);
    if (!passwordSaved || !autoLoginSaved) {
        Finish({LoginOutcome::SaveFailed, answer.status, login_text::kSaveFailed});
        return;
    }
    g_.m_LoggedIn = 1;
    Finish({LoginOutcome::LoggedIn, answer.status, ""});
}

void LoginFlow::Cancel() {
    worker_.Abandon();
    {
        std::lock_guard guard(lock_);
        if (!running_) return;
    }
    Finish({LoginOutcome::Cancelled, "", ""});
}

void LoginFlow::Finish(LoginResult result) {
    StopProgress();
    std::function<void(const LoginResult&)> onFinished;
    std::function<void(const std::string&)> onStatus;
    {
        std::lock_guard guard(lock_);
        running_ = false;
        ++finishing_;
        status_ = result.message;
        if (result.outcome == LoginOutcome::WrongPassword ||
            result.outcome == LoginOutcome::TokenExpired)
            fields_.password.clear();
        last_ = result;
        onFinished = onFinished_;
        onStatus = onStatus_;
    }
    NLOG_DEBUG("Login::Finish: status '" << ShownText(result.status) << "' message '"
                                         << result.message << "'");
    if (onStatus) onStatus(result.message);
    if (onFinished) onFinished(result);
    {
        std::lock_guard guard(lock_);
        --finishing_;
    }
    finishedChanged_.notify_all();
}

void LoginFlow::SetStatus(std::string text) {
    std::function<void(const std::string&)> onStatus;
    {
        std::lock_guard guard(lock_);
        status_ = text;
        onStatus = onStatus_;
    }
    if (onStatus) onStatus(text);
}

void LoginFlow::StartProgress() {
    StopProgress();
    {
        std::lock_guard guard(progressLock_);
        progressStop_ = false;
    }
    progress_ = std::thread([this] {
        for (int step = 1;; ++step) {
            SetStatus(ProgressText(step));
            std::unique_lock guard(progressLock_);
            if (progressWake_.wait_for(guard, options_.progressPeriod,
                                       [this] { return progressStop_; }))
                return;
        }
    });
}

void LoginFlow::StopProgress() {
    {
        std::lock_guard guard(progressLock_);
        progressStop_ = true;
    }
    progressWake_.notify_all();
    if (progress_.joinable()) progress_.join();
}

}  // namespace nimbrel
