// Where a conversion may write a pane picture: the buffer, its size in bytes and the layout of
// its rows, handed over as one value so that a buffer is never paired with another moment's
// stride or size.
// Threading: a plain value; the buffer belongs to whoever handed it out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nimbrel {

struct BgrxTarget {
    static constexpr int kBytesPerPixel = 4;

    uint8_t* pixels = nullptr;
    std::size_t bytes = 0;  // what `pixels` holds
    int width = 0;          // pixels of a row
    int height = 0;         // rows
    int stride = 0;         // bytes from one row to the next

    // True when every row of `columns` pixels lies inside the buffer.
    bool Holds(int columns) const {
        if (pixels == nullptr || columns <= 0 || height <= 0 || stride < 0) return false;
        const std::size_t row = static_cast<std::size_t>(columns) * kBytesPerPixel;
        return static_cast<std::size_t>(stride) >= row &&
               static_cast<std::size_t>(stride) * static_cast<std::size_t>(height) <= bytes;
    }
};

}  // namespace nimbrel
