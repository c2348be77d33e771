#include "service/SharingFlow.h"

#include <algorithm>

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "text/FullMatchPattern.h"
#include "text/JsonText.h"
#include "text/Translation.h"

namespace nimbrel {

struct SharingFlow::ListReply {
    SharingEvent event;
    std::vector<SharedUser> users;  // in the order shown
};

namespace {

constexpr std::size_t kSealedBodyCapacity = 8 * 1024;
constexpr std::size_t kMaxName = 259;  // a user name must fit the payload's name buffer
constexpr int kShortHintMs = 1000;
constexpr int kLongHintMs = 2000;

// The rows of a userList in the order the list shows them: every administrator goes to the top
// as it comes, the others follow in reply order. Elements without a usable uid are skipped.
std::optional<std::vector<SharedUser>> ReadUserList(const Json::Value& body) {
    const Json::Value& list = body["userList"];
    if (!list.isArray()) return std::nullopt;
    std::vector<SharedUser> users;
    for (const Json::Value& element : list) {
        auto uid = StringMember(element, "uid");
        if (!uid || uid->empty() || uid->size() > kMaxName) continue;
        const Json::Value& isAdmin = element["isAdmin"];
        SharedUser user{std::move(*uid), StringMember(element, "nickName").value_or(""),
                        isAdmin.isInt() && isAdmin.asInt() == 1};
        if (user.admin)
            users.insert(users.begin(), std::move(user));
        else
            users.push_back(std::move(user));
    }
    return users;
}

}  // namespace

SharingFlow::SharingFlow(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                         std::string sid, Options options)
    : g_(g), app_(app), notifier_(notifier), sid_(std::move(sid)), options_(std::move(options)) {}

SharingFlow::~SharingFlow() {
    Close();
}

std::vector<SharedUser> SharingFlow::Users() const {
    std::lock_guard guard(lock_);
    return users_;
}

void SharingFlow::SetEventHandler(std::function<void(const SharingEvent&)> handler) {
    std::lock_guard guard(lock_);
    onEvent_ = std::move(handler);
}

void SharingFlow::Report(const SharingEvent& event) {
    std::function<void(const SharingEvent&)> onEvent;
    {
        std::lock_guard guard(lock_);
        onEvent = onEvent_;
    }
    if (!event.message.empty()) notifier_.MessageBox(event.message, sharing_text::kCaption);
    if (onEvent) onEvent(event);
}

bool SharingFlow::RequestList() {
    {
        std::lock_guard guard(lock_);
        if (closing_ || list_.Running()) return false;
        users_.clear();
    }
    const GlobalSettings& g = g_;
    const HttpOptions http = options_.http;
    std::string payload = "uid:" + std::string(GetText(app_.m_UserName));
    payload.append("&sid:").append(sid_);
    payload.append("&exp:").append(GetText(g.m_RsaExp));
    payload.append("&mod:").append(GetText(g.m_RsaMod));
    payload.append("&mac:").append(GetText(g.m_Mac));
    payload.append("&token:").append(g.SessionText(g.m_Token));
    std::function<ListReply()> work = [&g, http, payload] {
        ListReply reply;
        reply.event.kind = SharingEvent::Kind::ListFailed;
        reply.event.message = sharing_text::kListFailed;
        const auto answer = SendSealed(g, ServiceOp::BindUserList, payload, kReply256K, http);
        if (!answer) return reply;
        reply.event.status = ReplyStatus(*answer);
        if (StatusIs(reply.event.status, kStatusNoDevice)) {
            reply.event.message = sharing_text::kNoDevice;
            return reply;
        }
        if (StatusIs(reply.event.status, kStatusNoAccount)) {
            reply.event.message = sharing_text::kNoAccount;
            return reply;
        }
        if (!StatusIs(reply.event.status, kStatusOk)) return reply;
        const auto body = OpenSealedReply(*answer, kSealedBodyCapacity);
        if (!body) return reply;
        auto users = ReadUserList(*body);
        if (!users) return reply;
        reply.users = std::move(*users);
        reply.event.kind = SharingEvent::Kind::ListLoaded;
        reply.event.message.clear();
        return reply;
    };
    return list_.Start<ListReply>(std::move(work),
                                  [this](ListReply& reply) { DeliverList(reply); });
}

void SharingFlow::DeliverList(ListReply& reply) {
    {
        std::lock_guard guard(lock_);
        if (closing_) return;
        users_ = std::move(reply.users);
    }
    Report(reply.event);
}

SharingFlow::AddCheck SharingFlow::Add(const std::string& name) {
    static const FullMatchPattern kName(L"^([a-zA-Z0-9]|[_]){4,64}$");
    AddCheck check;
    if (name.empty()) {
        check.hint = sharing_text::kEnterName;
        check.hintMs = kShortHintMs;
    } else if (!kName.MatchesUtf8(name)) {
        check.hint = sharing_text::kBadName;
        check.hintMs = kLongHintMs;
        check.selectText = true;
    }
    if (!check.hint.empty()) {
        notifier_.ShowTip(check.hint, check.hintMs);
        return check;
    }
    if (add_.Running()) return check;

    const GlobalSettings& g = g_;
    const HttpOptions http = options_.http;
    std::string payload = "uid:" + std::string(GetText(app_.m_UserName));
    payload.append("&sid:").append(sid_);
    payload.append("&exp:").append(GetText(g.m_RsaExp));
    payload.append("&mod:").append(GetText(g.m_RsaMod));
    payload.append("&mac:").append(GetText(g.m_Mac));
    payload.append("&token:").append(g.SessionText(g.m_Token));
    payload.append("&name:").append(name);
    std::function<SharingEvent()> work = [&g, http, payload] {
        SharingEvent event{SharingEvent::Kind::AddFailed, "", sharing_text::kAddFailed};
        const auto answer = SendSealed(g, ServiceOp::AddUser, payload, kReply256K, http);
        if (!answer) return event;
        event.status = ReplyStatus(*answer);
        if (StatusIs(event.status, kStatusOk)) {
            event.kind = SharingEvent::Kind::Added;
            event.message.clear();
        } else if (StatusIs(event.status, kStatusTooManyUsers)) {
            event.message = sharing_text::kTooMany;
        } else if (StatusIs(event.status, kStatusNoUser)) {
            event.message = sharing_text::kNotRegistered;
        } else if (StatusIs(event.status, kStatusRepeat)) {
            event.message = sharing_text::kAlreadyAdded;
        }
        return event;
    };
    check.clearBox = true;
    check.started = add_.Start<SharingEvent>(std::move(work), [this](SharingEvent& event) {
        Report(event);
        if (event.kind == SharingEvent::Kind::Added) RequestList();
    });
    return check;
}

DeletePrompt SharingFlow::PrepareDelete(std::optional<std::size_t> row, DeleteSource source) {
    DeletePrompt prompt;
    std::optional<SharedUser> user;
    {
        std::lock_guard guard(lock_);
        if (row && *row < users_.size()) user = users_[*row];
    }
    if (!user) {
        prompt.action = DeletePrompt::Action::Hint;
        prompt.text = source == DeleteSource::Button ? sharing_text::kChooseUser
                                                     : sharing_text::kChooseUserMenu;
        prompt.hintMs = kShortHintMs;
        notifier_.ShowTip(prompt.text, prompt.hintMs);
        return prompt;
    }
    if (user->admin) return prompt;  // the administrator's share cannot be withdrawn
    prompt.action = DeletePrompt::Action::Confirm;
    prompt.name = user->uid;
    if (source == DeleteSource::Button) {
        prompt.text = text::Format(text::Tr("Core", "Подтвердить подключение пользователю %1？"),
                                   {user->uid});
        prompt.caption = sharing_text::kConfirmCaption;
    } else {
        prompt.text =
            text::Format(text::Tr("Core", "Подтвердить подключение пользователю%1？"), {user->uid});
        prompt.caption = sharing_text::kCaption;
    }
    return prompt;
}

bool SharingFlow::Delete(const std::string& name) {
    if (name.empty() || name.size() > kMaxName || delete_.Running()) return false;
    const GlobalSettings& g = g_;
    const HttpOptions http = options_.http;
    std::string payload = "uid:" + std::string(GetText(app_.m_UserName));
    payload.append("&sid:").append(sid_);
    payload.append("&mac:").append(GetText(g.m_Mac));
    payload.append("&token:").append(g.SessionText(g.m_Token));
    payload.append("&name:").append(name);
    std::function<SharingEvent()> work = [&g, http, payload] {
        SharingEvent event{SharingEvent::Kind::DeleteFailed, "", sharing_text::kDeleteFailed};
        const auto answer = SendSealed(g, ServiceOp::DeleteBindUser, payload, kReply64K, http);
        if (!answer) return event;
        event.status = ReplyStatus(*answer);
        if (StatusIs(event.status, kStatusOk)) {
            event.kind = SharingEvent::Kind::Deleted;
            event.message.clear();
        }
        return event;
    };
    return delete_.Start<SharingEvent>(std::move(work), [this](SharingEvent& event) {
        Report(event);
        if (event.kind == SharingEvent::Kind::Deleted) RequestList();
    });
}

std::vector<SharingMenuItem> SharingFlow::Menu(std::optional<std::size_t> row) const {
    std::lock_guard guard(lock_);
    if (!row || *row >= users_.size())
        return {{kMenuRefreshCommand, sharing_text::kMenuRefreshOnly}};
    if (users_[*row].admin) return {{kMenuRefreshCommand, sharing_text::kMenuRefresh}};
    return {{kMenuDeleteCommand, sharing_text::kMenuDelete},
            {kMenuRefreshCommand, sharing_text::kMenuRefresh}};
}

void SharingFlow::Close() {
    {
        std::lock_guard guard(lock_);
        closing_ = true;
    }
    list_.Abandon();
    add_.Abandon();
    delete_.Abandon();
}

bool SharingFlow::WaitIdle(std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // An add or delete that succeeds starts a list request as it reports: wait for those
    // first, then for the list.
    for (const RequestWorker* worker : {&add_, &delete_, &list_}) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!worker->Wait(std::max(left, std::chrono::milliseconds(0)))) return false;
    }
    return true;
}

}  // namespace nimbrel
