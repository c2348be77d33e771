// Starting, checking and stopping a live view. A start acquires a pane and runs negotiation and
// the handshake on the start thread; the check thread retries failed direct views, soon at first
// and then less and less often; a stop ends every view thread in a fixed order, then releases
// the stream, the ring, the decoder and the pane, and restarts the view when a start was asked
// for meanwhile. Every wait is bounded: the loops watch the stop signal, transfers wait in
// 200 ms steps, sockets are shut down first and closed without lingering.
#include <pthread.h>

#include <algorithm>
#include <optional>
#include <system_error>

#include "live/CCamera.h"
#include "platform/Log.h"
#include "platform/ThreadEnd.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

}  // namespace

const char* CameraFailureName(CameraFailure failure) {
    switch (failure) {
        case CameraFailure::None:
            return "";
        case CameraFailure::Start:
            return "start";
        case CameraFailure::Ended:
            return "ended";
        case CameraFailure::Closed:
            return "closed";
        case CameraFailure::Broken:
            return "broken";
        case CameraFailure::Stalled:
            return "stalled";
        case CameraFailure::SignedOut:
            return "signedOut";
    }
    return "";
}

CCamera::CCamera(LiveContext& live)
    : live_(live), audio_(m_bAudioOff, stop_, live.audio, "cam"), talk_(live.audio, "cam") {
    recorder_.SetEvents(live.recordings);
}

CCamera::~CCamera() {
    Shutdown();
    SerialPool::Shared().Close(tickLane_);
}

bool CCamera::CameraStart() {
    std::unique_lock lock(lifecycleLock_);
    if (started_) {
        if (stopping_) {
            m_bRestart = 1;  // the running stop starts the view again when it is done
        } else if (m_nStatus == kStatusFailed) {
            NLOG_DEBUG("m_hStartThread!=NULL && play failed " << Sid());
            m_bRestart = 1;
            lock.unlock();
            RequestStop();
        }
        return true;
    }
    // A view without a pane would decode for nobody and stay "connecting" for ever.
    if (!live_.panes.AcquirePane(*this)) {
        NLOG_DEBUG("CameraStart: every pane is taken " << Sid());
        lock.unlock();
        live_.notifier.ShowTip(kNoFreePaneNotice, kNoFreePaneNoticeMs);
        return false;
    }
    started_ = true;
    stop_.Clear();
    failure_ = CameraFailure::None;
    m_nStatus = kStatusConnecting;
    progressThread_ = std::thread(&CCamera::ProgressLoop, this);
    startThread_ = std::thread(&CCamera::StartThread, this);
    checkEnabled_ = true;
    if (!checkThread_.joinable()) checkThread_ = std::thread(&CCamera::CheckLoop, this);
    return true;
}

void CCamera::Fail(CameraFailure why) {
    // The first reason of a view is why it failed: a stall or a broken packet shuts the stream
    // down, after which the keep-alive's send and the read fail too, and they would hide it.
    CameraFailure none = CameraFailure::None;
    failure_.compare_exchange_strong(none, why);
    m_nStatus = kStatusFailed;
    checkNudge_.Raise();
}

void CCamera::StartThread() {
    pthread_setname_np(pthread_self(), "cam-start");
    route_.Prepare(std::string(Sid()));
    const bool requested = route_.RequestStart();
    m_TranVideoLong = route_.TransVideoLong();
    if (!requested) {
        NLOG_DEBUG("RequestStart() is falied and set STATUS_VIDEO_FAILED. " << Sid());
        const bool signedOut =
            live_.session && live_.session->CurrentState() == SessionRecovery::State::Ended;
        Fail(signedOut ? CameraFailure::SignedOut : CameraFailure::Start);
    } else if (!route_.GetSocketByNATType()) {
        NLOG_DEBUG("GetSocketBuNATType() is failed andt set the STATUS_VIDEO_FALIED. " << Sid());
        Fail(CameraFailure::Start);
    } else if (!(transport_ = route_.TakeTransport()) || !CtrlRecvPlay()) {
        NLOG_DEBUG("Ctrl_Recv_Play_TCP is failed and set STATUS_VIDEO_FAILED. " << Sid());
        Fail(CameraFailure::Start);
    }
}

void CCamera::RequestStop() {
    std::thread finished;
    {
        std::lock_guard guard(lifecycleLock_);
        if (!started_ || stopping_) return;
        stopping_ = true;
        finished = std::move(stopThread_);
        stopThread_ = std::thread([this] {
            pthread_setname_np(pthread_self(), "cam-stop");
            StopClean(false);
        });
    }
    JoinOrDetach(finished);  // an earlier stop thread, done by now
}

void CCamera::StopCleanCameraTCP_UDT() {
    {
        std::lock_guard guard(lifecycleLock_);
        if (!started_ || stopping_) return;
        stopping_ = true;
    }
    StopClean(false);
}

void CCamera::JoinViewThreads() {
    if (transport_) transport_->Shutdown();  // wakes the reading loop at once
    JoinOrDetach(countThread_);
    JoinOrDetach(keepAliveThread_);
    JoinOrDetach(readThread_);
    JoinOrDetach(relayCutThread_);
    JoinOrDetach(relayLimitThread_);
    JoinOrDetach(ptzThread_);
    frameTimer_.Stop();
    SerialPool::Shared().Close(tickLane_);  // drops a waiting tick, waits for a running one
}

void CCamera::ReleaseView() {
    {
        std::lock_guard control(controlLock_);
        streaming_ = false;
        transport_.reset();
    }
    reader_.reset();
    panePicture_ = {};
    sps_ = {};
    pps_ = {};
    route_.Clear();
    m_DeviceNATType = -1;
    ring_.Release();
    decoder_.Close();
    pending_.Release();
    scaler_.Reset();
    recorder_.EndView();  // the file is complete; m_bRecord stays for the next view
    m_nWidth = 0;
    m_nHeight = 0;
    m_nBitRate = -1;
    blink_ = 0;
    ticksSkippedSeen_ = 0;
}

void CCamera::StopClean(bool fromCheck) {
    NLOG_DEBUG((fromCheck ? "play failed go to StopCleanCameraCheck " : "StopCleanCameraTCP_UDT ")
               << Sid());
    stop_.Raise();
    JoinOrDetach(progressThread_);
    if (!fromCheck) checkEnabled_ = false;
    JoinOrDetach(startThread_);
    JoinViewThreads();
    StopSound();
    ReleaseView();
    m_bAudioOff = 1;
    stop_.Clear();

    const int page = m_nPage, slot = m_nSlot;
    if (page >= 0) {
        live_.panes.ReleasePane(*this);  // empties the pane's surface too
        live_.panes.Invalidate(page, slot);
    }
    m_nRotation = 0;
    m_nStatus = kStatusReady;
    bool restart = false;
    {
        std::lock_guard guard(lifecycleLock_);
        started_ = false;
        stopping_ = false;
        // A start asked for while the check thread stops a view to retry it is served by that
        // retry: it must not linger and restart the view after the user's next stop.
        restart = m_bRestart.exchange(0) != 0 && !fromCheck;
    }
    NLOG_DEBUG((fromCheck ? "stopCleanCameraCheck success " : "StopCleanCameraTCP_UDT success ")
               << Sid());
    if (restart) CameraStart();
}

std::chrono::milliseconds CCamera::RetryDelay(int attempt) const {
    std::chrono::milliseconds delay = live_.firstRetry;
    for (int i = 0; i < attempt && delay < live_.checkPeriod; ++i) delay *= 2;
    return std::min(delay, live_.checkPeriod);
}

void CCamera::RetryFailedView() {
    bool mine = false;
    {
        std::lock_guard guard(lifecycleLock_);
        if (started_ && !stopping_) mine = stopping_ = true;
    }
    if (!mine) return;
    StopClean(true);
    CameraStart();
}

void CCamera::CheckLoop() {
    pthread_setname_np(pthread_self(), "cam-check");
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> retryAt;
    for (;;) {
        checkNudge_.Clear();
        if (shutdown_.IsRaised()) return;
        std::chrono::milliseconds wait = live_.checkPeriod;
        // A failed direct view is stopped and started again, after a wait that doubles with
        // each retry until it plays again; a failed relayed view is left.
        if (checkEnabled_ && m_nStatus == kStatusFailed && m_DeviceNATType != kDeviceRelay) {
            const auto now = Clock::now();
            if (!retryAt) retryAt = now + RetryDelay(retryAttempt_);
            if (now >= *retryAt) {
                retryAt.reset();
                ++retryAttempt_;
                RetryFailedView();
                continue;
            }
            wait = std::chrono::ceil<std::chrono::milliseconds>(*retryAt - now);
        } else {
            retryAt.reset();
        }
        checkNudge_.SleepFor(wait);
    }
}

void CCamera::ProgressLoop() {
    pthread_setname_np(pthread_self(), "cam-progress");
    while (!stop_.IsRaised()) {
        const int page = m_nPage, slot = m_nSlot;
        if (page < 0) {
            stop_.SleepFor(1000ms);
            continue;
        }
        switch (m_nStatus.load()) {
            case kStatusReady:
                live_.panes.Invalidate(page, slot);
                stop_.SleepFor(1000ms);
                break;
            case kStatusConnecting:
                ++m_nProgressFrame;
                live_.panes.Invalidate(page, slot);
                stop_.SleepFor(500ms);
                break;
            case kStatusPlaying:
                stop_.SleepFor(1000ms);
                break;
            case kStatusFailed:
                if (ring_.Frames() > 1) {
                    stop_.SleepFor(300ms);
                } else {
                    live_.panes.Invalidate(page, slot);
                    stop_.SleepFor(2000ms);
                }
                break;
            default:
                return;
        }
    }
}

void CCamera::Shutdown() {
    shutdown_.Raise();
    checkNudge_.Raise();
    checkEnabled_ = false;
    JoinOrDetach(checkThread_);
    StopCleanCameraTCP_UDT();
    std::thread stopper;
    {
        std::lock_guard guard(lifecycleLock_);
        stopper = std::move(stopThread_);
    }
    JoinOrDetach(stopper);
    // A stop that was running may have restarted the view; end that one too.
    StopCleanCameraTCP_UDT();
}

void ShutdownCameras(const std::vector<CCamera*>& cameras) {
    // Each stop waits for its own camera's threads: side by side, the slowest camera bounds the
    // wait instead of the sum of them all.
    std::vector<std::thread> stoppers;
    for (CCamera* camera : cameras) {
        if (!camera) continue;
        try {
            stoppers.emplace_back([camera] { camera->Shutdown(); });
        } catch (const std::system_error&) {
            camera->Shutdown();  // no thread to be had: stop this one here
        }
    }
    for (std::thread& stopper : stoppers) stopper.join();
}

std::string CCamera::ConnectedAddress() const {
    return route_.ConnectedAddress();
}

}  // namespace nimbrel
