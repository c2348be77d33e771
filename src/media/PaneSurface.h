// The picture of one video pane, handed from the camera thread that makes it to the thread that
// shows it: the camera fills the back image (32-bit BGRX at the pane's drawing size, the
// painter's native format), publishes
// it with its status line and icons, and the viewer takes the front image. A burst of frames
// costs at most one wake-up, because the wake-up is only sent while none is pending.
// Threading: one producer (a camera's display tick) and any number of readers; the size is set
// by the layout (UI thread). Each side holds the lock only to swap or copy.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace nimbrel {

struct PaneOverlay {
    std::string statusText;     // "%s  %.2fK/s"
    int rotation = 0;           // quarter turns clockwise the viewer applies when painting
    bool recordIcon = false;    // the blinking recording icon is in its visible phase
    bool devAudioIcon = false;  // this camera's device audio plays
    bool talkIcon = false;      // this camera talks
};

struct PanePicture {
    int width = 0;   // pixels of the image as stored (before rotation)
    int height = 0;
    int stride = 0;  // bytes from one row to the next: 4 × width, rounded up to an even width
    std::vector<uint8_t> bgrx;  // rows top-down, 4 bytes a pixel (blue, green, red, 255)
    PaneOverlay overlay;
    uint64_t sequence = 0;     // increases with every published picture
};

class PaneSurface {
public:
    // The drawing rectangle's size, which the picture must fill after rotation.
    void SetDrawSize(int width, int height);
    std::pair<int, int> DrawSize() const;

    // Producer: the back image resized to width × height (allocates only when the size changes).
    // Rows have room for an even number of pixels: the converter is much faster at even widths.
    uint8_t* Back(int width, int height);
    int BackStride() const { return back_.stride; }
    // Producer: makes the back image the front one. Calls the wake-up if none is pending.
    void Publish(const PaneOverlay& overlay);

    // Viewer: clears the pending mark and takes the picture published since the last take, by
    // exchanging it with `out` (no copy: the viewer's previous picture becomes a spare buffer).
    // False, with `out` untouched, when nothing new was published.
    bool TakeFront(PanePicture& out);
    // Viewer: reads the front picture in place under the lock (after a take it is the previous
    // one until the next picture is published).
    template <typename F>
    void ReadFront(F&& read) const {
        std::lock_guard guard(lock_);
        read(front_);
    }
    // Forgets the pictures (the view stopped); keeps the draw size.
    void Clear();

    void SetWakeup(std::function<void()> wakeup);
    uint64_t Published() const { return published_.load(); }

private:
    mutable std::mutex lock_;
    PanePicture front_;
    PanePicture back_;
    std::atomic<int> drawWidth_{0};
    std::atomic<int> drawHeight_{0};
    std::atomic<bool> pending_{false};
    bool fresh_ = false;  // a picture was published since the last take (under lock_)
    std::atomic<uint64_t> published_{0};
    std::function<void()> wakeup_;
};

}  // namespace nimbrel
