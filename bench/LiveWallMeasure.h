// Measuring tools of the live-wall benchmark: the process's CPU time and resident memory, the
// run time of each thread grouped by its name, the machine's load, and the decoding floor of a
// wall (the same clips decoded in-process, with and without the one conversion to the pane).
// Threading: call from one thread; the figures cover the whole process unless said otherwise.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace nimbrel::bench {

// User plus system CPU seconds of the whole process so far (getrusage RUSAGE_SELF).
double ProcessCpuSeconds();
// CPU seconds of the calling thread so far.
double ThreadCpuSeconds();
// Seconds on the monotonic clock.
double MonotonicSeconds();
// The process's resident memory now, in bytes: all of it (VmRSS), or only the anonymous part
// (RssAnon: what the program allocated, without the pages of program and library files it
// has read in, which are the process's once however many cameras it shows).
int64_t ResidentBytes();
int64_t ResidentAnonymousBytes();
// The 1-minute load average.
double LoadAverage();

// Nanoseconds on a CPU so far for each thread of the process, summed by thread name.
std::map<std::string, int64_t> ThreadRunTimeByName();

// The decoding floor of a wall of `streams` identical streams over `frames` frames each
// (the clip looped), decoded interleaved like the wall's cameras. CPU seconds of the calling
// thread, without and with the conversion of every picture to paneWidth × paneHeight BGRX.
struct FloorFigures {
    double decodeCpu = 0;       // bare decoding
    double decodeScaleCpu = 0;  // decoding plus the one conversion to the pane
    double pacedCpu = 0;        // the same, one frame per stream each frame period
    int64_t pictures = 0;       // pictures made by the second pass (must be streams × frames)
};
struct FloorClip {
    std::string sps;  // NAL units without start codes
    std::string pps;
    int width = 0;
    int height = 0;
    std::vector<std::string> frames;  // Annex B, in stream order
};
FloorFigures MeasureFloor(const FloorClip& clip, int streams, int frames, int paneWidth,
                          int paneHeight, double periodMs);

}  // namespace nimbrel::bench
