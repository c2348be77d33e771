// The feedback dialog without its window: the message is cut to the text box's size, sent to
// the service operator as percent-encoded UTF-8 (saveAdvise.do, token-signed) by one worker at
// a time, and the outcome is shown.
// Threading: StartSend, Close and SetListener on the UI thread; Send on any one thread. The
// worker reaches the view only through the notifier and the listener, never after Close().
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RequestWorker.h"
#include "platform/UserMessage.h"
#include "platform/UserNotifier.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"
#include "text/Translation.h"

namespace nimbrel {

enum class FeedbackOutcome {
    Sent,
    Failed,       // refused, unreadable reply or transfer failure
    Empty,        // nothing typed: nothing sent
    InvalidText,  // the text is not UTF-8: nothing sent
};

class FeedbackFlow {
  public:
    static constexpr std::string_view kCaption = NIMBREL_TR_NOOP("Core", "подсказки");
    static constexpr std::string_view kEmptyHint =
        NIMBREL_TR_NOOP("Core", "Пожалуйста, введите Ваш вопрос");
    static constexpr int kEmptyHintMs = 1000;
    static constexpr std::size_t kMaxTextUnits = 299;  // UTF-16 units the text box gives
    static constexpr std::size_t kMaxUtf8Bytes = 260;  // UTF-8 bytes that are sent

    // Told the outcome of a worker on its thread; on Sent the view clears the text box.
    // It runs under the flow's lock: it must not call back into the flow.
    using Listener = std::function<void(FeedbackOutcome)>;

    FeedbackFlow(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                 HttpOptions http = {});
    ~FeedbackFlow();  // closes and waits for the worker (its transfer is aborted)

    // The message as sent: line breaks as CR LF (a lone LF gains its CR), the first 299 UTF-16
    // units, converted to UTF-8 and cut to 260 bytes at a character boundary, each byte written
    // as "%" and two upper-case hex digits. Nothing when `text` is not valid UTF-8.
    static std::optional<std::string> EncodeMessage(std::string_view text);
    static UserMessage MessageFor(FeedbackOutcome outcome);

    // Sends on the calling thread and returns the outcome; shows nothing.
    FeedbackOutcome Send(std::string_view text);

    enum class StartResult { Started, Empty, Busy, Invalid };
    // The send button: an empty text shows the hint notice (the view then focuses the box);
    // otherwise a worker sends unless one already runs.
    StartResult StartSend(std::string_view text);
    void SetListener(Listener listener);

    void Close();
    bool WaitIdle(std::chrono::milliseconds limit) { return worker_.Wait(limit); }

  private:
    FeedbackOutcome Request(const std::string& encoded, const HttpOptions& http) const;

    const GlobalSettings& g_;
    const AppRecord& app_;
    UserNotifier& notifier_;
    HttpOptions http_;
    std::mutex lock_;
    Listener listener_;
    RequestWorker worker_{"feedback-send"};
};

}  // namespace nimbrel
