// Fragment placement in the frame ring: headers as a broken or hostile camera might send them,
// interleaved with display ticks. Every frame handed out must lie inside its slot's buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "media/FrameRing.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool Empty() const { return pos >= size; }
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
};

// Keeps the reads of each frame from being optimised away.
volatile unsigned checksum;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static nimbrel::FrameRing ring;
    static uint8_t payload[65536];
    if (!ring.Allocated()) {
        if (!ring.Allocate()) std::abort();
        for (size_t i = 0; i < sizeof payload; ++i) payload[i] = static_cast<uint8_t>(i * 29 + 1);
    }
    ring.Reset();

    Reader in{data, size};
    while (!in.Empty()) {
        const uint8_t op = in.Byte();
        if (op % 4 == 0) {
            ring.Tick([](const nimbrel::FrameRing::Frame& frame) {
                if (frame.size > nimbrel::FrameRing::kFrameBytes) std::abort();
                // Reads the whole frame and its padding, which must be zero.
                unsigned sum = 0;
                for (size_t i = 0; i < frame.size; ++i) sum += frame.data[i];
                for (size_t i = 0; i < nimbrel::FrameRing::kPadding; ++i)
                    if (frame.data[frame.size + i] != 0) std::abort();
                checksum = sum;
            });
            continue;
        }
        nimbrel::VideoFragment f;
        f.key = (op & 8) != 0;
        // Few distinct frame numbers so that fragments meet frames they belong to.
        f.frameNumber = in.Byte() % 8;
        f.timeValue = op;
        // Counts and indexes mostly small, sometimes anything.
        f.fragmentCount = (op & 16) ? static_cast<int16_t>(in.Word()) : in.Byte() % 6;
        f.fragmentIndex = (op & 32) ? static_cast<int16_t>(in.Word()) : in.Byte() % 6;
        f.length = (op & 64) ? in.Word() : static_cast<uint16_t>(in.Byte() * 6);
        f.data = payload;
        const auto result = ring.Put(f);
        const size_t end =
            static_cast<size_t>(f.fragmentIndex) * nimbrel::FrameRing::kFragmentStride + f.length;
        if (result == nimbrel::FrameRing::PutResult::Stored &&
            (f.fragmentIndex < 0 || f.fragmentIndex >= f.fragmentCount ||
             end > nimbrel::FrameRing::kFrameBytes))
            std::abort();
        if (ring.Frames() < 0 || ring.Frames() > nimbrel::FrameRing::kSlots) std::abort();
    }
    return 0;
}
