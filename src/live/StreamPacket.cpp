#include "live/StreamPacket.h"

#include <algorithm>
#include <cstring>

#include "live/StreamCipher.h"

namespace nimbrel {
namespace {

uint32_t Le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
int16_t Le16s(const uint8_t* p) {
    return static_cast<int16_t>(p[0] | p[1] << 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

ReadResult FromTransfer(TransferResult r) {
    switch (r) {
        case TransferResult::Done:
            return ReadResult::Ok;
        case TransferResult::Stopped:
            return ReadResult::Stopped;
        case TransferResult::Closed:
            return ReadResult::Closed;
        case TransferResult::Failed:
            break;
    }
    return ReadResult::Failed;
}

}  // namespace

VideoHeader ParseVideoHeader(std::span<const uint8_t, kVideoHeaderSize> h) {
    VideoHeader v;
    v.length = static_cast<uint16_t>(h[1] | h[2] << 8);
    v.key = (h[3] & 1) == 0;
    v.frameNumber = Le32(&h[5]);
    v.timeValue = Le32(&h[13]);
    v.fragmentCount = Le16s(&h[17]);
    v.fragmentIndex = Le16s(&h[19]);
    return v;
}

void WriteVideoHeader(const VideoHeader& v, uint8_t* out) {
    std::memset(out, 0, kVideoHeaderSize);
    out[0] = kPacketVideo;
    out[1] = static_cast<uint8_t>(v.length & 0xFF);
    out[2] = static_cast<uint8_t>(v.length >> 8);
    out[3] = v.key ? 0 : 1;
    PutLe32(&out[5], v.frameNumber);
    PutLe32(&out[13], v.timeValue);
    out[17] = static_cast<uint8_t>(v.fragmentCount & 0xFF);
    out[18] = static_cast<uint8_t>(static_cast<uint16_t>(v.fragmentCount) >> 8);
    out[19] = static_cast<uint8_t>(v.fragmentIndex & 0xFF);
    out[20] = static_cast<uint8_t>(static_cast<uint16_t>(v.fragmentIndex) >> 8);
}

PacketFramer::PacketFramer(bool acceptAac)
    : acceptAac_(acceptAac), buffer_(std::make_unique_for_overwrite<uint8_t[]>(kReadBlockSize)) {}

PacketFramer::Next PacketFramer::Take(Packet& out) {
    const std::size_t unread = end_ - begin_;
    if (unread < 3) return Next::NeedMore;
    const uint8_t* start = buffer_.get() + begin_;
    const uint8_t kind = start[0];
    const uint16_t length = static_cast<uint16_t>(start[1] | start[2] << 8);
    std::size_t rest = 0;
    switch (kind) {
        case kPacketInteractive: {
            const auto signedLength = static_cast<int16_t>(length);
            if (signedLength <= 0 || static_cast<std::size_t>(signedLength) > kMaxSealedHex)
                return Next::Broken;
            rest = static_cast<std::size_t>(signedLength) + 5;
            break;
        }
        case kPacketVideo:
            rest = std::size_t{length} + 22;
            break;
        case kPacketAac:
            if (!acceptAac_) return Next::Broken;
            [[fallthrough]];
        case kPacketSpeex:
            rest = std::size_t{length} + 8;
            break;
        default:
            return Next::Broken;
    }
    if (3 + rest > kStreamBufferSize) return Next::Broken;
    if (unread < 3 + rest) return Next::NeedMore;
    out.kind = static_cast<PacketKind>(kind);
    out.bytes = std::span<const uint8_t>(start, 3 + rest);
    begin_ += 3 + rest;
    return Next::Packet;
}

std::span<uint8_t> PacketFramer::Space() {
    // Less than one packet is left unread here: moving it costs at most a few kilobytes per block.
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    return {buffer_.get() + end_, kReadBlockSize - end_};
}

void PacketFramer::Commit(std::size_t n) {
    end_ += std::min(n, kReadBlockSize - end_);
}

ReadResult PacketReader::Read(StreamTransport& transport, const std::atomic<bool>& stop,
                              Packet& out, std::atomic<uint64_t>* received) {
    for (;;) {
        switch (framer_.Take(out)) {
            case PacketFramer::Next::Packet:
                if (received) *received += out.bytes.size();
                return ReadResult::Ok;
            case PacketFramer::Next::Broken:
                return ReadResult::Broken;
            case PacketFramer::Next::NeedMore:
                break;
        }
        const std::span<uint8_t> space = framer_.Space();
        std::size_t got = 0;
        const ReadResult r =
            FromTransfer(transport.ReceiveSome(space.data(), space.size(), stop, got));
        if (r != ReadResult::Ok) return r;
        framer_.Commit(got);
    }
}

}  // namespace nimbrel
