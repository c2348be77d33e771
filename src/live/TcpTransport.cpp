#include "live/TcpTransport.h"

namespace nimbrel {

TransferResult TcpTransport::SendAllLocked(const uint8_t* data, std::size_t size,
                                           const std::atomic<bool>& stop) {
    std::size_t sent = 0;
    while (sent < size) {
        if (stop) return TransferResult::Stopped;
        const WaitResult ready = socket_.Handle().WaitWritable(kStepMs);
        if (ready == WaitResult::Failed) return TransferResult::Failed;
        if (ready == WaitResult::TimedOut) continue;
        const IoResult io = socket_.Send({data + sent, size - sent});
        if (io.kind == IoResult::Kind::Done)
            sent += io.bytes;
        else if (io.kind == IoResult::Kind::Closed)
            return TransferResult::Closed;
        else if (io.kind == IoResult::Kind::Failed)
            return TransferResult::Failed;
    }
    return TransferResult::Done;
}

TransferResult TcpTransport::ReceiveSome(uint8_t* data, std::size_t capacity,
                                         const std::atomic<bool>& stop, std::size_t& received) {
    received = 0;
    for (;;) {
        if (stop) return TransferResult::Stopped;
        const WaitResult ready = socket_.Handle().WaitReadable(kStepMs);
        if (ready == WaitResult::Failed) return TransferResult::Failed;
        if (ready == WaitResult::TimedOut) continue;
        const IoResult io = socket_.Receive({data, capacity});
        if (io.kind == IoResult::Kind::Done) {
            received = io.bytes;
            return TransferResult::Done;
        }
        if (io.kind == IoResult::Kind::Closed) return TransferResult::Closed;
        if (io.kind == IoResult::Kind::Failed) return TransferResult::Failed;
    }
}

}  // namespace nimbrel
