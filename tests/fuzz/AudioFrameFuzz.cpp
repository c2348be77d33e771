// The device-audio frame path as a broken or hostile camera might feed it: frames of any length
// and content put into the AAC and Speex rings, then decoded into their entries' PCM areas.
// Nothing may be written past an area, and every entry yields its full PCM size.
#include <cstdint>
#include <cstdlib>

#include "media/AacDecoder.h"
#include "media/AudioFrameRing.h"
#include "media/SpeexCodec.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    bool Empty() const { return pos >= size; }
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
};

volatile unsigned checksum;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nimbrel;
    static AudioFrameRing<AacDecoder::kMaxFrameBytes, AacDecoder::kPcmBytes> aacRing;
    static AudioFrameRing<kSpeexPacketBytes, kSpeexPcmBytes> speexRing;
    static AacDecoder aac;
    static SpeexDecoder speex;
    if (!aac.IsOpen() && (!aac.Open() || !aacRing.Allocate() || !speexRing.Allocate()))
        std::abort();
    Reader in{data, size};
    while (!in.Empty()) {
        const bool isAac = in.Byte() & 1;
        const size_t low = in.Byte();
        const size_t length =
            (low | static_cast<size_t>(in.Byte()) << 8) % 1400;  // some past the areas
        const size_t take = length < size - in.pos ? length : size - in.pos;
        const std::span<const uint8_t> frame(data + in.pos, take);
        in.pos += take;
        if (isAac) {
            aacRing.Put(frame, 0);
            if (auto* e = aacRing.Peek()) {
                if (e->count > AacDecoder::kMaxFrameBytes) std::abort();
                aac.Decode(std::span(e->input.data(), e->count), e->pcm);
                checksum = checksum + e->pcm[AacDecoder::kPcmBytes - 1];
                aacRing.Consume();
            }
        } else {
            speexRing.Put(frame, 0);
            if (auto* e = speexRing.Peek()) {
                if (e->count > kSpeexPacketBytes) std::abort();
                const int frames = speex.DecodePacket(e->input, e->pcm);
                if (frames < 0 || frames > 10) std::abort();
                checksum = checksum + e->pcm[kSpeexPcmBytes - 1];
                speexRing.Consume();
            }
        }
    }
    return 0;
}
