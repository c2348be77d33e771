#include "camera/H264ClipEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <memory>

#include "camera/AnnexB.h"
#include "camera/MediaPackets.h"
#include "camera/TestPattern.h"

namespace nimbrel::sim {
namespace {

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

std::string AvError(const char* what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return std::string(what) + ": " + text;
}

// Takes every packet the encoder has ready; false with `error` set on a failure.
bool Drain(AVCodecContext* context, AVPacket* packet, std::vector<VideoFrame>& frames,
           std::string& error) {
    while (true) {
        const int rc = avcodec_receive_packet(context, packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) {
            error = AvError("avcodec_receive_packet", rc);
            return false;
        }
        frames.push_back({std::string(reinterpret_cast<const char*>(packet->data), packet->size),
                          (packet->flags & AV_PKT_FLAG_KEY) != 0});
        av_packet_unref(packet);
    }
}

}  // namespace

int H264ClipEncoder::ClipFrames(const VideoClipKey& key) {
    const int gopMs = key.gop * key.framePeriodMs;
    const int gops = std::max(2, (4000 + gopMs - 1) / gopMs);
    return gops * key.gop;
}

Result<VideoClip> H264ClipEncoder::Encode(const VideoClipKey& key) {
    av_log_set_level(AV_LOG_ERROR);  // the encoders' statistics are noise here
    using R = Result<VideoClip>;
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) return R::Fail("libavcodec has no libx264 encoder");
    std::unique_ptr<AVCodecContext, CodecFree> context(avcodec_alloc_context3(codec));
    if (!context) return R::Fail("avcodec_alloc_context3 failed");
    AVCodecContext* c = context.get();
    c->width = key.width;
    c->height = key.height;
    c->time_base = AVRational{key.framePeriodMs, 1000};
    c->framerate = AVRational{1000, key.framePeriodMs};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->bit_rate = key.bitRate;
    c->gop_size = key.gop;
    c->keyint_min = key.gop;
    c->max_b_frames = 0;
    c->thread_count = 1;
    av_opt_set(c->priv_data, "preset", "ultrafast", 0);
    av_opt_set(c->priv_data, "tune", "zerolatency", 0);
    // Key frames only where asked for, each an IDR that repeats SPS and PPS.
    av_opt_set(c->priv_data, "x264-params", "scenecut=0", 0);
    av_opt_set_int(c->priv_data, "forced-idr", 1, 0);
    int rc = avcodec_open2(c, codec, nullptr);
    if (rc < 0) return R::Fail(AvError("opening libx264", rc));

    std::unique_ptr<AVFrame, CodecFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, CodecFree> packet(av_packet_alloc());
    if (!frame || !packet) return R::Fail("out of memory");
    frame->format = c->pix_fmt;
    frame->width = c->width;
    frame->height = c->height;
    rc = av_frame_get_buffer(frame.get(), 0);
    if (rc < 0) return R::Fail(AvError("av_frame_get_buffer", rc));

    VideoClip clip;
    clip.key = key;
    const int count = ClipFrames(key);
    const TestPattern pattern(key.width, key.height, key.recorded);
    std::string error;
    for (int i = 0; i <= count; ++i) {
        AVFrame* input = nullptr;
        if (i < count) {
            rc = av_frame_make_writable(frame.get());
            if (rc < 0) return R::Fail(AvError("av_frame_make_writable", rc));
            pattern.Draw({frame->data[0], frame->linesize[0], frame->data[1], frame->linesize[1],
                          frame->data[2], frame->linesize[2]},
                         i, count);
            frame->pts = i;
            frame->pict_type = i % key.gop == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
            input = frame.get();
        }
        rc = avcodec_send_frame(c, input);
        if (rc < 0) return R::Fail(AvError("avcodec_send_frame", rc));
        if (!Drain(c, packet.get(), clip.frames, error)) return R::Fail(error);
    }
    if (static_cast<int>(clip.frames.size()) != count)
        return R::Fail("encoder gave " + std::to_string(clip.frames.size()) + " frames for " +
                       std::to_string(count));
    for (int i = 0; i < count; ++i) {
        if (clip.frames[i].key != (i % key.gop == 0))
            return R::Fail("key frame pattern broken at frame " + std::to_string(i));
        if (clip.frames[i].bytes.size() > MediaPackets::kMaxFrame)
            return R::Fail("frame " + std::to_string(i) + " of " +
                           std::to_string(clip.frames[i].bytes.size()) +
                           " bytes does not fit a client's frame buffer");
    }
    for (std::string_view unit : AnnexB::Units(clip.frames[0].bytes)) {
        if (AnnexB::Type(unit) == 7 && clip.sps.empty()) clip.sps = unit;
        if (AnnexB::Type(unit) == 8 && clip.pps.empty()) clip.pps = unit;
    }
    if (clip.sps.empty() || clip.pps.empty())
        return R::Fail("the first key frame carries no SPS or PPS");
    if (clip.sps.size() > kMaxParameterSet || clip.pps.size() > kMaxParameterSet)
        return R::Fail("parameter sets longer than a client's room for them");
    return R::Ok(std::move(clip));
}

}  // namespace nimbrel::sim
