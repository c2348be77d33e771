// Fixed-size NUL-terminated text buffers: copying into them never writes past the end.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace nimbrel {

// Copies text into a char[N], cutting it at N - 1 bytes; returns false when it had to cut.
template <std::size_t N>
bool SetText(char (&dst)[N], std::string_view src) {
    const std::size_t n = src.size() < N ? src.size() : N - 1;
    std::memcpy(dst, src.data(), n);
    std::memset(dst + n, 0, N - n);
    return n == src.size();
}

// The text of a char[N], up to its first NUL (or the whole buffer if none).
template <std::size_t N>
std::string_view GetText(const char (&src)[N]) {
    return std::string_view(src, strnlen(src, N));
}

}  // namespace nimbrel
