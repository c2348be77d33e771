// One recording read with libavformat for playing or copying: its picture track's packets in
// order, no further than the bytes that were completely written, a seek to the key frame at or
// before a time, and each packet as an Annex B frame for the program's H.264 decoder (lengths
// turned into start codes, the track's parameter sets before every key frame).
// Threading: one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVPacket;
struct AVStream;

namespace nimbrel::archive {

class RecordingReader {
  public:
    RecordingReader() = default;
    ~RecordingReader() { Close(); }
    RecordingReader(const RecordingReader&) = delete;
    RecordingReader& operator=(const RecordingReader&) = delete;

    // Opens `path`; packets whose bytes reach past `validBytes` (0: no limit) count as the end.
    // False, with the reason, when it is not an MP4 file with an H.264 track.
    bool Open(const std::string& path, uint64_t validBytes, std::string& error);
    void Close();
    bool IsOpen() const { return format_ != nullptr; }

    AVFormatContext* Format() const { return format_; }
    AVStream* Stream() const { return stream_; }
    int Width() const;
    int Height() const;

    // The next packet of the picture track; false at the end, or when the file ends in a
    // damaged or unfinished part.
    bool Next(AVPacket* packet);
    // Milliseconds of a packet's time from the file's first frame.
    int64_t MsOf(int64_t timestamp) const;
    // Goes to the key frame at or before `ms` from the first frame (the first frame for a time
    // before it).
    bool SeekTo(int64_t ms);

    // The packet as an Annex B frame in `out`, followed by `padding` zero bytes (not counted in
    // the returned size). 0 when the packet's lengths do not fit its bytes.
    std::size_t ToAnnexB(const AVPacket& packet, std::vector<uint8_t>& out,
                         std::size_t padding) const;

  private:
    bool ReadParameterSets(std::string& error);

    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    int index_ = -1;
    uint64_t validBytes_ = 0;
    int64_t firstTimestamp_ = 0;
    int lengthBytes_ = 4;                // of each unit's length in a sample
    std::vector<uint8_t> parameterSets_;  // SPS and PPS with start codes
};

}  // namespace nimbrel::archive
