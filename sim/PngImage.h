// A minimal PNG writer for the pictures the simulator serves: 8-bit RGB, no interlace, one
// IDAT chunk compressed with zlib, and optional extra ancillary chunks.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel::sim {

struct PngChunk {
    std::string type;  // 4 ASCII letters
    std::string data;
};

// `rgb` holds width * height * 3 bytes, rows top to bottom. Extra chunks go before IDAT.
// Empty when the sizes do not match or compression fails.
std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgb,
                      const std::vector<PngChunk>& extra = {});

// One chunk as it appears in the file: length, type, data, CRC-32 of type and data.
std::string PngChunkBytes(std::string_view type, std::string_view data);

}  // namespace nimbrel::sim
