#include "live/StreamTransport.h"

namespace nimbrel {

TransferResult StreamTransport::SendAll(const uint8_t* data, std::size_t size,
                                        const std::atomic<bool>& stop) {
    std::lock_guard guard(sendLock_);
    return SendAllLocked(data, size, stop);
}

}  // namespace nimbrel
