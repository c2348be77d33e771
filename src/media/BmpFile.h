// Writing a 24-bit picture as a Windows bitmap file (BITMAPFILEHEADER + 40-byte info header,
// rows bottom-up, each padded to 4 bytes), the format of snapshots.
// Threading: pure function, callable from any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace nimbrel {

// The file's bytes for a `width` × `height` picture given as top-down rows of `stride` bytes,
// `bytesPerPixel` 3 (BGR) or 4 (BGRX: the fourth byte is dropped). Empty for a size that is not
// positive.
std::string EncodeBmp24(int width, int height, const uint8_t* pixels, int stride,
                        int bytesPerPixel = 3);

// Writes the bitmap atomically; false when it could not be written.
bool WriteBmp24(const std::filesystem::path& path, int width, int height, const uint8_t* pixels,
                int stride, int bytesPerPixel = 3);

}  // namespace nimbrel
