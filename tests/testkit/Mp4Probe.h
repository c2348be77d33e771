// What a recording holds, seen from outside the recorder: ffprobe's reading of an MP4 file (the
// player's view: size, frames, duration, which frames are key frames, the samples' times, and
// what it could not decode) and the file's pictures
// decoded through libavformat, to compare with the pictures of the stream that was recorded.
// Threading: the test's thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace nimbrel::test {

struct Mp4Facts {
    bool read = false;  // ffprobe read the file and found one H.264 stream
    std::string error;  // what ffprobe said on stderr (a torn fragment shows here)
    int width = 0;
    int height = 0;
    long frames = 0;              // frames ffprobe decoded
    double duration = 0;          // seconds, from the container
    std::string timeBase;         // of the stream, e.g. "1/90000"
    std::vector<bool> keyFrames;  // per decoded frame
    std::vector<int64_t> packetTimes;  // per sample, in the stream's time base
};

// Runs ffprobe on `path`.
Mp4Facts ProbeMp4(const std::filesystem::path& path);

// Every picture of the file's video track, demuxed with libavformat and decoded with
// libavcodec, as full-size 24-bit BGR (rows top-down, no gaps).
std::vector<std::string> DecodeMp4Pictures(const std::filesystem::path& path);

// Runs a shell command; its stdout, and its exit status in `status`.
std::string RunShell(const std::string& command, int* status = nullptr);

}  // namespace nimbrel::test
