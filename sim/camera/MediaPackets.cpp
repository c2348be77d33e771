#include "camera/MediaPackets.h"

namespace nimbrel::sim {
namespace {

void Put16(std::string& out, std::size_t at, uint32_t value) {
    out[at] = static_cast<char>(value & 0xff);
    out[at + 1] = static_cast<char>((value >> 8) & 0xff);
}

void Put32(std::string& out, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

std::string VideoHeader(std::size_t length, bool key, uint32_t frameNumber, uint32_t timeMs,
                        int count, int index) {
    std::string h(MediaPackets::kVideoHeader, '\0');
    h[0] = static_cast<char>(MediaPackets::kVideo);
    Put16(h, 1, static_cast<uint32_t>(length));
    h[3] = key ? 0 : 1;
    Put32(h, 5, frameNumber);
    Put32(h, 13, timeMs);
    Put16(h, 17, static_cast<uint32_t>(count));
    Put16(h, 19, static_cast<uint32_t>(index));
    return h;
}

std::string AudioHeader(uint8_t kind, std::size_t length, uint32_t timeMs) {
    std::string h(MediaPackets::kAudioHeader, '\0');
    h[0] = static_cast<char>(kind);
    Put16(h, 1, static_cast<uint32_t>(length));
    Put32(h, 7, timeMs);
    return h;
}

}  // namespace

std::vector<std::string> MediaPackets::VideoFragments(std::string_view frame, bool key,
                                                      uint32_t frameNumber, uint32_t timeMs) {
    const int count = static_cast<int>((frame.size() + kFragment - 1) / kFragment);
    std::vector<std::string> out;
    out.reserve(count);
    for (int i = 0; i < count; ++i) {
        const std::string_view piece = frame.substr(i * kFragment, kFragment);
        out.push_back(VideoHeader(piece.size(), key, frameNumber, timeMs, count, i));
        out.back().append(piece);
    }
    return out;
}

std::string MediaPackets::SpeexPacket(std::string_view body) {
    return AudioHeader(kSpeex, body.size(), 0) + std::string(body);
}

std::string MediaPackets::AacPacket(std::string_view frame, uint32_t timeMs) {
    return AudioHeader(kAac, frame.size(), timeMs) + std::string(frame);
}

std::string MediaPackets::UnknownKindPacket() {
    // 0x47 follows the video kind; its 3-byte start looks like any other packet's.
    std::string p(32, '\0');
    p[0] = 0x47;
    Put16(p, 1, 29);
    return p;
}

std::string MediaPackets::OverflowingFragment(uint32_t frameNumber, uint32_t timeMs) {
    // Index 298 starts at byte 409,750, past the 409,600 bytes of a frame buffer.
    const int index = static_cast<int>(kMaxFrame / kFragment) + 1;
    const std::string body(kFragment, '\0');
    return VideoHeader(body.size(), false, frameNumber, timeMs, index + 1, index) + body;
}

}  // namespace nimbrel::sim
