// Recovering a forgotten password in three steps of initPassword.do, without the dialog's
// window: name the account, answer one of its security questions, set a new password.
// Threading: the view's thread calls every method; results are delivered on the step's worker
// thread (the handler must only hand them over to the view's thread).
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/RequestWorker.h"
#include "platform/UserNotifier.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"
#include "text/Translation.h"

namespace nimbrel {

namespace recovery_text {
// The caption padded with a no-break space before and after it (A), only before (B), only
// after (C); and the plain caption of the workers' messages.
inline constexpr const char* kCaptionA = NIMBREL_TR_NOOP("Core", "\u00A0подсказки\u00A0");
inline constexpr const char* kCaptionB = NIMBREL_TR_NOOP("Core", "\u00A0подсказки");
inline constexpr const char* kCaptionC = NIMBREL_TR_NOOP("Core", "подсказки\u00A0");
inline constexpr const char* kCaption = NIMBREL_TR_NOOP("Core", "подсказки");

inline constexpr const char* kEnterName = NIMBREL_TR_NOOP("Core", "Введите имя пользователя");
inline constexpr const char* kBadName =
    NIMBREL_TR_NOOP("Core", "Имя может состоять из букв, цифр, длиной 4-64 символов");
inline constexpr const char* kAuthFailed =
    NIMBREL_TR_NOOP("Core", "Авторизация пользователя не удалась, повторите попытку позже");
inline constexpr const char* kNoSuchUser =
    NIMBREL_TR_NOOP("Core", "Имя пользователя не существует");
inline constexpr const char* kNoQuestions = NIMBREL_TR_NOOP(
    "Core", "Вы не установили секретные вопросы, пожалуйста, обратитесь в службу поддержки:");
inline constexpr const char* kQuestionsFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось загрузить секретные вопросы");

inline constexpr const char* kEnterAnswer =
    NIMBREL_TR_NOOP("Core", "Укажите ответ на секретный вопрос");
inline constexpr const char* kCheckFailed =
    NIMBREL_TR_NOOP("Core", " Проверка безопасности не удалась. Пожалуйста, повторите попытку");
inline constexpr const char* kWrongAnswer = NIMBREL_TR_NOOP(
    "Core", "Указан неверный ответ на секретный вопрос. Пожалуйста, повторите попытку");

inline constexpr const char* kEnterNew = NIMBREL_TR_NOOP("Core", "Введите новый пароль");
inline constexpr const char* kBadNew =
    NIMBREL_TR_NOOP("Core", " Пароль может состоять из букв, цифр, длиной 6-64 символов");
inline constexpr const char* kEnterRepeat = NIMBREL_TR_NOOP("Core", "Введите пароль еще раз");
inline constexpr const char* kMismatch =
    NIMBREL_TR_NOOP("Core", " Указанные пароли не совпадают. Введите еще раз");
inline constexpr const char* kChanged =
    NIMBREL_TR_NOOP("Core", "Смена пароля прошла успешно. Пожалуйста, вернитесь в главное меню");
inline constexpr const char* kNotRegistered =
    NIMBREL_TR_NOOP("Core", "Такой пользователь не зарегистрирован");
inline constexpr const char* kChangeFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось сменить пароль. Повторите попытку позже");
}  // namespace recovery_text

enum class RecoveryStep { Account = 1, Question = 2, NewPassword = 3 };
enum class RecoveryBox { None, AccountName, Answer, NewPassword, Repeat };

// What a step's button did: the request started, or a check refused (its message box shown),
// or nothing because that step's request still runs or the step is not the current one.
struct RecoveryCheck {
    bool started = false;
    std::string message;  // the refusal, already shown
    std::string caption;
    RecoveryBox focus = RecoveryBox::None;  // the box to focus
    RecoveryBox clear = RecoveryBox::None;  // the box to empty
};

struct RecoveryResult {
    RecoveryStep step = RecoveryStep::Account;
    bool ok = false;      // the step was accepted (for step 3: the password was changed)
    std::string status;   // the reply's status word, empty when none was read
    std::string message;  // the message box shown; empty when the step just moves on
};

class PasswordRecoveryFlow {
  public:
    struct Options {
        HttpOptions http;
    };

    PasswordRecoveryFlow(const GlobalSettings& g, UserNotifier& notifier, Options options = {});
    // Abandons running steps.
    ~PasswordRecoveryFlow();
    PasswordRecoveryFlow(const PasswordRecoveryFlow&) = delete;
    PasswordRecoveryFlow& operator=(const PasswordRecoveryFlow&) = delete;

    RecoveryStep Step() const;
    // The account id the service returned (empty before step 1 succeeded).
    std::string AccountId() const;
    // The two offered question numbers, -1 until known.
    std::array<int, 2> Questions() const;

    // Step 1, the next button, with the typed account name.
    RecoveryCheck SubmitAccount(std::string name);
    // Step 2, the confirm button: the answer (UTF-8) to offered question `choice` (0 or 1).
    RecoveryCheck SubmitAnswer(int choice, std::string answer);
    // Step 3, the submit button.
    RecoveryCheck SubmitNewPassword(std::string password, std::string repeat);
    // The back button: running steps are abandoned and will not report.
    void Back();

    bool Running() const;
    // Waits for every running step to report; false when `limit` passed first.
    bool WaitIdle(std::chrono::milliseconds limit) const;
    std::optional<RecoveryResult> LastResult() const;
    void SetResultHandler(std::function<void(const RecoveryResult&)> handler);

    // The answer as sent: its UTF-8 bytes (at most 259, whole characters) each written as "%"
    // and two upper-case hex digits.
    static std::string EncodeAnswer(std::string_view answer);
    // The message for an account without security questions: the request to contact support,
    // then a line with the support mail and one with the support telephone.
    static std::string NoQuestionsMessage();

  private:
    struct Reply;
    RecoveryCheck Refuse(const char* message, const char* caption, RecoveryBox focus,
                         RecoveryBox clear = RecoveryBox::None);
    bool StartStep(RecoveryStep step, RequestWorker& worker, std::function<Reply()> work);
    void Deliver(Reply& reply);

    const GlobalSettings& g_;
    UserNotifier& notifier_;
    const Options options_;

    mutable std::mutex lock_;
    RecoveryStep step_ = RecoveryStep::Account;
    std::string accountId_;
    std::array<int, 2> questions_{-1, -1};
    std::optional<RecoveryResult> last_;
    std::function<void(const RecoveryResult&)> onResult_;

    RequestWorker step1_{"recover-1"};
    RequestWorker step2_{"recover-2"};
    RequestWorker step3_{"recover-3"};
};

}  // namespace nimbrel
