// One stream connection to a client as a camera uses it, whatever carries it (TCP, or UDT
// after NAT traversal): whole sends, receives with a bounded wait, and closing.
// Threading: one connection thread sends and receives; Close may come from another thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace nimbrel::sim {

class StreamLink {
  public:
    virtual ~StreamLink() = default;

    enum class Receive { Data, TimedOut, Closed, Failed };
    // Waits at most `waitMs` for bytes and takes what is there (at least one byte on Data).
    virtual Receive ReceiveSome(std::span<uint8_t> buffer, int waitMs, std::size_t& got) = 0;
    // Sends every byte; false when the peer is gone or does not take them within seconds.
    virtual bool SendAll(std::string_view bytes) = 0;
    virtual void Close() = 0;

    // "tcp" or "udt", and the peer's address as text, for the log.
    virtual const char* Transport() const = 0;
    virtual std::string Peer() const = 0;
};

}  // namespace nimbrel::sim
