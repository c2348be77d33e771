// The frames a camera received but did not decode while no one saw its pictures, oldest first:
// from the last frame decoded, or from the last key frame since, to the newest. Decoding them in
// order brings the decoder to the newest picture, which is what a pane shown again needs.
// Threading: one thread at a time (the camera's display tick).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace nimbrel {

class PendingFrames {
  public:
    // More than this would cost more memory than a hidden camera may: the frames are dropped and
    // decoding waits for the next key frame.
    static constexpr std::size_t kMaxBytes = 4u << 20;
    // Zero bytes after each frame handed out (the decoder reads a little past its input).
    static constexpr std::size_t kPadding = 64;

    // Keeps a copy of a frame the decoder skipped. A key frame replaces everything kept, since
    // decoding can start over from it.
    void Keep(const uint8_t* data, std::size_t size, bool key);
    bool Empty() const { return frames_.empty(); }
    std::size_t Count() const { return frames_.size(); }
    // True while a frame that is not a key frame cannot be decoded: frames were dropped because
    // they did not fit, and the decoder must wait for the next key frame.
    bool WaitingForKey() const { return waitingForKey_; }

    // Hands each kept frame to `decode`, oldest first, each followed by kPadding zero bytes, and
    // forgets them all. `decode` returns false to stop early (the rest is forgotten too).
    void Drain(const std::function<bool(const uint8_t* data, std::size_t size)>& decode);
    // Forgets the frames (and waiting for a key frame); the memory stays for the next ones.
    void Clear();
    // Forgets the frames and gives the memory back (the view ended).
    void Release();

  private:
    struct Entry {
        std::size_t offset;
        std::size_t size;
    };
    std::vector<uint8_t> bytes_;  // each frame followed by kPadding zero bytes
    std::vector<Entry> frames_;
    bool waitingForKey_ = false;
};

}  // namespace nimbrel
