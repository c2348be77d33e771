// The playback window without its window: the index of the camera's card loaded once on a thread
// of its own and published whole (a pick sees the old lists or the complete new ones), the title,
// the four pick lists, and the checks of the start button.
// Threading: the view's thread calls every method; the index worker reports through the change
// handler on its own thread (the handler must only hand the news over to the view's thread).
// Title and Lists may be read from any thread.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/RequestWorker.h"
#include "platform/UserNotifier.h"
#include "playback/RecordIndexRequest.h"
#include "playback/RecordPicker.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"

namespace nimbrel {

class PlaybackFlow {
  public:
    struct Options {
        HttpOptions http;
    };

    // `sid` and `deviceName` (UTF-8) of the camera whose card is shown.
    PlaybackFlow(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                 std::string sid, std::string deviceName, Options options = {});
    // Closes the flow (see Close).
    ~PlaybackFlow();
    PlaybackFlow(const PlaybackFlow&) = delete;
    PlaybackFlow& operator=(const PlaybackFlow&) = delete;

    // Starts the index request; false when it was started before (the index is loaded once per
    // opening) or the flow is closed.
    bool LoadIndex();
    // Called on the worker's thread after the title and lists changed; it must only hand the
    // news over (it runs under a lock that Close takes, so no handler runs after Close).
    void SetChangeHandler(std::function<void()> handler);

    // The loading text until the index arrived, then the device name.
    std::string Title() const;
    PickLists Lists() const;
    // How the index request ended; nothing while it runs or before it started.
    std::optional<IndexReply::Outcome> IndexOutcome() const;

    void PickYear(const std::string& text);
    void PickMonth(int row);
    void PickDay(int row);
    void PickHour(int row);

    // The start button's checks: the request date ("20140315-08") of the selection, or nothing
    // after showing the message of the first list without a selection.
    std::optional<std::string> CheckStart();

    // The window closes: a late index changes nothing and reports nothing. Does not wait for
    // the request.
    void Close();
    // Waits until the index request has reported; false when `limit` passed first.
    bool WaitIndex(std::chrono::milliseconds limit) const { return index_.Wait(limit); }

    const std::string& Sid() const { return sid_; }
    const std::string& DeviceName() const { return deviceName_; }

  private:
    void DeliverIndex(IndexReply& reply);
    void Changed();

    const GlobalSettings& g_;
    const AppRecord& app_;
    UserNotifier& notifier_;
    const std::string sid_;
    const std::string deviceName_;
    const Options options_;

    mutable std::mutex lock_;  // guards everything below
    RecordPicker picker_;
    bool indexShown_ = false;
    bool requested_ = false;
    bool closed_ = false;
    std::optional<IndexReply::Outcome> outcome_;

    std::mutex handlerLock_;  // guards onChange_ and is held while it runs
    std::function<void()> onChange_;

    RequestWorker index_{"pb-index"};
};

}  // namespace nimbrel
