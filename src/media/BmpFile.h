// Writing a 24-bit picture as a Windows bitmap file (BITMAPFILEHEADER + 40-byte info header,
// rows bottom-up, each padded to 4 bytes), the format of snapshots.
// Threading: pure function, callable from any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace nimbrel {

// The file's bytes for a `width` × `height` picture given as top-down BGR rows of `stride`
// bytes. Empty for a size that is not positive.
std::string EncodeBmp24(int width, int height, const uint8_t* bgr, int stride);

// Writes the bitmap atomically; false when it could not be written.
bool WriteBmp24(const std::filesystem::path& path, int width, int height, const uint8_t* bgr,
                int stride);

}  // namespace nimbrel
