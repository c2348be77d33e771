// WAV files of 16-bit PCM: reading one whole (for the file input and for tests), and the writer
// that the file output appends to. One writer per path serves the whole process, so that the
// sound of several cameras played one after the other lands in one file, in order.
// Threading: ReadWav is a pure function; a writer may be used from any thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/audio/AudioFormat.h"

namespace nimbrel {

struct WavData {
    AudioFormat format;
    std::vector<int16_t> samples;  // interleaved
};

// Reads a RIFF/WAVE file of 16-bit PCM, mono or stereo; every chunk length is checked against
// the file. Nothing and a reason in `error` for anything else.
std::optional<WavData> ReadWav(const std::string& path, std::string* error = nullptr);
// The same from bytes in memory.
std::optional<WavData> ParseWav(std::span<const uint8_t> bytes, std::string* error = nullptr);
// Writes `data` as a whole WAV file; false when it cannot.
bool WriteWav(const std::string& path, const WavData& data);

class WavWriter {
  public:
    // The process's writer for `path`.
    static std::shared_ptr<WavWriter> ForPath(const std::string& path);
    ~WavWriter();

    // Starts writing in `format`: the first start in the process creates the file, a later one
    // with the same format appends, one with another format starts the file anew.
    bool Begin(const AudioFormat& format);
    void Append(std::span<const uint8_t> pcm);
    void AppendSilence(std::size_t bytes);
    const std::string& Path() const { return path_; }

  private:
    explicit WavWriter(std::string path) : path_(std::move(path)) {}
    bool Create(const AudioFormat& format);
    void UpdateSizes();

    std::string path_;
    std::mutex lock_;
    std::FILE* file_ = nullptr;
    AudioFormat format_;
    uint32_t dataBytes_ = 0;
};

}  // namespace nimbrel
