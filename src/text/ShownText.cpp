#include "text/ShownText.h"

namespace nimbrel {

std::string ShownText(std::string_view outside, std::size_t limit) {
    if (outside.size() <= limit) return std::string(outside);
    std::size_t cut = limit;
    // Never half a character: step back over continuation bytes.
    while (cut > 0 && (static_cast<unsigned char>(outside[cut]) & 0xC0) == 0x80) --cut;
    return std::string(outside.substr(0, cut)) + "…(" + std::to_string(outside.size()) + " bytes)";
}

}  // namespace nimbrel
