// Writes one camera's H.264 frames into an MP4 file with one video track (time scale 90,000,
// the picture size, the stream's SPS and PPS as its avcC, 4-byte sample lengths, sync samples
// from the key flag). The file is fragmented: an empty moov first, then a fragment at every key
// frame and at least every second, each handed to the sink as soon as it is complete and
// committed, so a killed or cut-off recording plays up to its last complete fragment. A normal
// close adds the fragment index.
// Threading: one thread at a time (the camera's display tick, then the stop).
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

    struct Track {
        int width = 0;
        int height = 0;
        ParameterSetRecord sps;
        ParameterSetRecord pps;
        int sampleDuration = 0;  // ticks of 1/90,000 s per frame
    };

    // Ticks of 1/90,000 s per frame for a frame period in milliseconds: 90,000 / (1000 / period)
    // in integer steps (3600 at 40 ms). Nothing for a period that gives no frame rate (0 or
    // less, or more than a second).
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

    // Appends one frame (Annex B) as one sample. Its 4-byte start codes are turned into the
    // big-endian lengths of their units for the write and put back before returning, so the
    // frame reaches the decoder as it was; a frame with 3-byte start codes is converted in a
    // buffer of the writer's own. False when the sink failed: the file is then closed, its
    // complete fragments stay playable, and nothing more is written.
    bool WriteFrame(uint8_t* frame, std::size_t size, bool key);

    // Writes the last fragment and the index and finishes the sink. False when any of it failed
    // (what was written before stays playable). Nothing to do when no file is open.
    bool Close();

    uint64_t Frames() const { return frames_; }

  private:
    static int WriteCallback(void* opaque, uint8_t* data, int size);
    bool WriteSample(const uint8_t* sample, std::size_t size, bool key);
    void Release();

    std::unique_ptr<ByteSink> sink_;
    AVFormatContext* format_ = nullptr;
    AVIOContext* io_ = nullptr;
    AVStream* stream_ = nullptr;
    AVPacket* packet_ = nullptr;
    int sampleDuration_ = 0;
    uint64_t frames_ = 0;
    bool sinkFailed_ = false;
    bool sinkWritten_ = false;  // bytes reached the sink since the last commit
    // A unit of an Annex B frame: where its start code begins, how long that is, and its bytes.
    struct Unit {
        std::size_t startCode;
        std::size_t startCodeBytes;  // 3 or 4; 0 for bytes before the first start code
        std::size_t begin;
        std::size_t end;
    };
    static void SplitUnits(const uint8_t* frame, std::size_t size, std::vector<Unit>& units);

    std::vector<Unit> units_;         // the units of the frame being written (capacity kept)
    std::vector<uint8_t> converted_;  // frames with 3-byte start codes, rewritten
};

}  // namespace nimbrel
