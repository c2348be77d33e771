#include "text/FullMatchPattern.h"

#include "text/WideText.h"

namespace nimbrel {

FullMatchPattern::FullMatchPattern(const wchar_t* pattern)
    : regex_(pattern, std::regex_constants::ECMAScript) {}

bool FullMatchPattern::Matches(std::wstring_view text) const {
    if (text.size() > kMaxText) return false;
    return std::regex_match(text.begin(), text.end(), regex_);
}

bool FullMatchPattern::MatchesUtf8(std::string_view text) const {
    // A UTF-8 text has at least one byte per unit: longer byte texts may still be short enough.
    if (text.size() > 4 * kMaxText) return false;
    return Matches(WideFromUtf8(text));
}

}  // namespace nimbrel
