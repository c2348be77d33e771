#include "LiveWallMeasure.h"

#include <dirent.h>
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <tuple>

#include "media/H264Decoder.h"
#include "media/PaneScaler.h"
#include "media/PaneSurface.h"
#include "media/ParameterSets.h"
#include "text/Base64.h"

namespace nimbrel::bench {
namespace {

double Seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
}

double ClockSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

std::string ReadSmallFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

ParameterSetRecord Record(const std::string& nal) {
    const auto record = ParameterSetRecord::FromBase64(Base64Encode(nal));
    return record ? *record : ParameterSetRecord{};
}

}  // namespace

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double ThreadCpuSeconds() {
    return ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
}

double MonotonicSeconds() {
    return ClockSeconds(CLOCK_MONOTONIC);
}

namespace {

int64_t StatusKilobytes(const std::string& field) {
    std::istringstream status(ReadSmallFile("/proc/self/status"));
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + field.size()) * 1024;
    return 0;
}

}  // namespace

int64_t ResidentBytes() {
    return StatusKilobytes("VmRSS:");
}

int64_t ResidentAnonymousBytes() {
    return StatusKilobytes("RssAnon:");
}

double LoadAverage() {
    double load = 0;
    std::istringstream(ReadSmallFile("/proc/loadavg")) >> load;
    return load;
}

std::map<std::string, int64_t> ThreadRunTimeByName() {
    std::map<std::string, int64_t> byName;
    std::unique_ptr<DIR, int (*)(DIR*)> tasks(opendir("/proc/self/task"), closedir);
    if (!tasks) return byName;
    while (dirent* entry = readdir(tasks.get())) {
        if (entry->d_name[0] == '.') continue;
        const std::string dir = std::string("/proc/self/task/") + entry->d_name;
        std::string name = ReadSmallFile(dir + "/comm");
        while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) name.pop_back();
        // The first figure of schedstat: nanoseconds spent on a CPU.
        int64_t ns = 0;
        std::istringstream(ReadSmallFile(dir + "/schedstat")) >> ns;
        byName[name] += ns;
    }
    return byName;
}

FloorFigures MeasureFloor(const FloorClip& clip, int streams, int frames, int paneWidth,
                          int paneHeight, double periodMs) {
    FloorFigures figures;
    if (clip.frames.empty() || streams <= 0 || frames <= 0) return figures;
    // Each frame followed by the zero padding the decoder may read, as the frame ring gives it.
    std::vector<std::vector<uint8_t>> padded;
    for (const std::string& frame : clip.frames) {
        std::vector<uint8_t> bytes(frame.size() + H264Decoder::kInputPadding, 0);
        std::memcpy(bytes.data(), frame.data(), frame.size());
        padded.push_back(std::move(bytes));
    }
    // Converted to the size the cameras convert to: never larger than the stream.
    std::tie(paneWidth, paneHeight) =
        PaneScaler::StoredSize(paneWidth, paneHeight, 0, clip.width, clip.height);
    const ParameterSetRecord sps = Record(clip.sps);
    const ParameterSetRecord pps = Record(clip.pps);

    // Three passes: bare decoding back to back, decoding and conversion back to back, and the
    // same paced at the frame period, each stream's frame at its time as a camera's tick would
    // take it, so that caches and predictors go cold between frames as they do in a wall.
    for (int pass = 0; pass < 3; ++pass) {
        const bool scale = pass >= 1;
        const bool paced = pass == 2;
        std::vector<std::unique_ptr<H264Decoder>> decoders;
        std::vector<std::unique_ptr<PaneScaler>> scalers;
        // The pane's pictures as the cameras make them: rows with room for an even width.
        std::vector<PanePicture> panes;
        for (int s = 0; s < streams; ++s) {
            decoders.push_back(std::make_unique<H264Decoder>());
            if (!decoders.back()->Open(sps, pps, clip.width, clip.height)) return figures;
            scalers.push_back(std::make_unique<PaneScaler>());
            if (scale) panes.emplace_back().Resize(paneWidth, paneHeight);
        }
        int64_t pictures = 0;
        const double start = ThreadCpuSeconds();
        const auto begun = std::chrono::steady_clock::now();
        for (int f = 0; f < frames; ++f) {
            if (paced)
                std::this_thread::sleep_until(
                    begun + std::chrono::microseconds(std::llround(f * periodMs * 1000)));
            const std::size_t index = std::size_t(f) % padded.size();
            const std::size_t size = clip.frames[index].size();
            for (int s = 0; s < streams; ++s) {
                const AVFrame* picture = decoders[s]->Decode(padded[index].data(), size);
                if (picture == nullptr) continue;
                if (scale && !scalers[s]->Scale(*picture, panes[s].Resize(paneWidth, paneHeight)))
                    continue;
                ++pictures;
            }
        }
        const double cpu = ThreadCpuSeconds() - start;
        (paced ? figures.pacedCpu : scale ? figures.decodeScaleCpu : figures.decodeCpu) = cpu;
        if (paced) figures.pictures = pictures;
    }
    return figures;
}

}  // namespace nimbrel::bench
