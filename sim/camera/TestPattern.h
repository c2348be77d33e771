// The moving picture a simulated camera shows: a diagonal gradient that drifts, a bright bar
// that sweeps across once per clip, and the frame's number in block digits, so that decoded
// pictures differ from frame to frame and a looped clip has no jump at its seam. A card's
// recording has its colours the other way round and a red mark in the top right corner.
// Threading: pure function of its arguments, callable from any thread.
#pragma once

#include <cstdint>

namespace nimbrel::sim {

class TestPattern {
  public:
    struct Planes {
        uint8_t* y;
        int yStride;
        uint8_t* u;
        int uStride;
        uint8_t* v;
        int vStride;
    };

    TestPattern(int width, int height, bool recorded = false)
        : width_(width), height_(height), recorded_(recorded) {}
    // Draws frame `index` of a clip of `count` frames into YUV 4:2:0 planes.
    void Draw(const Planes& planes, int index, int count) const;

  private:
    void DrawNumber(const Planes& planes, int number) const;
    void DrawRecordMark(const Planes& planes) const;
    int width_;
    int height_;
    bool recorded_;
};

}  // namespace nimbrel::sim
