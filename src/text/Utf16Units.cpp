#include "text/Utf16Units.h"

#include "text/WideText.h"

namespace nimbrel {

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (wchar_t c : WideFromUtf8(utf8)) units += c > 0xFFFF ? 2 : 1;
    return units;
}

std::string CutToUtf16Units(std::string_view utf8, std::size_t maxUnits) {
    const std::wstring wide = WideFromUtf8(utf8);
    std::size_t units = 0, keep = 0;
    for (; keep < wide.size(); ++keep) {
        const std::size_t next = units + (wide[keep] > 0xFFFF ? 2 : 1);
        if (next > maxUnits) break;
        units = next;
    }
    return Utf8FromWide(std::wstring_view(wide).substr(0, keep));
}

}  // namespace nimbrel
