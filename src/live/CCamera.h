// One camera: its device record plus everything a live view of it needs — the connection found
// by negotiation, the stream and its threads, the frame ring and decoder, and the status the
// pane shows (0 ready, 1 connecting, 2 playing, 3 failed). A view can be started and stopped
// many times; the object lives as long as the device list.
// Threading: CameraStart/RequestStop from the UI thread (or any controlling thread); the view
// threads are private. Flags and status are atomics; the stream, ring and decoder are touched
// only by the threads of one view, which a stop ends before it releases them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "devices/DeviceRecord.h"
#include "live/CameraAudio.h"
#include "live/CameraRecorder.h"
#include "live/CameraTalk.h"
#include "live/LiveContext.h"
#include "live/SnapshotTaker.h"
#include "live/StopSignal.h"
#include "live/StreamPacket.h"
#include "live/StreamRoute.h"
#include "live/StreamTransport.h"
#include "media/DelayHistogram.h"
#include "media/FrameRing.h"
#include "media/H264Decoder.h"
#include "media/PaneOwner.h"
#include "media/PaneScaler.h"
#include "media/ParameterSets.h"
#include "media/PendingFrames.h"
#include "media/TickPhase.h"
#include "platform/Ipv4Endpoint.h"
#include "platform/PeriodicTimer.h"
#include "platform/SerialPool.h"
#include "platform/TcpSocket.h"
#include "platform/UdpSocket.h"
#include "text/Translation.h"

namespace Json {
class Value;
}

namespace nimbrel {

enum CameraStatus : int {
    kStatusReady = 0,
    kStatusConnecting = 1,
    kStatusPlaying = 2,
    kStatusFailed = 3
};

// Why a view failed, for reports.
enum class CameraFailure : int {
    None,
    Start,    // negotiation, the connection or the opening handshake failed
    Ended,    // the stream ended: closed, cut, or a read or send failed
    Closed,   // the camera ended the view ("close")
    Broken,   // a packet the protocol does not allow
    Stalled,  // nothing arrived for the stall limit
};
// "start", "ended", "closed", "broken", "stalled" ("" for None).
const char* CameraFailureName(CameraFailure failure);

// What a view has done so far, for the command-line client and benchmarks.
struct ViewCounters {
    std::atomic<uint64_t> bytes{0};  // all stream bytes received
    std::atomic<uint64_t> fragments{0};
    std::atomic<uint64_t> framesDecoded{0};
    std::atomic<uint64_t> framesShown{0};    // converted and published to the pane
    std::atomic<uint64_t> catchUps{0};       // kept frames decoded when the pane was shown again
    std::atomic<uint64_t> framesDropped{0};  // cleared without decoding
    std::atomic<uint64_t> ticksSkipped{0};   // display ticks lost while the camera was behind
    std::atomic<uint64_t> tickShifts{0};     // display ticks moved to fall between arrivals
    std::atomic<uint64_t> framesSkippedBehind{0};  // decoded, not drawn, to work off a backlog
    std::atomic<uint64_t> keepAlivesSent{0};
    std::atomic<uint64_t> turnsSent{0};  // pan/tilt messages sent
    // From a frame's last fragment landing in the ring to its picture published to the pane.
    DelayHistogram publishDelay;
};

class CCamera : public DeviceRecord, public PaneOwner {
  public:
    static constexpr const char* kNoFreePaneNotice =
        NIMBREL_TR_NOOP("Core", "Нет свободного окна для видео");
    static constexpr int kNoFreePaneNoticeMs = 1500;

    explicit CCamera(LiveContext& live);
    ~CCamera() override;

    // Starts or restarts the live view (see the lifecycle notes in CameraLifecycle.cpp). A view
    // needs a pane: with every pane taken nothing starts, the user is told why, and the result
    // is false.
    bool CameraStart();
    // Starts the stop sequence on its own thread unless one runs or no view exists.
    void RequestStop();
    // The full stop on the calling thread (waits for every view thread).
    void StopCleanCameraTCP_UDT();
    // Ends the view and the camera's long-lived threads for good (program exit, tests).
    void Shutdown();

    // Live-view state.
    std::atomic<int> m_nStatus{kStatusReady};
    std::atomic<int> m_bAudioOff{1};
    std::atomic<int> m_bRestart{0};
    std::atomic<int> m_bRecord{0};
    std::atomic<int> m_DeviceNATType{-1};
    std::atomic<int> m_TranVideoLong{0};
    std::atomic<int> m_nRotation{0};
    std::atomic<int> m_nBitRate{-1};
    std::atomic<int> m_nWidth{0};
    std::atomic<int> m_nHeight{0};
    std::atomic<int> m_nTimeGap{0};
    std::atomic<int> m_bAudioAac{0};
    std::atomic<int> m_nAudioSample{8000};
    std::atomic<float> m_fBytesLastSecond{0};
    std::atomic<int> m_nProgressFrame{0};  // steps of the connecting animation
    ViewCounters counters;

    bool IsStopping() const { return stop_.IsRaised(); }
    StopSignal& Stop() { return stop_; }
    // The address the stream is connected to (for reports); empty until a connection stands.
    std::string ConnectedAddress() const;
    // Why the view failed last; None since the last start.
    CameraFailure Failure() const { return failure_.load(); }
    // The status-line text of the last picture ("name  12.34K/s").
    std::string StatusLine() const;

    // Recording, snapshots and controls (CameraControls.cpp). m_bRecord asks for recording; it
    // outlives the view, so the next view of the camera records again.
    const CameraRecorder& Recorder() const { return recorder_; }
    CameraRecorder& Recorder() { return recorder_; }
    // Asks for a snapshot of the next picture (m_bSnapshot); an empty `file` puts it into the
    // snapshot folder's day folder.
    void RequestSnapshot(std::filesystem::path file = {}) { snapshot_.Request(std::move(file)); }
    const SnapshotTaker& Snapshots() const { return snapshot_; }
    // Asks the device for 88000, 480000 or 1200000 bits per second. False, with nothing sent,
    // for another value or without an open stream; false after a failed send (the view fails).
    bool ResetBitRate(int bitRate);

    // Device audio and talk (CameraSound.cpp). Starting plays or talks by the camera's audio
    // kind; while the camera's own earlier stop still runs it becomes the next owner instead and
    // is started when that stop is done. A stop hands the role to the camera waiting for it.
    void StartDeviceAudio();
    // False when there was nothing to stop or a stop already runs.
    bool RequestAudioStop();
    void StartTalk();
    bool RequestTalkStop();
    bool AudioRunning() const { return audio_.Running(); }
    bool TalkRunning() const { return talk_.Running(); }
    const CameraAudio& Audio() const { return audio_; }
    const CameraTalk& Talk() const { return talk_; }

  private:
    friend class CameraTestAccess;

    // Status 3, with the reason; wakes the check thread.
    void Fail(CameraFailure why);

    // Opening handshake and view threads (CameraStream.cpp).
    bool CtrlRecvPlay();
    bool SendMessage(const Json::Value& message);
    void StartViewThreads();
    void ReadLoop();
    void KeepAlive();
    void CountLoop();
    void RelayLimit();
    void RelayCut();

    // Frames (CameraFrames.cpp).
    bool InitVideoDecoder();
    // `dueNs`: when the timer fired (DelayHistogram::NowNs), before the tick waited for a worker.
    void OnFrameTick(int64_t dueNs);
    // One ring tick; `draw` false decodes the frame without converting or showing it.
    void TickRing(bool draw);
    void TakeFrame(const FrameRing::Frame& frame, bool draw);
    // Decodes the kept frames before a frame that is about to be decoded (none before a key
    // frame); false when that frame cannot be decoded now (a key frame is needed, or a stop).
    bool CatchUp(bool key);
    // A frame drawn by this tick arrived at `completedNs`: moves the ticks when they fall too
    // near the arrivals.
    void KeepTicksBetweenArrivals(int64_t completedNs);

    // Recording, snapshots and pan/tilt (CameraControls.cpp).
    void BeginRecording();
    void TakeSnapshot(const AVFrame& picture);
    void PtzLoop();

    // Sound (CameraSound.cpp).
    void PutAudioFrame(const Packet& packet);
    void StopSound();
    void HandOverAudio(bool viewEnding);
    void HandOverTalk(bool viewEnding);
    bool SendTalkPacket(std::span<const uint8_t> packet);

    // Lifecycle (CameraLifecycle.cpp).
    void StartThread();
    void CheckLoop();
    // The check thread's retry of a failed view: stop it, start it again.
    void RetryFailedView();
    // How long the check thread waits before retry number `attempt` (0 first) of a failed view.
    std::chrono::milliseconds RetryDelay(int attempt) const;
    void ProgressLoop();
    void StopClean(bool fromCheck);
    void JoinViewThreads();
    void ReleaseView();

    LiveContext& live_;
    StopSignal stop_;
    StopSignal shutdown_;    // ends the check thread for good
    StopSignal checkNudge_;  // wakes the check thread: a view failed, or the end
    std::atomic<CameraFailure> failure_{CameraFailure::None};
    std::atomic<int> retryAttempt_{0};  // retries since the view last played

    // Negotiation and the opened stream, taken over from the route by the start thread before
    // the view threads start.
    StreamRoute route_{live_, stop_, m_DeviceNATType};
    std::unique_ptr<StreamTransport> transport_;
    // Made by the handshake, which may receive the first media with the reply; the reading loop
    // goes on from there.
    std::unique_ptr<PacketReader> reader_;

    // Video.
    ParameterSetRecord sps_{};
    ParameterSetRecord pps_{};
    FrameRing ring_;
    H264Decoder decoder_;
    PendingFrames pending_;  // kept undecoded while the pane is hidden
    PaneScaler scaler_;
    PanePicture panePicture_;  // filled by the display tick; its buffers go round via the pane
    // The display tick keeps the frame period on the camera's own timer and runs the frame work
    // (decoding, conversion) on the shared decoding workers, one tick at a time.
    PeriodicTimer frameTimer_;
    SerialPool::Lane tickLane_;
    uint64_t ticksSkippedSeen_ = 0;  // the timer's own count when the tick last looked
    TickPhase tickPhase_{0};         // set up with the frame period when the view starts
    int64_t tickDueNs_ = 0;          // the running tick's time; 0 when it caught up instead
    int ticksBehind_ = 0;            // ticks in a row that found a frame more than the usual two
    int blink_ = 0;
    mutable std::mutex statusLineLock_;
    std::string statusLine_;
    std::atomic<uint64_t> bytesThisSecond_{0};
    int controlNumber_ = 0;

    // Threads and their running marks.
    std::mutex lifecycleLock_;  // guards the marks and the thread objects below
    bool started_ = false;      // a view exists (the start thread was started)
    bool stopping_ = false;     // a stop sequence runs
    std::atomic<bool> checkEnabled_{false};
    std::thread startThread_;
    std::thread stopThread_;
    std::thread progressThread_;
    std::thread checkThread_;
    std::thread readThread_;
    std::thread keepAliveThread_;
    std::thread countThread_;
    std::thread relayLimitThread_;
    std::thread relayCutThread_;

    // Recording, snapshots and controls.
    CameraRecorder recorder_{live_.notifier, LocalNow, {}, live_.recordQueueBytes};
    SnapshotTaker snapshot_;
    std::thread ptzThread_;
    // Guards the transport for senders outside the view's own threads (the bit-rate choice,
    // talk) against its release by a stop; `streaming_` says the handshake is done and no stop ran.
    std::mutex controlLock_;
    bool streaming_ = false;

    // Device audio and talk; talk packets go out only while `streaming_`. Declared after the
    // lock their threads take, so that it outlives them.
    CameraAudio audio_;
    CameraTalk talk_;
};

// Ends the views of many cameras for good (program exit).
void ShutdownCameras(const std::vector<CCamera*>& cameras);

}  // namespace nimbrel
