// The picture of one video pane, handed from the camera thread that makes it to the thread that
// shows it. Each writer fills a picture of its own (32-bit BGRX, the painter's native format, at
// the pane's drawing size, or the stream's where that is smaller) and publishes it; the surface
// takes it only from the pane's current occupant, so a camera that lost the pane to a layout
// change cannot put its picture over another camera's. The viewer takes the front picture. A
// burst of frames costs at most one wake-up, because the wake-up is only sent while none is
// pending.
// Threading: any number of writers and readers; the occupant and the drawing size are set by the
// wall (under its own lock, which is taken before this surface's). Each side holds the lock
// only to check, swap or copy.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "media/BgrxTarget.h"
#include "media/PaneOwner.h"

namespace nimbrel {

struct PaneOverlay {
    std::string statusText;     // "%s  %.2fK/s"
    int rotation = 0;           // quarter turns clockwise the viewer applies when painting
    bool recordIcon = false;    // the blinking recording icon is in its visible phase
    bool devAudioIcon = false;  // this camera's device audio plays
    bool talkIcon = false;      // this camera talks
};

struct PanePicture {
    int width = 0;  // pixels of the image as stored (before rotation)
    int height = 0;
    int stride = 0;  // bytes from one row to the next: 4 × width, rounded up to an even width
    std::vector<uint8_t> bgrx;  // rows top-down, 4 bytes a pixel (blue, green, red, 255)
    PaneOverlay overlay;
    uint64_t sequence = 0;             // increases with every published picture
    const PaneOwner* owner = nullptr;  // who published it

    // Makes room for width × height (allocating only when the size grows or shrinks) and says
    // where to write. Rows have room for an even number of pixels: the converter is much faster
    // at even widths. A picture that shrinks to less than half its buffer gets a buffer of its
    // new size, so a pane that was full-screen once does not keep a full-screen buffer. An
    // empty target for a size that is not positive.
    BgrxTarget Resize(int width, int height);
    // The rows that width, height and stride describe lie inside the buffer.
    bool Whole() const;
};

class PaneSurface {
  public:
    // The drawing rectangle's size, which the picture must fill after rotation.
    void SetDrawSize(int width, int height);
    std::pair<int, int> DrawSize() const;

    // The wall gave the pane to `occupant` (null: to nobody). A change of occupant drops the
    // pictures of the previous one.
    void Assign(const PaneOwner* occupant);
    const PaneOwner* Occupant() const;

    // Writer: when `owner` occupies the pane, `picture` becomes the front picture and `picture`
    // receives the buffer of the one it replaces, to fill next; the wake-up is called if none is
    // pending. False, and nothing changes, when the pane is not `owner`'s or the picture is
    // not whole.
    bool Publish(const PaneOwner& owner, PanePicture& picture);

    // Viewer: clears the pending mark and takes the picture published since the last take, by
    // exchanging it with `out` (no copy: the viewer's previous picture becomes a spare buffer).
    // False, with `out` untouched, when nothing new was published.
    bool TakeFront(PanePicture& out);
    // Viewer: reads the front picture in place under the lock (after a take it is the previous
    // one until the next picture is published). A viewer that paints this way needs no picture
    // of its own, so a pane costs two pictures (the front and the writer's next), not three; a
    // publish waits for the read.
    template <typename F>
    void ReadFront(F&& read) const {
        std::lock_guard guard(lock_);
        read(front_);
    }
    // Viewer that reads in place: clears the pending mark, so that the next publish wakes it
    // again.
    void Rearm() { pending_ = false; }

    void SetWakeup(std::function<void()> wakeup);
    uint64_t Published() const { return published_.load(); }

  private:
    mutable std::mutex lock_;
    PanePicture front_;
    const PaneOwner* occupant_ = nullptr;  // under lock_
    std::atomic<int> drawWidth_{0};
    std::atomic<int> drawHeight_{0};
    std::atomic<bool> pending_{false};
    bool fresh_ = false;  // a picture was published since the last take (under lock_)
    std::atomic<uint64_t> published_{0};
    std::function<void()> wakeup_;
};

}  // namespace nimbrel
