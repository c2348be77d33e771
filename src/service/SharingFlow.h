// Sharing one camera with other accounts, without the dialog's window: the list of accounts the
// camera is bound to (administrator first), adding an account, withdrawing a share.
// Threading: the view's thread calls every method; requests run on worker threads and report
// through the event handler on those threads (the handler must only hand the news over to the
// view's thread). The user list is guarded and may be read from any thread.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/RequestWorker.h"
#include "platform/UserNotifier.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"
#include "text/Translation.h"

namespace nimbrel {

namespace sharing_text {
inline constexpr const char* kCaption = NIMBREL_TR_NOOP("Core", "подсказки");
inline constexpr const char* kConfirmCaption = NIMBREL_TR_NOOP("Core", "Подтвердить");
inline constexpr const char* kColumnUser = NIMBREL_TR_NOOP("Core", " Имя пользователя");
inline constexpr const char* kColumnNick = NIMBREL_TR_NOOP("Core", "Прозвище");
inline constexpr const char* kColumnAdmin = NIMBREL_TR_NOOP("Core", "Администратор");
inline constexpr const char* kAdminYes = NIMBREL_TR_NOOP("Core", "Yes");
inline constexpr const char* kAdminNo = "-";
inline constexpr const char* kMenuDelete = NIMBREL_TR_NOOP("Core", " Пользователь удален");
inline constexpr const char* kMenuRefresh =
    NIMBREL_TR_NOOP("Core", " Обновить список пользователей");
inline constexpr const char* kMenuRefreshOnly =
    NIMBREL_TR_NOOP("Core", "Обновить список пользователей");

inline constexpr const char* kListFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось открыть список пользователей. Попробуйте еще раз");
inline constexpr const char* kNoDevice =
    NIMBREL_TR_NOOP("Core", "устройствоне существует. Попробуйте еще раз");
inline constexpr const char* kNoAccount =
    NIMBREL_TR_NOOP("Core", "Имя пользователя не существует. Попробуйте еще раз");

inline constexpr const char* kEnterName = NIMBREL_TR_NOOP("Core", "Введите имя пользователя");
inline constexpr const char* kBadName =
    NIMBREL_TR_NOOP("Core", "Имя может состоять из букв, цифр, длиной 4-64 символов");
inline constexpr const char* kTooMany =
    NIMBREL_TR_NOOP("Core", "К данному устройству добавлено максимальное количество пользователей");
inline constexpr const char* kNotRegistered = NIMBREL_TR_NOOP(
    "Core", "Имя пользователя не зарегистрировано. Пожалуйста, зарегистрируйте его");
inline constexpr const char* kAlreadyAdded = NIMBREL_TR_NOOP("Core", "Пользователь добавлен");
inline constexpr const char* kAddFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось добавить пользователя. Попробуйте еще раз");

inline constexpr const char* kChooseUser =
    NIMBREL_TR_NOOP("Core", "Выберите пользователя для удаления");
inline constexpr const char* kChooseUserMenu =
    NIMBREL_TR_NOOP("Core", " Выберите пользователя для удаления");
inline constexpr const char* kDeleteFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось удалить пользователя. Попробуйте еще раз");
}  // namespace sharing_text

// One row of the user list.
struct SharedUser {
    std::string uid;
    std::string nickName;
    bool admin = false;
    // The text of the administrator column: "Yes" or "-".
    const char* AdminText() const {
        return admin ? sharing_text::kAdminYes : sharing_text::kAdminNo;
    }
};

// What a request ended with.
struct SharingEvent {
    enum class Kind { ListLoaded, ListFailed, Added, AddFailed, Deleted, DeleteFailed };
    Kind kind = Kind::ListFailed;
    std::string status;   // the reply's status word, empty when none was read
    std::string message;  // the message box shown; empty for successes
};

// Where a delete was asked from: its hint and its confirmation are worded differently.
enum class DeleteSource { Button, Menu };

// What the view does about a delete request.
struct DeletePrompt {
    enum class Action { Hint, Ignore, Confirm };
    Action action = Action::Ignore;
    std::string text;     // the hint, or the confirmation question
    std::string caption;  // of the confirmation (OK/Cancel, Cancel the default)
    int hintMs = 0;
    std::string name;  // the user to delete once confirmed
};

// One item of the user list's right-click menu (the device tree's menu items are another type).
struct SharingMenuItem {
    int command;
    const char* text;
};

class SharingFlow {
  public:
    struct Options {
        HttpOptions http;
    };
    static constexpr int kMenuDeleteCommand = 3101;
    static constexpr int kMenuRefreshCommand = 3102;

    // `sid` is the device's service id.
    SharingFlow(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                std::string sid, Options options = {});
    // Abandons every request.
    ~SharingFlow();
    SharingFlow(const SharingFlow&) = delete;
    SharingFlow& operator=(const SharingFlow&) = delete;

    // Clears the list and requests it anew, unless a list request still runs (then false).
    bool RequestList();
    std::vector<SharedUser> Users() const;

    struct AddCheck {
        bool started = false;
        std::string hint;  // the notice shown (already sent to the notifier)
        int hintMs = 0;
        bool selectText = false;  // select the box's text (the name was refused)
        bool clearBox = false;    // the name was taken: empty the box
    };
    // The add button with the typed name.
    AddCheck Add(const std::string& name);

    // The delete button or menu command with the selected row (nothing: no row selected).
    DeletePrompt PrepareDelete(std::optional<std::size_t> row, DeleteSource source);
    // Sends the delete of a confirmed prompt. False when the name is empty.
    bool Delete(const std::string& name);

    // The right-click menu for the selected row.
    std::vector<SharingMenuItem> Menu(std::optional<std::size_t> row) const;

    // The dialog closes: a list still arriving inserts no more rows; nothing more is reported.
    void Close();

    // Waits for every running request to report; false when `limit` passed first.
    bool WaitIdle(std::chrono::milliseconds limit) const;
    void SetEventHandler(std::function<void(const SharingEvent&)> handler);

  private:
    struct ListReply;
    void DeliverList(ListReply& reply);
    void Report(const SharingEvent& event);

    const GlobalSettings& g_;
    const AppRecord& app_;
    UserNotifier& notifier_;
    const std::string sid_;
    const Options options_;

    mutable std::mutex lock_;
    std::vector<SharedUser> users_;
    bool closing_ = false;
    std::function<void(const SharingEvent&)> onEvent_;

    RequestWorker list_{"share-list"};
    RequestWorker add_{"share-add"};
    RequestWorker delete_{"share-delete"};
};

}  // namespace nimbrel
