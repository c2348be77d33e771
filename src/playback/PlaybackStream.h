// One playback of a recorded hour: the same negotiation, stream framing, frame ring, decoder and
// pane conversion as a live view, with a playback's own messages — "connect" naming the hour, a
// keep-alive without numbers, and the sender's jump, play and pause, where a request not yet sent
// is replaced by a later one. The display tick moves the timeline one position for each new
// second of the frames' time values; the recording's sound plays in step with the pictures.
// One playback at a time: a new start stops the previous one.
// Threading: Start, Stop and the transport calls from one controlling thread (the window's start
// thread or its UI thread; Start blocks for the start sequence). State, position and counters
// may be read from any thread. The picture goes out through Surface(), as a pane's does.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "live/LiveContext.h"
#include "live/StopSignal.h"
#include "live/StreamPacket.h"
#include "live/StreamRoute.h"
#include "live/StreamTransport.h"
#include "media/FrameRing.h"
#include "media/H264Decoder.h"
#include "media/Mp4Writer.h"
#include "media/PaneOwner.h"
#include "media/PaneScaler.h"
#include "media/PaneSurface.h"
#include "platform/PeriodicTimer.h"
#include "playback/PlaybackAnimation.h"
#include "playback/PlaybackCommandSlot.h"
#include "playback/PlaybackSound.h"
#include "playback/PlaybackTimeline.h"

namespace nimbrel {

// Hears every frame a playback shows, in order, just before it is decoded (the card's span
// saved to a file as it plays). The frame's bytes are the same afterwards.
class PlaybackFrameTap {
  public:
    virtual ~PlaybackFrameTap() = default;
    virtual void OnFrame(uint8_t* frame, std::size_t size, bool key, uint32_t timeValueMs) = 0;
};

class PlaybackStream {
  public:
    enum State : int { kIdle = 0, kStarting = 1, kPlaying = 2, kFailed = 3 };

    struct Counters {
        std::atomic<uint64_t> bytes{0};
        std::atomic<uint64_t> framesDecoded{0};
        std::atomic<uint64_t> framesShown{0};
        std::atomic<uint64_t> keepAlivesSent{0};
        std::atomic<uint64_t> commandsSent{0};
    };

    PlaybackStream(LiveContext& live, std::string sid);
    // Stops the playback.
    ~PlaybackStream();
    PlaybackStream(const PlaybackStream&) = delete;
    PlaybackStream& operator=(const PlaybackStream&) = delete;

    // Plays the hour `requestDate` ("20140315-08"): negotiation, the stream, the handshake, then
    // the threads. A playback already there is stopped first. False, with the state failed, when
    // a step fails.
    bool Start(const std::string& requestDate);
    // The stop sequence: every thread ends within its bounded wait; the state returns to idle.
    void Stop();
    // Cuts a start sequence short from another thread (its waits end; it fails); Stop follows.
    void Abort() { stop_.Raise(); }

    // The slider moved to `seconds` (a drag, an arrow, fast forward or rewind): the timeline
    // shows it at once and the camera is asked to jump there.
    void Jump(int seconds);
    void Play();
    void Pause();

    int State() const { return state_; }
    // The recording's start time and length; nothing before a start succeeded.
    std::optional<PlaybackTimeline> Timeline() const;
    // The slider position in seconds.
    int Position() const { return position_; }
    // The time value of the frame shown last, in milliseconds of the recording.
    int64_t VideoTimeMs() const { return videoTimeMs_; }
    // The camera ended the stream ("close"); the frames in the ring still play.
    bool Closed() const { return closed_; }
    std::string ConnectedAddress() const { return route_.ConnectedAddress(); }
    int LinkType() const { return linkType_; }
    const Counters& Stats() const { return counters_; }
    // The recording's sound (AAC over TCP; a playback without it has a player that never runs).
    const PlaybackSound& Sound() const { return sound_; }

    // The track of the hour playing (size, parameter sets, frame period); nothing before a start
    // succeeded.
    std::optional<Mp4Writer::Track> Track() const;
    // Every frame shown from now on goes to `tap` too (null: to nobody). Returns once the
    // previous tap hears nothing more.
    void SetFrameTap(PlaybackFrameTap* tap);

    // The picture at the video area's size; the viewer sets the size and the wake-up.
    PaneSurface& Surface() { return surface_; }
    // The status animation, which runs as long as this stream exists.
    PlaybackAnimation& Animation() { return animation_; }

  private:
    bool StartSequence(const std::string& requestDate);
    bool ReadReply(const Json::Value& reply);
    bool Send(const Json::Value& message);
    Json::Value Control(const char* cmd) const;
    void KeepAlive();
    void SendCommands();
    void ReceiveLoop();
    void OnTick();
    void ShowFrame(const FrameRing::Frame& frame);
    void Fail();

    LiveContext& live_;
    const std::string sid_;
    std::string umac_;
    std::string streamKey_;
    StopSignal stop_;
    std::atomic<int> linkType_{-1};
    StreamRoute route_{live_, stop_, linkType_};
    std::unique_ptr<StreamTransport> transport_;
    std::unique_ptr<PacketReader> reader_;  // the handshake's, which the receive loop goes on with

    std::atomic<int> state_{kIdle};
    std::atomic<int> position_{0};
    std::atomic<int64_t> videoTimeMs_{0};
    int64_t lastSecond_ = 0;  // the display tick's
    std::atomic<bool> firstShown_{false};
    std::atomic<bool> closed_{false};
    int width_ = 0;
    int height_ = 0;
    int timeGap_ = 0;
    int sampleRate_ = 8000;
    bool aacSound_ = false;  // the reply announced AAC on a stream that carries it
    mutable std::mutex timelineLock_;
    std::optional<PlaybackTimeline> timeline_;
    std::optional<Mp4Writer::Track> track_;  // under timelineLock_
    std::mutex tapLock_;
    PlaybackFrameTap* tap_ = nullptr;  // under tapLock_

    FrameRing ring_;
    H264Decoder decoder_;
    PaneScaler scaler_;
    // The picture is made in the stream's own buffer and handed to the surface, which takes it
    // only from its occupant: the stream.
    PaneOwner owner_;
    PanePicture picture_;
    PaneSurface surface_;
    PeriodicTimer frameTimer_{"pb-tick"};
    PlaybackCommandSlot commands_;
    PlaybackSound sound_{stop_, live_.audio, videoTimeMs_};
    std::thread keepAliveThread_;
    std::thread senderThread_;
    std::thread receiveThread_;
    Counters counters_;
    // Last: its thread reads the state and the ring, which are made before it and outlive it.
    PlaybackAnimation animation_{
        {[this] { return state_.load(); }, [this] { return ring_.Frames(); }}};
};

}  // namespace nimbrel
