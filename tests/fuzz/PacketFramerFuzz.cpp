// Stream packets cut out of received blocks: the input is the stream, received in pieces whose
// sizes come from the input's own bytes. Every packet handed out must lie inside the bytes
// received, be as long as its start announces and be followed by the next one.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "live/StreamPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the stream kind and the piece sizes: odd pieces of 1..256 bytes,
    // or whole blocks.
    const bool acceptAac = (data[0] & 1) != 0;
    const std::size_t piece = (data[0] & 2) ? nimbrel::kReadBlockSize : 1 + data[0] / 4 * 4;
    ++data;
    --size;

    nimbrel::PacketFramer framer(acceptAac);
    std::size_t fed = 0;    // bytes of the input given to the framer
    std::size_t taken = 0;  // bytes handed out as packets
    while (fed < size) {
        const std::span<uint8_t> space = framer.Space();
        if (space.size() < nimbrel::kReadBlockSize - nimbrel::kStreamBufferSize) std::abort();
        const std::size_t n = std::min({space.size(), piece, size - fed});
        std::memcpy(space.data(), data + fed, n);
        framer.Commit(n);
        fed += n;
        nimbrel::Packet p;
        nimbrel::PacketFramer::Next next;
        while ((next = framer.Take(p)) == nimbrel::PacketFramer::Next::Packet) {
            // The packet is the next stretch of the input, a whole packet of its kind.
            if (p.bytes.size() < 3 || p.bytes.size() > nimbrel::kStreamBufferSize) std::abort();
            if (taken + p.bytes.size() > fed) std::abort();
            if (std::memcmp(p.bytes.data(), data + taken, p.bytes.size()) != 0) std::abort();
            if (p.bytes[0] != p.kind) std::abort();
            taken += p.bytes.size();
        }
        if (next == nimbrel::PacketFramer::Next::Broken) return 0;  // the stream ends here
    }
    return 0;
}
