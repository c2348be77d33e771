// The playback window's geometry for a client size: the video area kept at 16:9 in the box left
// of the lists, the four pick lists and their captions, the start button, the timeline with its
// two time texts, the transport buttons centred under the video with the save button right of
// them and its cancel left of them, and the title-band buttons.
// Threading: pure functions, callable from any thread.
#pragma once

#include <array>

namespace nimbrel {

struct PlaybackRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    friend bool operator==(const PlaybackRect&, const PlaybackRect&) = default;
};

struct PlaybackLayout {
    static constexpr int kBandHeight = 45;  // the blue title band
    static constexpr int kTransportSize = 32;
    static constexpr int kTitleButtonWidth = 30;
    static constexpr int kTitleButtonHeight = 20;
    // The window's first client size and the smallest it may get.
    static constexpr int kInitialWidth = 924;
    static constexpr int kInitialHeight = 478;
    static constexpr int kMinimumWidth = 760;
    static constexpr int kMinimumHeight = 400;

    PlaybackRect video;
    std::array<PlaybackRect, 4> lists;     // year, month, day, hour
    std::array<PlaybackRect, 4> captions;  // above the lists
    PlaybackRect start;
    PlaybackRect slider;
    PlaybackRect currentTime;
    PlaybackRect endTime;
    PlaybackRect rewind;
    PlaybackRect pause;  // resume stands in the same place
    PlaybackRect forward;
    PlaybackRect save;        // saving the span played to a file: right of the transport buttons
    PlaybackRect saveCancel;  // left of them, while a save runs
    PlaybackRect close;
    PlaybackRect maximise;  // restore stands in the same place
};

// The layout of a client area of `width` × `height` pixels.
PlaybackLayout ComputePlaybackLayout(int width, int height);

// The six boxes of the starting animation in a video area of `width` × `height`: small areas
// scale them, larger ones get boxes of 30 × 15 centred. Box `step` mod 6 is the lit one.
struct PlaybackProgressBoxes {
    std::array<PlaybackRect, 6> boxes;
    int lit = 0;
};
PlaybackProgressBoxes ComputeProgressBoxes(int width, int height, int step);

}  // namespace nimbrel
