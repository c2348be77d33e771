// The full-match checks of typed names and passwords: a pattern that must match the whole text.
// Threading: a pattern is immutable once built; Matches may be called from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrel {

// Every check of the program has one shape: the text is made of allowed characters and its length
// lies within bounds, written as an expression such as L"^([a-zA-Z0-9]|[_]){4,64}$". This class
// reads exactly that shape — `^`, one atom (a bracket class, `.`, a literal, or a group of such
// alternatives), an optional `{m,n}`, `{m}`, `*`, `+` or `?`, then `$` — and matches in one linear
// pass, without a backtracking engine (and without the cost of <regex> in every includer).
class FullMatchPattern {
  public:
    // A pattern outside that shape is a programming error and throws std::invalid_argument.
    explicit FullMatchPattern(const wchar_t* pattern);

    // True when the pattern matches all of `text`. Texts longer than kMaxText units never match:
    // every pattern of the program limits its length far below that.
    bool Matches(std::wstring_view text) const;
    // The same for a UTF-8 text (malformed bytes become U+FFFD, which no pattern accepts).
    bool MatchesUtf8(std::string_view text) const;

    static constexpr std::size_t kMaxText = 512;

  private:
    bool Allows(wchar_t c) const;

    std::vector<std::pair<wchar_t, wchar_t>> ranges_;  // inclusive ranges of allowed characters
    bool anyButLineEnd_ = false;                       // `.`: everything but line terminators
    std::size_t min_ = 1;
    std::size_t max_ = 1;
};

}  // namespace nimbrel
