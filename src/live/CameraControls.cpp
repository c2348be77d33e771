// What a live view does besides showing pictures: recording into MP4 files and snapshots on the
// display tick, the pan/tilt thread that turns the device as the pane asks, and the bit-rate
// choice.
#include <pthread.h>

#include <json/value.h>

#include "live/CCamera.h"
#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/MediaSettings.h"
#include "text/Translation.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

constexpr const char* kCaption = NIMBREL_TR_NOOP("Core", "подсказки");
constexpr int kSnapshotNoticeMs = 2000;
constexpr auto kPtzPass = 50ms;

const char* TurnCommand(PtzRequests::Direction d) {
    switch (d) {
        case PtzRequests::Direction::Left:
            return "turnLeft";
        case PtzRequests::Direction::Right:
            return "turnRight";
        case PtzRequests::Direction::Up:
            return "turnUp";
        case PtzRequests::Direction::Down:
            break;
    }
    return "turnDown";
}

Json::Value ControlMessage(const LiveContext& live, const char* cmd) {
    Json::Value m(Json::objectValue);
    m["type"] = "control";
    m["cmd"] = cmd;
    m["umac"] =
        std::string(GetText(live.app.m_UserName)) + "," + std::string(GetText(live.g.m_Mac));
    return m;
}

}  // namespace

void CCamera::BeginRecording() {
    // The settings dialog may change the folder and length meanwhile on the UI thread.
    const MediaSettings settings = ReadMediaSettings(live_.app);
    CameraRecorder::View view;
    view.folder = settings.videoPath;
    view.user = GetText(live_.app.m_UserName);
    view.sid = Sid();
    view.fileLength = std::chrono::duration_cast<std::chrono::milliseconds>(live_.recordMinute) *
                      settings.fileLength;
    view.framePeriodMs = m_nTimeGap;
    view.udt = transport_->IsUdt();
    view.track = {m_nWidth, m_nHeight, sps_, pps_,
                  Mp4Writer::SampleDuration(m_nTimeGap).value_or(0)};
    recorder_.BeginView(std::move(view));
}

void CCamera::TakeSnapshot(const AVFrame& picture) {
    const SnapshotTaker::Place place{ReadMediaSettings(live_.app).imagePath,
                                     std::string(GetText(live_.app.m_UserName)),
                                     std::string(Sid())};
    switch (snapshot_.Take(picture, scaler_, place)) {
        case SnapshotTaker::Outcome::Written:
            // Posted to the user's side: the box never holds up this tick.
            live_.notifier.MessageBox(
                text::Format(text::Tr(text::kCoreContext, SnapshotTaker::kTakenMessage),
                             {snapshot_.LastFile().string()}),
                kCaption);
            break;
        case SnapshotTaker::Outcome::Failed:
            live_.notifier.ShowTip(SnapshotTaker::kFailedNotice, kSnapshotNoticeMs);
            break;
        case SnapshotTaker::Outcome::None:
        case SnapshotTaker::Outcome::Retry:
            break;
    }
}

void CCamera::PtzLoop() {
    pthread_setname_np(pthread_self(), "cam-ptz");
    do {
        const int page = m_nPage, slot = m_nSlot;
        PtzRequests* requests = page >= 0 ? live_.panes.Ptz(page, slot) : nullptr;
        const auto direction = requests ? requests->TakeNext() : std::nullopt;
        if (direction) {
            if (!SendMessage(ControlMessage(live_, TurnCommand(*direction)))) {
                m_nStatus = kStatusFailed;
                return;
            }
            ++counters.turnsSent;
        }
    } while (stop_.SleepFor(kPtzPass));
}

bool CCamera::ResetBitRate(int bitRate) {
    if (bitRate != 88000 && bitRate != 480000 && bitRate != 1200000) return false;
    std::lock_guard guard(controlLock_);
    if (!streaming_ || !transport_) return false;
    Json::Value message = ControlMessage(live_, "resetBitRate");
    message["bitRate"] = std::to_string(bitRate);
    m_nBitRate = bitRate;
    if (!SendMessage(message)) {
        m_nStatus = kStatusFailed;
        NLOG_DEBUG("STATUS_VIDEO_FAILED " << Sid());
        return false;
    }
    m_nBitRate = bitRate;
    return true;
}

}  // namespace nimbrel
