#include "playback/PlaybackFlow.h"

#include "playback/PlaybackTexts.h"
#include "text/Translation.h"

namespace nimbrel {

PlaybackFlow::PlaybackFlow(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                           std::string sid, std::string deviceName, Options options)
    : g_(g),
      app_(app),
      notifier_(notifier),
      sid_(std::move(sid)),
      deviceName_(std::move(deviceName)),
      options_(std::move(options)) {}

PlaybackFlow::~PlaybackFlow() {
    Close();
}

void PlaybackFlow::SetChangeHandler(std::function<void()> handler) {
    std::lock_guard guard(handlerLock_);
    onChange_ = std::move(handler);
}

bool PlaybackFlow::LoadIndex() {
    {
        std::lock_guard guard(lock_);
        if (closed_ || requested_) return false;
        requested_ = true;
    }
    const GlobalSettings& g = g_;
    const AppRecord& app = app_;
    const std::string sid = sid_;
    const HttpOptions http = options_.http;
    std::function<IndexReply()> work = [&g, &app, sid, http] {
        return LoadRecordIndex(g, app, sid, http);
    };
    return index_.Start<IndexReply>(std::move(work),
                                    [this](IndexReply& reply) { DeliverIndex(reply); });
}

void PlaybackFlow::DeliverIndex(IndexReply& reply) {
    {
        std::lock_guard guard(lock_);
        if (closed_) return;
        outcome_ = reply.outcome;
        if (reply.outcome == IndexReply::Outcome::Loaded) {
            // The whole index goes in at once, under the lock a pick takes.
            picker_.Show(std::move(reply.index));
            indexShown_ = true;
        }
    }
    if (reply.outcome == IndexReply::Outcome::Message)
        notifier_.MessageBox(reply.message, playback_text::kCaption);
    Changed();
}

void PlaybackFlow::Changed() {
    // Called under the handler's lock, so that once Close has returned no handler runs.
    std::lock_guard guard(handlerLock_);
    if (onChange_) onChange_();
}

std::string PlaybackFlow::Title() const {
    std::lock_guard guard(lock_);
    return indexShown_ ? deviceName_ : text::Tr("Core", playback_text::kLoadingTitle);
}

PickLists PlaybackFlow::Lists() const {
    std::lock_guard guard(lock_);
    return picker_.Lists();
}

std::optional<IndexReply::Outcome> PlaybackFlow::IndexOutcome() const {
    std::lock_guard guard(lock_);
    return outcome_;
}

void PlaybackFlow::PickYear(const std::string& text) {
    std::lock_guard guard(lock_);
    picker_.PickYear(text);
}

void PlaybackFlow::PickMonth(int row) {
    std::lock_guard guard(lock_);
    picker_.PickMonth(row);
}

void PlaybackFlow::PickDay(int row) {
    std::lock_guard guard(lock_);
    picker_.PickDay(row);
}

void PlaybackFlow::PickHour(int row) {
    std::lock_guard guard(lock_);
    picker_.PickHour(row);
}

std::optional<std::string> PlaybackFlow::CheckStart() {
    RecordPicker::StartCheck check;
    {
        std::lock_guard guard(lock_);
        check = picker_.CheckStart();
    }
    if (check.message) {
        notifier_.MessageBox(check.message, playback_text::kCaption);
        return std::nullopt;
    }
    return check.requestDate;
}

void PlaybackFlow::Close() {
    {
        std::lock_guard guard(lock_);
        closed_ = true;
    }
    {
        std::lock_guard guard(handlerLock_);
        onChange_ = nullptr;
    }
    index_.Abandon();
}

}  // namespace nimbrel
