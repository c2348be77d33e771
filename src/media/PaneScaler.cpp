#include "media/PaneScaler.h"

#include <algorithm>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace nimbrel {
namespace {

// The full-range ("JPEG") variants of the planar formats are the same layout with another
// value range; the converter wants the plain format and the range said separately.
AVPixelFormat PlainFormat(int format, int& fullRange) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P:
            fullRange = 1;
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            fullRange = 1;
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            fullRange = 1;
            return AV_PIX_FMT_YUV444P;
        default:
            return static_cast<AVPixelFormat>(format);
    }
}

bool Convertible(const AVFrame& picture) {
    return picture.width > 0 && picture.height > 0 && picture.format >= 0 &&
           picture.data[0] != nullptr;
}

}  // namespace

std::pair<int, int> PaneScaler::StoredSize(int drawWidth, int drawHeight, int rotation,
                                           int sourceWidth, int sourceHeight) {
    if (rotation % 2 != 0) std::swap(drawWidth, drawHeight);
    return {std::min(drawWidth, sourceWidth), std::min(drawHeight, sourceHeight)};
}

SwsContext* PaneScaler::Prepare(Conversion& conversion, const AVFrame& picture, int width,
                                int height, int targetFormat) {
    int fullRange = picture.color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    const AVPixelFormat format = PlainFormat(picture.format, fullRange);
    const int matrix = picture.colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    if (conversion.context != nullptr && conversion.sourceWidth == picture.width &&
        conversion.sourceHeight == picture.height && conversion.sourceFormat == format &&
        conversion.fullRange == fullRange && conversion.matrix == matrix &&
        conversion.width == width && conversion.height == height &&
        conversion.targetFormat == targetFormat)
        return conversion.context;

    Free(conversion);
    conversion.context = sws_getContext(picture.width, picture.height, format, width, height,
                                        static_cast<AVPixelFormat>(targetFormat), SWS_FAST_BILINEAR,
                                        nullptr, nullptr, nullptr);
    if (conversion.context == nullptr) return nullptr;
    // Camera pictures are limited range unless they say otherwise; BGR output is full range.
    // A format without colour details refuses them, and its defaults stand.
    sws_setColorspaceDetails(conversion.context, sws_getCoefficients(matrix), fullRange,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    conversion.sourceWidth = picture.width;
    conversion.sourceHeight = picture.height;
    conversion.sourceFormat = format;
    conversion.fullRange = fullRange;
    conversion.matrix = matrix;
    conversion.width = width;
    conversion.height = height;
    conversion.targetFormat = targetFormat;
    return conversion.context;
}

bool PaneScaler::Scale(const AVFrame& picture, const BgrxTarget& target) {
    const int width = target.width, height = target.height;
    if (!Convertible(picture) || !target.Holds(width) ||
        av_image_check_size(static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            nullptr) < 0)
        return false;
    // An odd output width sends libswscale down a path about three times slower than an even
    // one. With room in the row, convert one column more; it lands in the row's spare bytes.
    const int convertWidth = width % 2 != 0 && target.Holds(width + 1) ? width + 1 : width;
    SwsContext* context = Prepare(pane_, picture, convertWidth, height, AV_PIX_FMT_BGR0);
    if (context == nullptr) return false;
    uint8_t* planes[4] = {target.pixels, nullptr, nullptr, nullptr};
    const int strides[4] = {target.stride, 0, 0, 0};
    return sws_scale(context, picture.data, picture.linesize, 0, picture.height, planes, strides) ==
           height;
}

bool PaneScaler::ConvertFullSize(const AVFrame& picture, std::vector<uint8_t>& bgr) {
    if (!Convertible(picture)) return false;
    SwsContext* context =
        Prepare(snapshot_, picture, picture.width, picture.height, AV_PIX_FMT_BGR24);
    if (context == nullptr) return false;
    bgr.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) *
               3);
    uint8_t* planes[4] = {bgr.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {picture.width * 3, 0, 0, 0};
    return sws_scale(context, picture.data, picture.linesize, 0, picture.height, planes, strides) ==
           picture.height;
}

void PaneScaler::Free(Conversion& conversion) {
    sws_freeContext(conversion.context);
    conversion = Conversion{};
}

void PaneScaler::Reset() {
    Free(pane_);
    Free(snapshot_);
}

}  // namespace nimbrel
