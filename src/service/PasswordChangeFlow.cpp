#include "service/PasswordChangeFlow.h"

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "platform/WipedText.h"
#include "service/AccountStore.h"
#include "service/PasswordMix.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "service/crypto/Digest.h"
#include "text/FullMatchPattern.h"

namespace nimbrel {
namespace {

PasswordChangeCheck Refusal(PasswordBox box, const char* status, bool clear) {
    PasswordChangeCheck check;
    check.box = box;
    check.status = status;
    check.clear = clear;
    return check;
}

}  // namespace

PasswordChangeFlow::PasswordChangeFlow(GlobalSettings& g, AppRecord& app, UserNotifier& notifier,
                                       Options options)
    : g_(g), app_(app), notifier_(notifier), options_(std::move(options)) {}

PasswordChangeFlow::~PasswordChangeFlow() {
    worker_.Abandon();
}

std::optional<PasswordChangeResult> PasswordChangeFlow::LastResult() const {
    std::lock_guard guard(lock_);
    return last_;
}

void PasswordChangeFlow::SetResultHandler(
    std::function<void(const PasswordChangeResult&)> handler) {
    std::lock_guard guard(lock_);
    onResult_ = std::move(handler);
}

PasswordChangeCheck PasswordChangeFlow::Apply(const std::string& oldPassword,
                                              const std::string& newPassword,
                                              const std::string& repeat) {
    static const FullMatchPattern kPassword(L"^([a-zA-Z0-9]|[@._]){6,64}$");
    if (oldPassword.empty()) return Refusal(PasswordBox::Old, change_text::kEnterOld, false);
    if (newPassword.empty()) return Refusal(PasswordBox::New, change_text::kEnterNew, false);
    if (repeat.empty()) return Refusal(PasswordBox::Repeat, change_text::kEnterRepeat, false);
    if (!kPassword.MatchesUtf8(oldPassword))
        return Refusal(PasswordBox::Old, change_text::kBadOld, true);
    if (!kPassword.MatchesUtf8(newPassword))
        return Refusal(PasswordBox::New, change_text::kBadNew, true);
    if (newPassword != repeat) return Refusal(PasswordBox::Repeat, change_text::kMismatch, true);
    if (!PasswordMatches(oldPassword, GetText(app_.m_StoredPassword)))
        return Refusal(PasswordBox::Old, change_text::kWrongOld, true);

    const GlobalSettings& g = g_;
    const HttpOptions http = options_.http;
    const std::string user(GetText(app_.m_UserName));
    std::function<PasswordChangeResult()> work = [&g, http, user, newPassword] {
        PasswordChangeResult result;
        result.message = change_text::kFailed;
        std::optional<Json::Value> reply;
        {
            // The payload carries both digests: wiped once sent.
            WipedText payload;
            payload->append("uid:").append(user);
            payload->append("&mac:").append(GetText(g.m_Mac));
            payload->append("&token:").append(g.SessionText(g.m_Token));
            payload->append("&old:");
            g.AppendPasswordMd5(*payload);
            payload->append("&psd:").append(Md5Hex(newPassword));
            reply = SendSealed(g, ServiceOp::ChangePassword, *payload, kReply64K, http);
        }
        if (!reply) return result;
        result.status = ReplyStatus(*reply);
        if (StatusIs(result.status, kStatusOk)) {
            result.ok = true;
            result.message = change_text::kChanged;
        }
        return result;
    };
    PasswordChangeCheck check;
    check.started = worker_.Start<PasswordChangeResult>(
        std::move(work),
        [this, newPassword](PasswordChangeResult& result) { Deliver(result, newPassword); });
    return check;
}

void PasswordChangeFlow::Deliver(PasswordChangeResult& result, const std::string& newPassword) {
    if (result.ok) {
        // The service now knows only the new password: a later device delete or change sends
        // this digest.
        g_.SetPasswordMd5(Md5Hex(newPassword));
        // The new stored form replaces the old one only when the account file loads, and goes
        // into the file only when the file remembers the password.
        const std::string stored = PasswordMix(newPassword).value_or("");
        bool loaded = false;
        bool remembered = false;
        const bool saved = AccountStore::For(app_.m_ConfigPath).Change([&](AccountFile& file) {
            loaded = true;
            remembered = file.UserAttribute("Password").value_or(std::string(AccountFile::kNone)) !=
                         AccountFile::kNone;
            return remembered && file.SetUserAttribute("Password", stored);
        });
        if (loaded) {
            SetText(app_.m_StoredPassword, stored);
            result.clearBoxes = true;
        }
        if (remembered && !saved)
            NLOG_WARN("Page5: the new password could not be saved to " << app_.m_ConfigPath);
    }
    std::function<void(const PasswordChangeResult&)> onResult;
    {
        std::lock_guard guard(lock_);
        last_ = result;
        onResult = onResult_;
    }
    notifier_.MessageBox(result.message, change_text::kCaption);
    if (onResult) onResult(result);
}

}  // namespace nimbrel
