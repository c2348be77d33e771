// The picture a pane shows while its camera connects: a row of six bars under the idle picture,
// one of them highlighted in turn. Computed here so that every face of the program draws the
// same thing.
// Threading: pure function, callable from any thread.
#pragma once

#include <cstdint>

namespace nimbrel {

struct ConnectingBars {
    int x0 = 0;      // left edge of bar 0 in the drawing rectangle
    int top = 0;
    int width = 0;   // of each bar
    int height = 0;
    int gap = 8;     // between bars
    int highlighted = 0;  // 0..5
    static constexpr int kCount = 6;
    static constexpr uint32_t kBarColour = 0xFF5EB9FF;        // ARGB
    static constexpr uint32_t kHighlightColour = 0xFF409BE4;  // ARGB

    int BarLeft(int k) const { return x0 + k * (width + gap); }
};

// The bars for a drawing rectangle of `w` × `h` at animation step `step`.
inline ConnectingBars ConnectingBarsFor(int w, int h, int step) {
    ConnectingBars b;
    b.width = (3 * (w / 5) - 40) / 6;
    b.height = h / 25;
    b.x0 = w / 5;
    b.top = h / 5 * 4;
    if (b.width > 30 || b.height >= 16) {
        b.width = 30;
        b.height = 14;
        b.x0 = w / 2 - 110;
    }
    b.highlighted = ((step % ConnectingBars::kCount) + ConnectingBars::kCount) % ConnectingBars::kCount;
    return b;
}

}  // namespace nimbrel
