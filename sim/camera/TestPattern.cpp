#include "camera/TestPattern.h"

#include <algorithm>

namespace nimbrel::sim {
namespace {

// 3 x 5 block digits, one row per 3 bits, top row first.
constexpr uint16_t kDigits[10] = {
    0b111'101'101'101'111, 0b010'110'010'010'111, 0b111'001'111'100'111, 0b111'001'111'001'111,
    0b101'101'111'001'001, 0b111'100'111'001'111, 0b111'100'111'101'111, 0b111'001'010'010'010,
    0b111'101'111'101'111, 0b111'101'111'001'111,
};

}  // namespace

void TestPattern::Draw(const Planes& p, int index, int count) const {
    const int shift = count > 0 ? index * 160 / count : 0;  // one full turn per clip
    for (int y = 0; y < height_; ++y) {
        uint8_t* row = p.y + y * p.yStride;
        for (int x = 0; x < width_; ++x)
            row[x] = static_cast<uint8_t>(32 + ((x + y) * 160 / (width_ + height_) + shift) % 160);
    }
    for (int y = 0; y < height_ / 2; ++y) {
        for (int x = 0; x < width_ / 2; ++x) {
            const auto across = static_cast<uint8_t>(64 + x * 128 / (width_ / 2));
            const auto down = static_cast<uint8_t>(192 - y * 128 / (height_ / 2));
            p.u[y * p.uStride + x] = recorded_ ? down : across;
            p.v[y * p.vStride + x] = recorded_ ? across : down;
        }
    }
    // The sweeping bar, an eighth of the width wide.
    const int barWidth = std::max(2, width_ / 8);
    const int barLeft = count > 0 ? index * (width_ + barWidth) / count - barWidth : 0;
    for (int y = 0; y < height_; ++y)
        for (int x = std::max(0, barLeft); x < std::min(width_, barLeft + barWidth); ++x)
            p.y[y * p.yStride + x] = 235;
    DrawNumber(p, index);
    if (recorded_) DrawRecordMark(p);
}

void TestPattern::DrawRecordMark(const Planes& p) const {
    // A red square, an eighth of the height wide, its corner a margin away from the top right.
    const int side = std::max(2, height_ / 8) & ~1;
    const int left = (width_ - side - side / 2) & ~1;
    const int top = side / 2 & ~1;
    for (int y = top; y < std::min(height_, top + side); ++y)
        for (int x = left; x < std::min(width_, left + side); ++x) p.y[y * p.yStride + x] = 82;
    for (int y = top / 2; y < std::min(height_ / 2, (top + side) / 2); ++y) {
        for (int x = left / 2; x < std::min(width_ / 2, (left + side) / 2); ++x) {
            p.u[y * p.uStride + x] = 90;
            p.v[y * p.vStride + x] = 240;
        }
    }
}

void TestPattern::DrawNumber(const Planes& p, int number) const {
    const int cell = std::max(2, height_ / 40);
    const int digits = 4;
    const int left = cell * 2;
    const int top = cell * 2;
    for (int d = 0; d < digits; ++d) {
        int divisor = 1;
        for (int k = 0; k < digits - 1 - d; ++k) divisor *= 10;
        const uint16_t glyph = kDigits[(number / divisor) % 10];
        for (int gy = 0; gy < 5; ++gy) {
            for (int gx = 0; gx < 3; ++gx) {
                const bool on = glyph & (1 << (14 - gy * 3 - gx));
                const int x0 = left + (d * 4 + gx) * cell;
                const int y0 = top + gy * cell;
                for (int y = y0; y < std::min(height_, y0 + cell); ++y)
                    for (int x = x0; x < std::min(width_, x0 + cell); ++x)
                        p.y[y * p.yStride + x] = on ? 250 : 16;
            }
        }
    }
}

}  // namespace nimbrel::sim
