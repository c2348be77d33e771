// The alarm schedule of one device without its window: switching alarm reports on and off
// (setAlarm.do), saving the daily hours (setAlarmTime.do), the whole-day note, the record
// updates and every message. The dialog is a thin view over this object.
// Threading: construct, query and Start*/Close on the UI thread; Switch and SaveHours on any one
// thread. Workers run on their own threads and reach the view only through the notifier and
// the listener, never after Close().
#pragma once

#include <functional>
#include <mutex>
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

// The alarm fields of a device record, copied in when the dialog opens.
struct AlarmDevice {
    std::string sid;
    std::string name;     // display name, UTF-8
    int alarmSwitch = 0;  // 1: alarm reports on
    int startHour = 0;    // 0..23
    int endHour = 0;      // 0..23
};

enum class AlarmOutcome {
    SwitchedOn,
    SwitchedOff,
    SwitchOnFailed,
    SwitchOffFailed,
    HoursSet,
    CameraOffline,
    HoursFailed,
    AlarmIsOff,    // saving hours while the alarm is off: nothing is sent
    NotBuilt,      // the hours request could not be sealed: nothing sent, nothing shown
    InvalidHours,  // an hour outside 0..23: nothing sent, nothing shown
};

class AlarmFlow {
  public:
    static constexpr std::string_view kCaption = NIMBREL_TR_NOOP("Core", "подсказки");
    // Caption of the message that asks to switch the alarm on: the application's name.
    static constexpr std::string_view kApplicationName =
        NIMBREL_TR_NOOP("Core", "Farlo видео-клиент");
    static constexpr std::string_view kWholeDayNote =
        NIMBREL_TR_NOOP("Core", "Установить сигнал тревоги на весь день");

    // Receives the record after each confirmed change, to write it back into the device list.
    using RecordWriter = std::function<void(const AlarmDevice&)>;
    // Told each outcome of a worker (on the worker's thread), so the view can swap the buttons.
    // The writer and the listener run under the flow's lock: they must not call back into it.
    using Listener = std::function<void(AlarmOutcome)>;

    AlarmFlow(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
              AlarmDevice device, RecordWriter writeRecord = {}, HttpOptions http = {});
    // Closes, then waits for running workers; their transfers are aborted within about a second.
    ~AlarmFlow();

    AlarmDevice Device() const;
    // True while the alarm is on: the view shows the switch-off button, else switch-on.
    bool AlarmOn() const;

    // The note under the sliders: the whole-day text when both show the same hour, else empty.
    static std::string_view HoursNote(int startHour, int endHour);
    // A slider's label, "%02d".
    static std::string HourLabel(int hour);
    static UserMessage MessageFor(AlarmOutcome outcome);

    // The request on the calling thread: sends, updates the record, returns the outcome; shows
    // nothing. SaveHours sends nothing while the alarm is off.
    AlarmOutcome Switch(bool on);
    AlarmOutcome SaveHours(int startHour, int endHour);

    // The dialog's buttons: the request runs on a worker that shows its message when done.
    // False when that worker still runs or the flow is closed. StartSaveHours shows the
    // switch-on request at once, and starts nothing, while the alarm is off.
    bool StartSwitch(bool on);
    bool StartSaveHours(int startHour, int endHour);
    void SetListener(Listener listener);

    // The dialog closes: running workers no longer touch the record, the view or the notifier.
    void Close();
    // Waits for both workers; false when `limit` passed first.
    bool WaitIdle(std::chrono::milliseconds limit);

  private:
    std::string SwitchPayload(bool on) const;
    std::string HoursPayload(const AlarmDevice& d, int startHour, int endHour) const;
    AlarmOutcome RequestSwitch(bool on, const HttpOptions& http) const;
    AlarmOutcome RequestHours(int startHour, int endHour, const HttpOptions& http) const;
    void ApplyLocked(AlarmOutcome outcome, int startHour, int endHour);
    void FinishWorker(AlarmOutcome outcome, int startHour, int endHour);

    const GlobalSettings& g_;
    const AppRecord& app_;
    UserNotifier& notifier_;
    RecordWriter writeRecord_;
    HttpOptions http_;

    mutable std::mutex lock_;  // device_, listener_, and the closing hand-over with the workers
    AlarmDevice device_;
    Listener listener_;

    RequestWorker switchWorker_{"alarm-switch"};
    RequestWorker hoursWorker_{"alarm-hours"};
};

}  // namespace nimbrel
