#include "service/PasswordRecoveryFlow.h"

#include <algorithm>

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/SecurityQuestions.h"
#include "service/ServiceCipher.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "service/SupportContact.h"
#include "service/crypto/Digest.h"
#include "text/FullMatchPattern.h"
#include "text/JsonText.h"
#include "text/ShownText.h"
#include "text/Translation.h"
#include "text/WideText.h"

namespace nimbrel {

// What a step's worker learned, computed without touching the flow.
struct PasswordRecoveryFlow::Reply {
    RecoveryResult result;
    std::string accountId;                 // steps 1 and 2, when accepted
    std::array<int, 2> questions{-1, -1};  // step 1, when accepted
};

namespace {

constexpr std::size_t kSealedBodyCapacity = 8 * 1024;
constexpr std::size_t kMaxAnswerBytes = 259;
constexpr std::size_t kMaxAccountId = 259;

// Requests before login sign themselves with the account id, the MAC and the timestamp.
std::string StepToken(const GlobalSettings& g, std::string_view accountId) {
    std::string text(accountId);
    text.append(GetText(g.m_Mac)).append(GetText(g.m_Timestamp));
    return HmacSha1Hex(g, text);
}

// A question number given as a decimal text 1..12; -1 for anything else.
int QuestionNumber(const Json::Value& element) {
    const auto text = StringMember(element, "question");
    if (!text || text->empty() || text->size() > 2) return -1;
    int number = 0;
    for (const char c : *text) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return SecurityQuestionText(number) ? number : -1;
}

// userBean.uid of a sealed body, when it fits the account id buffer.
std::optional<std::string> AccountIdOf(const Json::Value& body) {
    auto uid = StringMember(body["userBean"], "uid");
    if (!uid || uid->empty() || uid->size() > kMaxAccountId) return std::nullopt;
    return uid;
}

}  // namespace

PasswordRecoveryFlow::PasswordRecoveryFlow(const GlobalSettings& g, UserNotifier& notifier,
                                           Options options)
    : g_(g), notifier_(notifier), options_(std::move(options)) {}

PasswordRecoveryFlow::~PasswordRecoveryFlow() {
    Back();
}

RecoveryStep PasswordRecoveryFlow::Step() const {
    std::lock_guard guard(lock_);
    return step_;
}

std::string PasswordRecoveryFlow::AccountId() const {
    std::lock_guard guard(lock_);
    return accountId_;
}

std::array<int, 2> PasswordRecoveryFlow::Questions() const {
    std::lock_guard guard(lock_);
    return questions_;
}

std::optional<RecoveryResult> PasswordRecoveryFlow::LastResult() const {
    std::lock_guard guard(lock_);
    return last_;
}

void PasswordRecoveryFlow::SetResultHandler(std::function<void(const RecoveryResult&)> handler) {
    std::lock_guard guard(lock_);
    onResult_ = std::move(handler);
}

std::string PasswordRecoveryFlow::NoQuestionsMessage() {
    return text::Format(
        text::Tr("Core", "%1\nПочта: %2\nТелефон: %3"),
        {text::Tr("Core", recovery_text::kNoQuestions), support::kMail, support::kPhone});
}

std::string PasswordRecoveryFlow::EncodeAnswer(std::string_view answer) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    // Through wide text and back, as the window reads it: malformed bytes become U+FFFD.
    const std::string utf8 = Utf8FromWide(WideFromUtf8(answer));
    std::string encoded;
    for (const char c : Utf8Prefix(utf8, kMaxAnswerBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        encoded.push_back('%');
        encoded.push_back(kHex[byte >> 4]);
        encoded.push_back(kHex[byte & 0x0F]);
    }
    return encoded;
}

RecoveryCheck PasswordRecoveryFlow::Refuse(const char* message, const char* caption,
                                           RecoveryBox focus, RecoveryBox clear) {
    notifier_.MessageBox(message, caption);
    RecoveryCheck check;
    check.message = message;
    check.caption = caption;
    check.focus = focus;
    check.clear = clear;
    return check;
}

bool PasswordRecoveryFlow::StartStep(RecoveryStep step, RequestWorker& worker,
                                     std::function<Reply()> work) {
    if (worker.Running()) return false;
    const bool started =
        worker.Start<Reply>(std::move(work), [this](Reply& reply) { Deliver(reply); });
    if (!started) NLOG_DEBUG("BackPwd: step " << static_cast<int>(step) << " could not start");
    return started;
}

RecoveryCheck PasswordRecoveryFlow::SubmitAccount(std::string name) {
    static const FullMatchPattern kName(L"^([a-zA-Z0-9]|[_]){4,64}$");
    if (name.empty())
        return Refuse(recovery_text::kEnterName, recovery_text::kCaptionA,
                      RecoveryBox::AccountName);
    if (!kName.MatchesUtf8(name))
        return Refuse(recovery_text::kBadName, recovery_text::kCaptionB, RecoveryBox::None,
                      RecoveryBox::AccountName);

    const GlobalSettings& g = g_;
    const HttpOptions http = options_.http;
    RecoveryCheck check;
    check.started = StartStep(RecoveryStep::Account, step1_, [&g, http, name] {
        Reply reply;
        reply.result.step = RecoveryStep::Account;
        reply.result.message = recovery_text::kAuthFailed;
        std::string payload = "uid:" + name + "&step:1";
        payload.append("&exp:").append(GetText(g.m_RsaExp));
        payload.append("&mod:").append(GetText(g.m_RsaMod));
        payload.append("&token:").append(StepToken(g, name));
        payload.append("&mac:").append(GetText(g.m_Mac));
        const auto answer = SendSealed(g, ServiceOp::InitPassword, payload, kReply256K, http);
        if (!answer) return reply;
        reply.result.status = ReplyStatus(*answer);
        if (StatusIs(reply.result.status, kStatusNoUser)) {
            reply.result.message = recovery_text::kNoSuchUser;
            return reply;
        }
        if (!StatusIs(reply.result.status, kStatusOk)) return reply;
        const auto body = OpenSealedReply(*answer, kSealedBodyCapacity);
        if (!body) return reply;
        const auto accountId = AccountIdOf(*body);
        const Json::Value& list = (*body)["userBean"]["question"];
        if (!accountId || !list.isArray()) return reply;
        if (list.empty()) {
            reply.result.message = NoQuestionsMessage();
            return reply;
        }
        for (Json::ArrayIndex i = 0; i < 2 && i < list.size(); ++i)
            reply.questions[i] = QuestionNumber(list[i]);
        if (reply.questions[0] == -1 || reply.questions[1] == -1) {
            reply.result.message = recovery_text::kQuestionsFailed;
            return reply;
        }
        reply.accountId = *accountId;
        reply.result.ok = true;
        reply.result.message.clear();
        return reply;
    });
    return check;
}

RecoveryCheck PasswordRecoveryFlow::SubmitAnswer(int choice, std::string answer) {
    std::string accountId;
    int question = -1;
    {
        std::lock_guard guard(lock_);
        if (step_ != RecoveryStep::Question || choice < 0 || choice > 1) return {};
        accountId = accountId_;
        question = questions_[static_cast<std::size_t>(choice)];
    }
    if (answer.empty())
        return Refuse(recovery_text::kEnterAnswer, recovery_text::kCaptionC, RecoveryBox::Answer);

    const GlobalSettings& g = g_;
    const HttpOptions http = options_.http;
    const std::string encoded = EncodeAnswer(answer);
    RecoveryCheck check;
    check.started =
        StartStep(RecoveryStep::Question, step2_, [&g, http, accountId, question, encoded] {
            Reply reply;
            reply.result.step = RecoveryStep::Question;
            reply.result.message = recovery_text::kCheckFailed;
            std::string payload = "uid:" + accountId + "&step:2";
            payload.append("&question:").append(std::to_string(question));
            payload.append("&answer:").append(encoded);
            payload.append("&exp:").append(GetText(g.m_RsaExp));
            payload.append("&mod:").append(GetText(g.m_RsaMod));
            payload.append("&token:").append(StepToken(g, accountId));
            payload.append("&mac:").append(GetText(g.m_Mac));
            const auto reply2 = SendSealed(g, ServiceOp::InitPassword, payload, kReply256K, http);
            if (!reply2) return reply;
            reply.result.status = ReplyStatus(*reply2);
            if (StatusIs(reply.result.status, kStatusWrongAnswer)) {
                reply.result.message = recovery_text::kWrongAnswer;
                return reply;
            }
            if (!StatusIs(reply.result.status, kStatusOk)) return reply;
            const auto body = OpenSealedReply(*reply2, kSealedBodyCapacity);
            if (!body) return reply;
            const auto newId = AccountIdOf(*body);
            if (!newId) return reply;
            reply.accountId = *newId;
            reply.result.ok = true;
            reply.result.message.clear();
            return reply;
        });
    return check;
}

RecoveryCheck PasswordRecoveryFlow::SubmitNewPassword(std::string password, std::string repeat) {
    static const FullMatchPattern kPassword(L"^([a-zA-Z0-9]|[_]){6,64}$");
    std::string accountId;
    {
        std::lock_guard guard(lock_);
        if (step_ != RecoveryStep::NewPassword) return {};
        accountId = accountId_;
    }
    if (password.empty())
        return Refuse(recovery_text::kEnterNew, recovery_text::kCaptionA, RecoveryBox::NewPassword);
    if (!kPassword.MatchesUtf8(password))
        return Refuse(recovery_text::kBadNew, recovery_text::kCaptionB, RecoveryBox::NewPassword);
    if (repeat.empty())
        return Refuse(recovery_text::kEnterRepeat, recovery_text::kCaptionB, RecoveryBox::Repeat);
    if (repeat != password)
        return Refuse(recovery_text::kMismatch, recovery_text::kCaptionC, RecoveryBox::Repeat);

    const GlobalSettings& g = g_;
    const HttpOptions http = options_.http;
    RecoveryCheck check;
    check.started = StartStep(RecoveryStep::NewPassword, step3_, [&g, http, accountId, password] {
        Reply reply;
        reply.result.step = RecoveryStep::NewPassword;
        reply.result.message = recovery_text::kChangeFailed;
        std::string payload = "uid:" + accountId + "&step:3";
        payload.append("&psd:").append(Md5Hex(password));
        payload.append("&token:").append(StepToken(g, accountId));
        payload.append("&mac:").append(GetText(g.m_Mac));
        const auto answer = SendSealed(g, ServiceOp::InitPassword, payload, kReply256K, http);
        if (!answer) return reply;
        reply.result.status = ReplyStatus(*answer);
        if (StatusIs(reply.result.status, kStatusOk)) {
            reply.result.ok = true;
            reply.result.message = recovery_text::kChanged;
        } else if (StatusIs(reply.result.status, kStatusNoUser)) {
            reply.result.message = recovery_text::kNotRegistered;
        }
        return reply;
    });
    return check;
}

void PasswordRecoveryFlow::Deliver(Reply& reply) {
    std::function<void(const RecoveryResult&)> onResult;
    {
        std::lock_guard guard(lock_);
        if (reply.result.ok && reply.result.step == RecoveryStep::Account) {
            accountId_ = reply.accountId;
            questions_ = reply.questions;
            step_ = RecoveryStep::Question;
        } else if (reply.result.ok && reply.result.step == RecoveryStep::Question) {
            accountId_ = reply.accountId;
            step_ = RecoveryStep::NewPassword;
        }
        last_ = reply.result;
        onResult = onResult_;
    }
    NLOG_DEBUG("BackPwd: step " << static_cast<int>(reply.result.step) << " status '"
                                << ShownText(reply.result.status) << "'");
    if (!reply.result.message.empty())
        notifier_.MessageBox(reply.result.message, recovery_text::kCaption);
    if (onResult) onResult(reply.result);
}

void PasswordRecoveryFlow::Back() {
    step1_.Abandon();
    step2_.Abandon();
    step3_.Abandon();
}

bool PasswordRecoveryFlow::Running() const {
    return step1_.Running() || step2_.Running() || step3_.Running();
}

bool PasswordRecoveryFlow::WaitIdle(std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (const RequestWorker* worker : {&step1_, &step2_, &step3_}) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!worker->Wait(std::max(left, std::chrono::milliseconds(0)))) return false;
    }
    return true;
}

}  // namespace nimbrel
