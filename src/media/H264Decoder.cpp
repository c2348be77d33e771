#include "media/H264Decoder.h"

#include <climits>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
}

#include "platform/Log.h"

namespace nimbrel {
namespace {

static_assert(H264Decoder::kInputPadding >= AV_INPUT_BUFFER_PADDING_SIZE);

// A broken camera stream makes the decoder complain on every frame; its messages go to the
// program's logger (silent unless asked) instead of stderr.
void LogLibav(void* object, int level, const char* format, va_list args) {
    if (level > AV_LOG_WARNING) return;
    thread_local int printPrefix = 1;
    char line[512];
    av_log_format_line2(object, level, format, args, line, sizeof line, &printPrefix);
    const std::size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n') line[length - 1] = '\0';
    NLOG_DEBUG("libav: " << line);
}

}  // namespace

void RouteLibavLogging() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(LogLibav); });
}

bool H264Decoder::Open(const ParameterSetRecord& sps, const ParameterSetRecord& pps, int width,
                       int height) {
    Close();
    RouteLibavLogging();
    // The size comes from the camera: refuse what no picture buffer could hold.
    if (av_image_check_size(static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            nullptr) < 0 ||
        width <= 0 || height <= 0)
        return false;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (codec == nullptr) return false;
    context_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    scratch_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (context_ == nullptr || frame_ == nullptr || scratch_ == nullptr || packet_ == nullptr) {
        Close();
        return false;
    }
    context_->pix_fmt = AV_PIX_FMT_YUV420P;
    // One thread per stream: a wall of cameras is spread over the cores by the cameras' own
    // tick threads, and a single-threaded decoder hands each picture out without delay.
    context_->thread_count = 1;
    if (avcodec_open2(context_, codec, nullptr) < 0) {
        Close();
        return false;
    }
    for (const ParameterSetRecord* set : {&sps, &pps}) {
        uint8_t padded[ParameterSetRecord::kRecordBytes + kInputPadding] = {};
        std::memcpy(padded, set->AnnexB(), set->AnnexBLength());
        Decode(padded, set->AnnexBLength());
    }
    context_->width = width;
    context_->height = height;
    return true;
}

const AVFrame* H264Decoder::Decode(const uint8_t* data, std::size_t size) {
    if (context_ == nullptr || data == nullptr || size == 0 || size > INT_MAX) return nullptr;
    packet_->data = const_cast<uint8_t*>(data);
    packet_->size = static_cast<int>(size);
    if (avcodec_send_packet(context_, packet_) < 0) return nullptr;
    // One frame in gives at most one picture out for a stream without reordering; should the
    // decoder have more, the newest is the one to show.
    bool got = false;
    while (avcodec_receive_frame(context_, scratch_) == 0) {
        av_frame_unref(frame_);
        av_frame_move_ref(frame_, scratch_);
        got = true;
    }
    return got ? frame_ : nullptr;
}

void H264Decoder::Close() {
    avcodec_free_context(&context_);
    av_frame_free(&frame_);
    av_frame_free(&scratch_);
    av_packet_free(&packet_);
}

}  // namespace nimbrel
