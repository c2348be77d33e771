// Starting, checking and stopping a live view. A start acquires a pane and runs negotiation and
// the handshake on the start thread; the check thread retries failed direct views; a stop ends
// every view thread in a fixed order, then releases the stream, the ring, the decoder and the
// pane, and restarts the view when a start was asked for meanwhile. Every wait is bounded: the
// loops watch the stop signal, transfers wait in 200 ms steps and sockets are shut down first.
#include <pthread.h>

#include "live/CCamera.h"
#include "platform/Log.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

void Join(std::thread& t) {
    if (!t.joinable()) return;
    if (t.get_id() == std::this_thread::get_id())
        t.detach();
    else
        t.join();
}

}  // namespace

CCamera::CCamera(LiveContext& live)
    : live_(live), audio_(m_bAudioOff, stop_, live.audio, "cam"), talk_(live.audio, "cam") {}

CCamera::~CCamera() { Shutdown(); }

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
    m_nStatus = kStatusConnecting;
    progressThread_ = std::thread(&CCamera::ProgressLoop, this);
    startThread_ = std::thread(&CCamera::StartThread, this);
    checkEnabled_ = true;
    if (!checkThread_.joinable()) checkThread_ = std::thread(&CCamera::CheckLoop, this);
    return true;
}

void CCamera::StartThread() {
    pthread_setname_np(pthread_self(), "cam-start");
    if (!RequestStart()) {
        NLOG_DEBUG("RequestStart() is falied and set STATUS_VIDEO_FAILED. " << Sid());
        m_nStatus = kStatusFailed;
    } else if (!GetSocketByNATType()) {
        NLOG_DEBUG("GetSocketBuNATType() is failed andt set the STATUS_VIDEO_FALIED. " << Sid());
        m_nStatus = kStatusFailed;
    } else if (!transport_ || !CtrlRecvPlay()) {
        NLOG_DEBUG("Ctrl_Recv_Play_TCP is failed and set STATUS_VIDEO_FAILED. " << Sid());
        m_nStatus = kStatusFailed;
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
    Join(finished);  // an earlier stop thread, done by now
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
    Join(countThread_);
    Join(keepAliveThread_);
    Join(readThread_);
    Join(relayCutThread_);
    Join(relayLimitThread_);
    Join(ptzThread_);
    frameTimer_.Stop();
}

void CCamera::ReleaseView() {
    {
        std::lock_guard control(controlLock_);
        streaming_ = false;
        transport_.reset();
    }
    panePicture_ = {};
    sps_ = {};
    pps_ = {};
    {
        std::lock_guard guard(addressLock_);
        m_Ip.clear();
        m_DstPort = 0;
    }
    m_DeviceNATType = -1;
    ring_.Release();
    decoder_.Close();
    scaler_.Reset();
    recorder_.EndView();  // the file is complete; m_bRecord stays for the next view
    m_nWidth = 0;
    m_nHeight = 0;
    m_nBitRate = -1;
    blink_ = 0;
    ticksSkippedSeen_ = 0;
}

void CCamera::StopClean(bool fromCheck) {
    NLOG_DEBUG((fromCheck ? "play failed go to StopCleanCameraCheck " : "StopCleanCameraTCP_UDT ") << Sid());
    stop_.Raise();
    Join(progressThread_);
    if (!fromCheck) checkEnabled_ = false;
    Join(startThread_);
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
    NLOG_DEBUG((fromCheck ? "stopCleanCameraCheck success " : "StopCleanCameraTCP_UDT success ") << Sid());
    if (restart) CameraStart();
}

void CCamera::CheckLoop() {
    pthread_setname_np(pthread_self(), "cam-check");
    for (;;) {
        // A failed direct view is stopped and started again; a failed relayed view is left.
        if (checkEnabled_ && m_nStatus == kStatusFailed && m_DeviceNATType != kDeviceRelay) {
            bool mine = false;
            {
                std::lock_guard guard(lifecycleLock_);
                if (started_ && !stopping_) mine = stopping_ = true;
            }
            if (mine) {
                StopClean(true);
                CameraStart();
            }
        }
        if (!shutdown_.SleepFor(std::chrono::duration_cast<std::chrono::milliseconds>(live_.checkPeriod)))
            return;
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
    checkEnabled_ = false;
    Join(checkThread_);
    StopCleanCameraTCP_UDT();
    std::thread stopper;
    {
        std::lock_guard guard(lifecycleLock_);
        stopper = std::move(stopThread_);
    }
    Join(stopper);
    // A stop that was running may have restarted the view; end that one too.
    StopCleanCameraTCP_UDT();
}

std::string CCamera::ConnectedAddress() const {
    std::lock_guard guard(addressLock_);
    return m_Ip.empty() ? std::string() : m_Ip + ":" + std::to_string(m_DstPort);
}

}  // namespace nimbrel
