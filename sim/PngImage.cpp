#include "PngImage.h"

#include <zlib.h>

namespace nimbrel::sim {
namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);

void AppendBigEndian32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

std::string PngChunkBytes(std::string_view type, std::string_view data) {
    std::string chunk;
    AppendBigEndian32(chunk, static_cast<uint32_t>(data.size()));
    chunk.append(type);
    chunk.append(data);
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(type.data()), static_cast<uInt>(type.size()));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    AppendBigEndian32(chunk, static_cast<uint32_t>(crc));
    return chunk;
}

std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgb,
                      const std::vector<PngChunk>& extra) {
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096 ||
        rgb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3)
        return {};
    // Every row starts with filter type 0 (none).
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::string raw;
    raw.reserve((rowBytes + 1) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        raw.append(reinterpret_cast<const char*>(rgb.data()) + y * rowBytes, rowBytes);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return {};
    packed.resize(packedSize);

    std::string header;
    AppendBigEndian32(header, static_cast<uint32_t>(width));
    AppendBigEndian32(header, static_cast<uint32_t>(height));
    header += '\x08';  // bit depth
    header += '\x02';  // colour type: RGB
    header += '\0';    // compression: deflate
    header += '\0';    // filter method
    header += '\0';    // no interlace

    std::string png(kSignature);
    png += PngChunkBytes("IHDR", header);
    for (const auto& chunk : extra) png += PngChunkBytes(chunk.type, chunk.data);
    png += PngChunkBytes("IDAT", packed);
    png += PngChunkBytes("IEND", "");
    return png;
}

}  // namespace nimbrel::sim
