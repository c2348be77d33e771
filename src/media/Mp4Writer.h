// Writes one camera's H.264 frames into an MP4 file with one video track (time scale 90,000,
// the picture size, the stream's SPS and PPS as its avcC, 4-byte sample lengths, sync samples
// from the key flag). Each sample is placed at the time its caller gives, and lasts until the
// next one: a frame is held until the next frame's time is known. The file is fragmented: an
// empty moov first, then a fragment at every key frame and at least every second, each handed to
// the sink as soon as it is complete, so a killed or cut-off recording plays up to its last
// complete fragment. A write that fails cuts the file back to the end of its last complete
// fragment, and a flush that fails cuts it back to what the last good flush kept, so what stays
// always plays to its end. A normal close adds the fragment index.
// Threading: one thread at a time (the recording's writer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/ParameterSets.h"
#include "platform/ByteSink.h"

struct AVFormatContext;
struct AVIOContext;
struct AVPacket;
struct AVStream;

namespace nimbrel {

class Mp4Writer {
  public:
    static constexpr int kTimeScale = 90000;
    // The longest stretch of frames a fragment holds before it is written out.
    static constexpr int kMaxFragmentMs = 1000;
    // The longest frame period a track may have.
    static constexpr int kMaxFramePeriodMs = 60000;

    struct Track {
        int width = 0;
        int height = 0;
        ParameterSetRecord sps;
        ParameterSetRecord pps;
        int sampleDuration = 0;  // ticks of 1/90,000 s of one frame period
    };

    // Ticks of 1/90,000 s in a frame period of `framePeriodMs` milliseconds (3600 at 40 ms, 59,940
    // at 666 ms). Nothing for a period of 0 or less, or longer than kMaxFramePeriodMs.
    static std::optional<int> SampleDuration(int framePeriodMs);

    // The avcC record of the track: version 1, profile, compatibility and level from SPS bytes
    // 1 to 3, 4-byte lengths, the SPS and the PPS. Empty when the SPS is shorter than 4 bytes or
    // either set is missing.
    static std::vector<uint8_t> AvcConfiguration(const ParameterSetRecord& sps,
                                                 const ParameterSetRecord& pps);

    Mp4Writer() = default;
    ~Mp4Writer();
    Mp4Writer(const Mp4Writer&) = delete;
    Mp4Writer& operator=(const Mp4Writer&) = delete;

    // Starts the file in `sink` (the writer owns it from now on) and writes its header. False,
    // with the reason in `error`, when the track or the sink is not usable; nothing is open then.
    bool Open(std::unique_ptr<ByteSink> sink, const Track& track, std::string& error);
    bool IsOpen() const { return format_ != nullptr; }

    // Takes one frame (Annex B, 3- or 4-byte start codes; its bytes are not changed) as one
    // sample at `time` ticks from the file's first frame, later than the frame before it. False
    // when the file failed: it is then cut back to its last complete fragment and closed.
    bool WriteFrame(const uint8_t* frame, std::size_t size, bool key, int64_t time);

    // Waits until what is in the file is on the disk. False when that failed (a lost write-back):
    // the file is cut back to what the last good flush kept and closed.
    bool Sync();

    // Writes the held frame (lasting until `endTime` when given, else as long as the frame before
    // it), the last fragment and the index, and finishes the sink. False when any of it failed;
    // the file keeps its complete fragments. Nothing to do when no file is open.
    bool Close(std::optional<int64_t> endTime = std::nullopt);

    // Frames taken so far; once the file failed, the frames it keeps.
    uint64_t Frames() const { return failed_ ? kept_.frames : taken_; }
    bool Failed() const { return failed_; }

  private:
    // A point of the file up to which it plays: its length and the frames before it.
    struct Mark {
        uint64_t bytes = 0;
        uint64_t frames = 0;
    };

    static int WriteCallback(void* opaque, uint8_t* data, int size);
    // Turns the frame's start codes into 4-byte lengths, in `held_`.
    void Hold(const uint8_t* frame, std::size_t size);
    bool WriteHeld(int64_t duration);
    bool WriteSample(const uint8_t* sample, std::size_t size, bool key, int64_t time,
                     int64_t duration);
    // The file failed: it is cut back to `keep`, finished and closed.
    void FailAt(const Mark& keep);
    void Release();

    std::unique_ptr<ByteSink> sink_;
    AVFormatContext* format_ = nullptr;
    AVIOContext* io_ = nullptr;
    AVStream* stream_ = nullptr;
    AVPacket* packet_ = nullptr;
    int nominalDuration_ = 0;
    uint64_t taken_ = 0;       // frames given to WriteFrame
    uint64_t samples_ = 0;     // frames handed to the muxer
    uint64_t bytes_ = 0;       // bytes the sink took
    bool sinkFailed_ = false;  // a write of the sink failed
    bool failed_ = false;
    Mark complete_;  // the end of the last complete fragment
    Mark durable_;   // what the last good flush put on the disk
    Mark kept_;      // what a failed file keeps

    std::vector<uint8_t> held_;  // the last frame, its start codes made lengths
    bool holding_ = false;
    bool heldKey_ = false;
    int64_t heldTime_ = 0;
    int64_t lastDuration_ = 0;
};

}  // namespace nimbrel
