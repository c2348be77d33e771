// Conversions between the UTF-8 texts the core keeps and the wide texts that the full-match
// checks and the display work on.
// Threading: pure functions, callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// Decodes UTF-8. Every byte that does not start a well-formed sequence (stray continuation
// bytes, overlong forms, surrogates, values past U+10FFFF, cut sequences) becomes U+FFFD, so
// any input yields a text and no byte is read past the end.
std::wstring WideFromUtf8(std::string_view text);

// Encodes wide text as UTF-8; code points that are not Unicode scalar values become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

// The longest prefix of the UTF-8 text `text` that has at most `maxBytes` bytes and does not end
// inside a multi-byte sequence.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

}  // namespace nimbrel
