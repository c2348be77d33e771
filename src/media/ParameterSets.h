// The H.264 sequence and picture parameter sets of a stream, kept the way the decoder is primed
// with them: a 64-byte record of start code, NAL unit (at most 59 bytes) and NAL length.
// Threading: plain values; FromBase64 is a pure function callable from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace nimbrel {

struct ParameterSetRecord {
    static constexpr std::size_t kRecordBytes = 64;
    static constexpr std::size_t kStartCodeBytes = 4;
    static constexpr std::size_t kMaxNalBytes = 59;

    // Bytes 0..3 the start code 00 00 00 01, 4..62 the NAL unit, 63 its length.
    std::array<uint8_t, kRecordBytes> bytes{};

    // From the base64 text the camera sends (standard alphabet, no start code). Empty when the
    // text is not base64 or decodes to more than 59 bytes.
    static std::optional<ParameterSetRecord> FromBase64(std::string_view text);

    std::size_t NalLength() const { return bytes[kRecordBytes - 1]; }
    // Start code and NAL unit, as one Annex B unit of NalLength() + 4 bytes.
    const uint8_t* AnnexB() const { return bytes.data(); }
    std::size_t AnnexBLength() const { return kStartCodeBytes + NalLength(); }
};

}  // namespace nimbrel
