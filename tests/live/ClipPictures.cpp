#include "ClipPictures.h"

#include <gtest/gtest.h>

#include "camera/H264ClipEncoder.h"
#include "media/H264Decoder.h"
#include "media/PaneScaler.h"

namespace nimbrel::test {

std::string PictureRows(const PanePicture& picture) {
    std::string rows;
    for (int y = 0; y < picture.height; ++y)
        rows.append(
            reinterpret_cast<const char*>(picture.bgrx.data()) + std::size_t(y) * picture.stride,
            std::size_t(picture.width) * 4);
    return rows;
}

int ConvertTheClip(const std::vector<PictureSize>& sizes,
                   const std::function<void(PictureSize, int, std::string)>& seen) {
    const auto clip = sim::H264ClipEncoder::Encode(sim::VideoClipKey{});
    EXPECT_TRUE(clip.ok());
    if (!clip.ok()) return 0;
    H264Decoder decoder;
    const auto none = ParameterSetRecord::FromBase64("");
    decoder.Open(*none, *none, 640, 360);
    PaneScaler scaler;
    PanePicture converted;
    int place = 0;
    for (const auto& frame : clip.value().frames) {
        const std::string padded = frame.bytes + std::string(H264Decoder::kInputPadding, '\0');
        const AVFrame* picture =
            decoder.Decode(reinterpret_cast<const uint8_t*>(padded.data()), frame.bytes.size());
        for (const PictureSize& size : sizes)
            if (picture && scaler.Scale(*picture, converted.Resize(size.first, size.second)))
                seen(size, place, PictureRows(converted));
        ++place;
    }
    return place;
}

}  // namespace nimbrel::test
