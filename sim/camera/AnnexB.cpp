#include "camera/AnnexB.h"

namespace nimbrel::sim {

std::vector<std::string_view> AnnexB::Units(std::string_view s) {
    std::vector<std::string_view> units;
    std::size_t start = std::string_view::npos;
    std::size_t i = 0;
    while (i + 3 <= s.size()) {
        if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1) {
            if (start != std::string_view::npos) {
                std::size_t end = i;
                // The zero of a 4-byte start code belongs to the next start code.
                while (end > start && s[end - 1] == 0) --end;
                units.push_back(s.substr(start, end - start));
            }
            i += 3;
            start = i;
        } else {
            ++i;
        }
    }
    if (start != std::string_view::npos && start < s.size()) units.push_back(s.substr(start));
    return units;
}

}  // namespace nimbrel::sim
