#include "media/BmpFile.h"

#include <cstdint>
#include <cstring>

#include "platform/AtomicFile.h"

namespace nimbrel {
namespace {

void Put16(std::string& out, std::size_t at, uint16_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& out, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::string EncodeBmp24(int width, int height, const uint8_t* pixels, int stride,
                        int bytesPerPixel) {
    if (width <= 0 || height <= 0 || !pixels || (bytesPerPixel != 3 && bytesPerPixel != 4))
        return {};
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t imageBytes = rowBytes * static_cast<std::size_t>(height);
    std::string out(14 + 40 + imageBytes, '\0');
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<uint32_t>(out.size()));
    Put32(out, 10, 54);
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<uint32_t>(width));
    Put32(out, 22, static_cast<uint32_t>(height));  // positive: rows bottom-up
    Put16(out, 26, 1);
    Put16(out, 28, 24);
    Put32(out, 34, static_cast<uint32_t>(imageBytes));
    Put32(out, 38, 3000);
    Put32(out, 42, 3000);
    for (int y = 0; y < height; ++y) {
        char* row = out.data() + 54 + rowBytes * static_cast<std::size_t>(height - 1 - y);
        const uint8_t* source = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        if (bytesPerPixel == 3) {
            std::memcpy(row, source, static_cast<std::size_t>(width) * 3);
            continue;
        }
        for (int x = 0; x < width; ++x) std::memcpy(row + 3 * x, source + 4 * x, 3);
    }
    return out;
}

std::string EncodeSnapshotBmp(int width, int height, const uint8_t* bgr) {
    const uint64_t pixelBytes = uint64_t{3} * static_cast<uint64_t>(width > 0 ? width : 0) *
                                static_cast<uint64_t>(height > 0 ? height : 0);
    if (width <= 0 || height <= 0 || !bgr || pixelBytes + 54 > UINT32_MAX) return {};
    std::string out(54 + pixelBytes, '\0');
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<uint32_t>(out.size()));
    Put32(out, 10, 54);
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<uint32_t>(width));
    Put32(out, 22, static_cast<uint32_t>(-height));  // negative: rows top-down
    Put16(out, 26, 1);
    Put16(out, 28, 24);
    const uint64_t paddedRow = (static_cast<uint64_t>(width) * 24 + 31) / 32 * 4;
    Put32(out, 34, static_cast<uint32_t>(paddedRow * static_cast<uint64_t>(height)));
    Put32(out, 38, 100);
    Put32(out, 42, 100);
    std::memcpy(out.data() + 54, bgr, pixelBytes);
    return out;
}

bool WriteBmp24(const std::filesystem::path& path, int width, int height, const uint8_t* pixels,
                int stride, int bytesPerPixel) {
    const std::string bytes = EncodeBmp24(width, height, pixels, stride, bytesPerPixel);
    return !bytes.empty() && WriteFileAtomically(path, bytes, std::filesystem::perms::owner_read |
                                                                  std::filesystem::perms::owner_write |
                                                                  std::filesystem::perms::group_read |
                                                                  std::filesystem::perms::others_read);
}

}  // namespace nimbrel
