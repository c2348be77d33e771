// The full-match checks of typed names and passwords: a pattern that must match the whole text.
// Threading: a pattern is immutable once built; Matches may be called from any thread.
#pragma once

#include <regex>
#include <string>
#include <string_view>

namespace nimbrel {

class FullMatchPattern {
  public:
    // `pattern` is an ECMAScript expression such as L"^([a-zA-Z0-9]|[_]){4,64}$". A pattern that
    // does not compile is a programming error and throws std::regex_error at construction.
    explicit FullMatchPattern(const wchar_t* pattern);

    // True when the pattern matches all of `text`. Texts longer than kMaxText units never match:
    // every pattern of the program limits its length far below that, and the cap keeps the
    // backtracking matcher's depth bounded whatever is typed.
    bool Matches(std::wstring_view text) const;
    // The same for a UTF-8 text (malformed bytes become U+FFFD, which no pattern accepts).
    bool MatchesUtf8(std::string_view text) const;

    static constexpr std::size_t kMaxText = 512;

  private:
    std::wregex regex_;
};

}  // namespace nimbrel
