#include "service/AlarmFlow.h"

#include <cstdio>

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/Sealing.h"
#include "service/ServiceOperation.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "text/Translation.h"

namespace nimbrel {
namespace {

bool ValidHour(int hour) {
    return hour >= 0 && hour <= 23;
}

}  // namespace

AlarmFlow::AlarmFlow(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                     AlarmDevice device, RecordWriter writeRecord, HttpOptions http)
    : g_(g),
      app_(app),
      notifier_(notifier),
      writeRecord_(std::move(writeRecord)),
      http_(http),
      device_(std::move(device)) {}

AlarmFlow::~AlarmFlow() {
    // The workers read this flow: their threads end before it goes.
    switchWorker_.CancelAndWait();
    hoursWorker_.CancelAndWait();
}

AlarmDevice AlarmFlow::Device() const {
    std::lock_guard guard(lock_);
    return device_;
}

bool AlarmFlow::AlarmOn() const {
    std::lock_guard guard(lock_);
    return device_.alarmSwitch == 1;
}

std::string_view AlarmFlow::HoursNote(int startHour, int endHour) {
    return startHour == endHour ? kWholeDayNote : std::string_view();
}

std::string AlarmFlow::HourLabel(int hour) {
    char label[16];
    std::snprintf(label, sizeof label, "%02d", hour);
    return label;
}

UserMessage AlarmFlow::MessageFor(AlarmOutcome outcome) {
    switch (outcome) {
        case AlarmOutcome::SwitchedOn:
            return {NIMBREL_TR_NOOP("Core", "Открыть отчет успеха"), kCaption};
        case AlarmOutcome::SwitchedOff:
            return {NIMBREL_TR_NOOP("Core", "Закрыть отчет успеха"), kCaption};
        case AlarmOutcome::SwitchOnFailed:
            return {NIMBREL_TR_NOOP("Core", "Открыть отчет неудачи"), kCaption};
        case AlarmOutcome::SwitchOffFailed:
            return {NIMBREL_TR_NOOP("Core", "Закрыть отчет неудачи"), kCaption};
        case AlarmOutcome::HoursSet:
            return {NIMBREL_TR_NOOP("Core", "Установлено"), kCaption};
        case AlarmOutcome::CameraOffline:
            return {NIMBREL_TR_NOOP("Core", "Камера не в сети"), kCaption};
        case AlarmOutcome::HoursFailed:
            return {NIMBREL_TR_NOOP("Core", "Установка не удалась"), kCaption};
        case AlarmOutcome::AlarmIsOff:
            return {NIMBREL_TR_NOOP("Core", "Пожалуйста, включите сигнал тревоги"),
                    kApplicationName};
        case AlarmOutcome::NotBuilt:
        case AlarmOutcome::InvalidHours:
            break;
    }
    return {};
}

std::string AlarmFlow::SwitchPayload(bool on) const {
    const std::string mac(GetText(g_.m_Mac));
    std::string sid;
    {
        std::lock_guard guard(lock_);
        sid = device_.sid;
    }
    // This operation sends the bare MAC as umac.
    return "uid:" + std::string(GetText(app_.m_UserName)) + "&sid:" + sid + "&mac:" + mac +
           "&token:" + g_.SessionText(g_.m_Token) + "&status:" + (on ? "on" : "off") +
           "&umac:" + mac;
}

std::string AlarmFlow::HoursPayload(const AlarmDevice& d, int startHour, int endHour) const {
    const std::string user(GetText(app_.m_UserName)), mac(GetText(g_.m_Mac));
    return "uid:" + user + "&sid:" + d.sid + "&mac:" + mac +
           "&token:" + g_.SessionText(g_.m_Token) + "&umac:" + user + "," + mac +
           "&start:" + std::to_string(startHour) + "&end:" + std::to_string(endHour);
}

AlarmOutcome AlarmFlow::RequestSwitch(bool on, const HttpOptions& http) const {
    const AlarmOutcome failed = on ? AlarmOutcome::SwitchOnFailed : AlarmOutcome::SwitchOffFailed;
    const std::string payload = SwitchPayload(on);
    NLOG_DEBUG("Alarm::Switch " << (on ? "on" : "off"));
    const auto url = SealPayload(g_, payload, OperationUrlPrefix(g_, ServiceOp::SetAlarm));
    if (!url) return failed;
    const auto reply =
        FetchJson(g_, *url, Operation(ServiceOp::SetAlarm).replyVariant, kReply256K, http);
    if (!reply || !StatusIs(ReplyStatus(*reply), kStatusOk)) return failed;
    return on ? AlarmOutcome::SwitchedOn : AlarmOutcome::SwitchedOff;
}

AlarmOutcome AlarmFlow::RequestHours(int startHour, int endHour, const HttpOptions& http) const {
    const std::string payload = HoursPayload(Device(), startHour, endHour);
    NLOG_DEBUG("Alarm::SaveHours " << startHour << "-" << endHour);
    const auto url = SealPayload(g_, payload, OperationUrlPrefix(g_, ServiceOp::SetAlarmTime));
    if (!url) return AlarmOutcome::NotBuilt;
    const auto reply =
        FetchJson(g_, *url, Operation(ServiceOp::SetAlarmTime).replyVariant, kReply256K, http);
    if (!reply) return AlarmOutcome::HoursFailed;
    const std::string status = ReplyStatus(*reply);
    if (StatusIs(status, kStatusOk)) return AlarmOutcome::HoursSet;
    if (StatusIs(status, kStatusOffline)) return AlarmOutcome::CameraOffline;
    return AlarmOutcome::HoursFailed;
}

void AlarmFlow::ApplyLocked(AlarmOutcome outcome, int startHour, int endHour) {
    switch (outcome) {
        case AlarmOutcome::SwitchedOn:
            device_.alarmSwitch = 1;
            break;
        case AlarmOutcome::SwitchedOff:
            device_.alarmSwitch = 0;
            break;
        case AlarmOutcome::HoursSet:
            device_.alarmSwitch = 1;
            device_.startHour = startHour;
            device_.endHour = endHour;
            break;
        default:
            return;  // failures leave the record as it was
    }
    if (writeRecord_) writeRecord_(device_);
}

AlarmOutcome AlarmFlow::Switch(bool on) {
    const AlarmOutcome outcome = RequestSwitch(on, http_);
    std::lock_guard guard(lock_);
    ApplyLocked(outcome, 0, 0);
    return outcome;
}

AlarmOutcome AlarmFlow::SaveHours(int startHour, int endHour) {
    if (!ValidHour(startHour) || !ValidHour(endHour)) return AlarmOutcome::InvalidHours;
    if (!AlarmOn()) return AlarmOutcome::AlarmIsOff;
    const AlarmOutcome outcome = RequestHours(startHour, endHour, http_);
    std::lock_guard guard(lock_);
    ApplyLocked(outcome, startHour, endHour);
    return outcome;
}

void AlarmFlow::FinishWorker(AlarmOutcome outcome, int startHour, int endHour) {
    // Runs only while the flow is open: Close() either comes first and the result is dropped,
    // or waits until the result has been applied and shown.
    std::lock_guard guard(lock_);
    ApplyLocked(outcome, startHour, endHour);
    if (listener_) listener_(outcome);
    MessageFor(outcome).ShowIn(notifier_);
}

bool AlarmFlow::StartSwitch(bool on) {
    HttpOptions http = http_;
    http.cancel = &switchWorker_.CancelFlag();
    return switchWorker_.Start<AlarmOutcome>(
        [this, on, http] { return RequestSwitch(on, http); },
        [this](AlarmOutcome& outcome) { FinishWorker(outcome, 0, 0); });
}

bool AlarmFlow::StartSaveHours(int startHour, int endHour) {
    if (!ValidHour(startHour) || !ValidHour(endHour) || hoursWorker_.Cancelled()) return false;
    if (!AlarmOn()) {
        MessageFor(AlarmOutcome::AlarmIsOff).ShowIn(notifier_);
        return false;
    }
    HttpOptions http = http_;
    http.cancel = &hoursWorker_.CancelFlag();
    return hoursWorker_.Start<AlarmOutcome>(
        [this, startHour, endHour, http] { return RequestHours(startHour, endHour, http); },
        [this, startHour, endHour](AlarmOutcome& outcome) {
            FinishWorker(outcome, startHour, endHour);
        });
}

void AlarmFlow::SetListener(Listener listener) {
    std::lock_guard guard(lock_);
    listener_ = std::move(listener);
}

void AlarmFlow::Close() {
    // Not under the flow's lock: cancelling waits out a delivery, which takes that lock.
    switchWorker_.Cancel();
    hoursWorker_.Cancel();
}

bool AlarmFlow::WaitIdle(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const auto left = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
    };
    return switchWorker_.Wait(left()) && hoursWorker_.Wait(left());
}

}  // namespace nimbrel
