// The byte stream to a camera, over TCP or over UDT after NAT traversal. Transfers wait in steps
// of 200 ms; a step that times out just waits again, so a transfer ends only when bytes moved
// (all of them, for a send), the peer closed, an error occurred or the stop flag was raised.
// Threading: one reading thread receives; any number of threads send, serialised by the
// transport's own send lock so that packets never interleave. Shutdown() may be called from any
// thread and wakes both sides.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace nimbrel {

enum class TransferResult {
    Done,     // every byte moved (a send), or at least one byte arrived (a receive)
    Stopped,  // the stop flag was raised first (the transfer is incomplete)
    Closed,   // the peer closed the stream
    Failed,   // a socket error
};

class StreamTransport {
  public:
    static constexpr int kStepMs = 200;

    virtual ~StreamTransport() = default;
    virtual bool IsUdt() const = 0;

    TransferResult SendAll(const uint8_t* data, std::size_t size, const std::atomic<bool>& stop);
    // One receive of whatever has arrived, at most `capacity` bytes (at least one when Done);
    // `received` tells how many.
    virtual TransferResult ReceiveSome(uint8_t* data, std::size_t capacity,
                                       const std::atomic<bool>& stop, std::size_t& received) = 0;
    // Ends the stream in both directions; transfers in other threads return soon after.
    virtual void Shutdown() = 0;

  protected:
    virtual TransferResult SendAllLocked(const uint8_t* data, std::size_t size,
                                         const std::atomic<bool>& stop) = 0;

  private:
    std::mutex sendLock_;
};

}  // namespace nimbrel
