// Writing a 24-bit picture as a Windows bitmap file (BITMAPFILEHEADER + 40-byte info header):
// the usual layout (rows bottom-up, each padded to 4 bytes) for pane pictures, and the layout of
// camera snapshots (rows top-down, written as a negative height, without padding).
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

// A camera snapshot: `width` × `height` BGR pixels, rows top-down without gaps. The file is
// width × height × 3 + 54 bytes, its height field is minus the height, 100 pixels per metre; the
// image size field counts padded rows although none are written. Empty for a size that is not
// positive or too large for the header.
std::string EncodeSnapshotBmp(int width, int height, const uint8_t* bgr);

// Writes the bitmap atomically; false when it could not be written.
bool WriteBmp24(const std::filesystem::path& path, int width, int height, const uint8_t* pixels,
                int stride, int bytesPerPixel = 3);

}  // namespace nimbrel
