// Splitting an H.264 Annex B byte stream into its NAL units.
// Threading: pure function, callable from any thread.
#pragma once

#include <string_view>
#include <vector>

namespace nimbrel::sim {

class AnnexB {
  public:
    // The NAL units of `stream` without their 3- or 4-byte start codes, in order.
    static std::vector<std::string_view> Units(std::string_view stream);
    // The type of a NAL unit (its low 5 bits): 5 IDR slice, 7 SPS, 8 PPS; -1 when empty.
    static int Type(std::string_view unit) {
        return unit.empty() ? -1 : static_cast<unsigned char>(unit[0]) & 0x1f;
    }
};

}  // namespace nimbrel::sim
