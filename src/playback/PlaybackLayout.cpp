#include "playback/PlaybackLayout.h"

#include <algorithm>

namespace nimbrel {
namespace {

constexpr int kListWidth = 60;
constexpr int kCaptionWidth = 50;
constexpr int kCaptionHeight = 20;
constexpr int kTimeTextWidth = 50;
constexpr int kTimeTextHeight = 30;

}  // namespace

PlaybackLayout ComputePlaybackLayout(int width, int height) {
    const int left = 0, top = 0, right = width, bottom = height;
    PlaybackLayout l;

    // The video area keeps 16:9 inside the box left of the lists and above the timeline.
    int w = std::max(0, right - 300);
    int h = std::max(0, bottom - 150);
    if (w * 9 > h * 16)
        w = h * 16 / 9;
    else
        h = w * 9 / 16;
    l.video = {left + 10, top + 55, w, h};

    const int listHeight = std::max(0, bottom - top - 180);
    for (int k = 0; k < 4; ++k) {
        l.lists[static_cast<std::size_t>(k)] = {right - 280 + 70 * k, top + 80, kListWidth,
                                                listHeight};
        l.captions[static_cast<std::size_t>(k)] = {right - 270 + 70 * k, top + 55, kCaptionWidth,
                                                   kCaptionHeight};
    }
    l.start = {right - 250, bottom - 75, 160, 40};
    l.slider = {left + 60, bottom - 70, std::max(0, right - left - 416), 30};
    l.currentTime = {left + 10, bottom - 70, kTimeTextWidth, kTimeTextHeight};
    l.endTime = {right - 346, bottom - 70, kTimeTextWidth, kTimeTextHeight};

    // The transport buttons in the row under the timeline, centred on the video's middle.
    const int size = PlaybackLayout::kTransportSize;
    const int middle = l.video.x + w / 2;
    const int row = bottom - 37;
    l.rewind = {middle - 100 - size / 2, row, size, size};
    l.pause = {middle - size / 2, row, size, size};
    l.forward = {middle + 100 - size / 2, row, size, size};
    // The save buttons share the row, up to the video's edges (the room there is at least
    // 96 pixels at the smallest window).
    const int gap = 10;
    const int room = std::max(0, l.video.x + w - (l.forward.x + size + gap));
    const int saveWidth = std::min(140, room);
    l.save = {l.video.x + w - saveWidth, row, saveWidth, size};
    const int cancelWidth = std::min(140, std::max(0, l.rewind.x - gap - l.video.x));
    l.saveCancel = {l.video.x, row, cancelWidth, size};

    const int bw = PlaybackLayout::kTitleButtonWidth, bh = PlaybackLayout::kTitleButtonHeight;
    const int by = (PlaybackLayout::kBandHeight - bh) / 2;
    l.close = {right - 4 - bw, by, bw, bh};
    l.maximise = {right - 8 - 2 * bw, by, bw, bh};
    return l;
}

PlaybackProgressBoxes ComputeProgressBoxes(int width, int height, int step) {
    int boxHeight = height / 20;
    int left = width / 5;
    int boxWidth = (3 * (width / 5) - 40) / 6;
    if (boxWidth > 30 || boxHeight > 15) {
        boxHeight = 15;
        left = width / 2 - 110;
        boxWidth = 30;
    }
    PlaybackProgressBoxes p;
    const int y = height / 5 * 4;
    for (int k = 0; k < 6; ++k)
        p.boxes[static_cast<std::size_t>(k)] = {left + k * (boxWidth + 8), y, std::max(0, boxWidth),
                                                boxHeight};
    p.lit = ((step % 6) + 6) % 6;
    return p;
}

}  // namespace nimbrel
