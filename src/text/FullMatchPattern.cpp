#include "text/FullMatchPattern.h"

#include <stdexcept>

#include "text/WideText.h"

namespace nimbrel {

namespace {

// Reads one pattern left to right; every method consumes what it recognises or throws.
class PatternReader {
  public:
    explicit PatternReader(std::wstring_view text) : text_(text) {}

    bool Take(wchar_t c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void Expect(wchar_t c) {
        if (!Take(c)) Fail();
    }
    bool AtEnd() const { return pos_ == text_.size(); }
    wchar_t Next() {
        if (AtEnd()) Fail();
        const wchar_t c = text_[pos_++];
        if (c != L'\\') return c;
        if (AtEnd()) Fail();
        return text_[pos_++];
    }
    std::size_t Number() {
        std::size_t value = 0;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] >= L'0' && text_[pos_] <= L'9') {
            value = value * 10 + static_cast<std::size_t>(text_[pos_++] - L'0');
            if (value > FullMatchPattern::kMaxText) Fail();
        }
        if (pos_ == start) Fail();
        return value;
    }
    [[noreturn]] void Fail() const {
        throw std::invalid_argument("unsupported full-match pattern at position " +
                                    std::to_string(pos_));
    }

  private:
    std::wstring_view text_;
    std::size_t pos_ = 0;
};

bool IsLineEnd(wchar_t c) {
    return c == L'\n' || c == L'\r' || c == L'\u2028' || c == L'\u2029';
}

}  // namespace

FullMatchPattern::FullMatchPattern(const wchar_t* pattern) {
    PatternReader in(pattern);
    in.Expect(L'^');
    // One single-character alternative: a bracket class, `.`, or a literal.
    const auto single = [&] {
        if (in.Take(L'.')) {
            anyButLineEnd_ = true;
        } else if (in.Take(L'[')) {
            if (in.Take(L'^') || in.Take(L']')) in.Fail();
            do {
                const wchar_t low = in.Next();
                wchar_t high = low;
                if (in.Take(L'-')) high = in.Next();
                if (high < low) in.Fail();
                ranges_.emplace_back(low, high);
            } while (!in.Take(L']'));
        } else {
            const wchar_t c = in.Next();
            if (std::wstring_view(L"()|{}*+?$").find(c) != std::wstring_view::npos) in.Fail();
            ranges_.emplace_back(c, c);
        }
    };
    if (in.Take(L'(')) {
        do single();
        while (in.Take(L'|'));
        in.Expect(L')');
    } else {
        single();
    }
    if (in.Take(L'*')) {
        min_ = 0, max_ = kMaxText;
    } else if (in.Take(L'+')) {
        min_ = 1, max_ = kMaxText;
    } else if (in.Take(L'?')) {
        min_ = 0, max_ = 1;
    } else if (in.Take(L'{')) {
        min_ = max_ = in.Number();
        if (in.Take(L',')) max_ = in.Number();
        in.Expect(L'}');
        if (max_ < min_) in.Fail();
    }
    in.Expect(L'$');
    if (!in.AtEnd()) in.Fail();
}

bool FullMatchPattern::Allows(wchar_t c) const {
    if (anyButLineEnd_ && !IsLineEnd(c)) return true;
    for (const auto& [low, high] : ranges_) {
        if (c >= low && c <= high) return true;
    }
    return false;
}

bool FullMatchPattern::Matches(std::wstring_view text) const {
    if (text.size() > kMaxText || text.size() < min_ || text.size() > max_) return false;
    for (const wchar_t c : text) {
        if (!Allows(c)) return false;
    }
    return true;
}

bool FullMatchPattern::MatchesUtf8(std::string_view text) const {
    // A UTF-8 text has at least one byte per unit: longer byte texts may still be short enough.
    if (text.size() > 4 * kMaxText) return false;
    return Matches(WideFromUtf8(text));
}

}  // namespace nimbrel
