#include "H264Clip.h"

#include <algorithm>
#include <cmath>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

namespace nimbrel {
namespace {

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

uint8_t Clamp(int v) {
    return static_cast<uint8_t>(std::clamp(v, 16, 235));
}

constexpr int kPanPerFrame = 2;

// The scene: a textured background that pans by two pixels a frame, noise that changes every
// frame like a sensor's, and a bright block crossing the picture.
class Scene {
  public:
    Scene(int width, int height, int frames) : width_(width), height_(height) {
        textureWidth_ = width + kPanPerFrame * frames;
        texture_.resize(static_cast<std::size_t>(textureWidth_) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < textureWidth_; ++x) {
                const double smooth =
                    50 * std::sin(x / 31.0) * std::cos(y / 17.0) + 30 * std::sin((x + y) / 97.0);
                const int grain =
                    static_cast<int>(Hash(uint32_t(y) * 65599u + uint32_t(x)) % 33) - 16;
                texture_[std::size_t(y) * textureWidth_ + x] = Clamp(128 + int(smooth) + grain);
            }
    }

    void Draw(AVFrame& frame, int t) const {
        const int block = std::max(4, width_ / 8);
        const int blockX = (t * 7) % std::max(1, width_ - block);
        const int blockY = height_ / 3;
        for (int y = 0; y < height_; ++y) {
            uint8_t* row = frame.data[0] + std::ptrdiff_t(y) * frame.linesize[0];
            const uint8_t* source = &texture_[std::size_t(y) * textureWidth_ + kPanPerFrame * t];
            for (int x = 0; x < width_; ++x) {
                const uint32_t noise = Hash(uint32_t(t) * 2654435761u ^ uint32_t(y * width_ + x));
                int v = source[x] + int(noise % 7) - 3;
                if (x >= blockX && x < blockX + block && y >= blockY && y < blockY + block)
                    v = ((x ^ y) & 8) ? 220 : 60;
                row[x] = Clamp(v);
            }
        }
        for (int y = 0; y < height_ / 2; ++y) {
            uint8_t* u = frame.data[1] + std::ptrdiff_t(y) * frame.linesize[1];
            uint8_t* v = frame.data[2] + std::ptrdiff_t(y) * frame.linesize[2];
            const int vRow = 128 + int(40 * std::cos(y / 29.0 + t / 25.0));
            for (int x = 0; x < width_ / 2; ++x) {
                u[x] = Clamp(128 + int(40 * std::sin((x + t) / 53.0)));
                v[x] = Clamp(vRow);
            }
        }
    }

  private:
    int width_;
    int height_;
    int textureWidth_;
    std::vector<uint8_t> texture_;
};

void DrawFlat(AVFrame& frame, int width, int height, const std::array<uint8_t, 3>& yuv) {
    for (int y = 0; y < height; ++y)
        std::fill_n(frame.data[0] + std::ptrdiff_t(y) * frame.linesize[0], width, yuv[0]);
    for (int p = 1; p <= 2; ++p)
        for (int y = 0; y < height / 2; ++y)
            std::fill_n(frame.data[p] + std::ptrdiff_t(y) * frame.linesize[p], width / 2, yuv[p]);
}

// Keeps the SPS and PPS found in `data` (the first of each).
void FindParameterSets(const uint8_t* data, std::size_t size, H264Clip& clip) {
    for (auto& nal : SplitAnnexB(data, size)) {
        if (nal.empty()) continue;
        const int type = nal[0] & 0x1f;
        if (type == 7 && clip.sps.empty()) clip.sps = std::move(nal);
        if (type == 8 && clip.pps.empty()) clip.pps = std::move(nal);
    }
}

bool Drain(AVCodecContext& encoder, AVPacket& packet, H264Clip& clip) {
    for (;;) {
        const int rc = avcodec_receive_packet(&encoder, &packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return false;
        H264ClipFrame frame;
        frame.bytes.assign(packet.data, packet.data + packet.size);
        frame.key = (packet.flags & AV_PKT_FLAG_KEY) != 0;
        if (clip.sps.empty() || clip.pps.empty())
            FindParameterSets(packet.data, std::size_t(packet.size), clip);
        clip.frames.push_back(std::move(frame));
        av_packet_unref(&packet);
    }
}

}  // namespace

std::size_t H264Clip::TotalBytes() const {
    std::size_t total = 0;
    for (const auto& frame : frames) total += frame.bytes.size();
    return total;
}

double H264Clip::BitsPerSecond() const {
    const double seconds = Seconds();
    return seconds > 0 ? double(TotalBytes()) * 8 / seconds : 0;
}

std::vector<std::vector<uint8_t>> SplitAnnexB(const uint8_t* data, std::size_t size) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i + 2 < size; ++i)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            starts.push_back(i + 3);
            i += 2;
        }
    std::vector<std::vector<uint8_t>> units;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t begin = starts[k];
        std::size_t end = k + 1 < starts.size() ? starts[k + 1] - 3 : size;
        while (end > begin && data[end - 1] == 0) --end;  // zero bytes of a 4-byte start code
        units.emplace_back(data + begin, data + end);
    }
    return units;
}

std::optional<H264Clip> MakeH264Clip(const H264ClipOptions& options) {
    if (options.width <= 0 || options.height <= 0 || options.width % 2 || options.height % 2 ||
        options.frameRate <= 0 || options.frames <= 0 || options.gop <= 0)
        return std::nullopt;
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) return std::nullopt;
    std::unique_ptr<AVCodecContext, CodecContextFree> encoder(avcodec_alloc_context3(codec));
    std::unique_ptr<AVFrame, FrameFree> picture(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!encoder || !picture || !packet) return std::nullopt;

    encoder->width = options.width;
    encoder->height = options.height;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = AVRational{1, options.frameRate};
    encoder->framerate = AVRational{options.frameRate, 1};
    encoder->gop_size = options.gop;
    encoder->keyint_min = options.gop;
    encoder->max_b_frames = 0;
    encoder->bit_rate = options.bitRate;
    encoder->rc_max_rate = options.bitRate;
    encoder->rc_buffer_size = static_cast<int>(std::min<int64_t>(options.bitRate, INT32_MAX));
    // One slice per picture and the same output on every machine.
    encoder->thread_count = 1;
    if (!options.inBandParameterSets) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(encoder->priv_data, "preset", options.preset.c_str(), 0);
    av_opt_set(encoder->priv_data, "tune", "zerolatency", 0);
    // Key frames only at the fixed interval, as a camera sends them; no encoder statistics on
    // stderr.
    av_opt_set(encoder->priv_data, "x264-params", "scenecut=0:log=-1", 0);
    if (avcodec_open2(encoder.get(), codec, nullptr) < 0) return std::nullopt;

    H264Clip clip;
    clip.width = options.width;
    clip.height = options.height;
    clip.frameRate = options.frameRate;
    if (encoder->extradata != nullptr)
        FindParameterSets(encoder->extradata, std::size_t(encoder->extradata_size), clip);

    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = options.width;
    picture->height = options.height;
    if (av_frame_get_buffer(picture.get(), 0) < 0) return std::nullopt;
    std::optional<Scene> scene;
    if (!options.flatYuv) scene.emplace(options.width, options.height, options.frames);

    for (int t = 0; t < options.frames; ++t) {
        if (av_frame_make_writable(picture.get()) < 0) return std::nullopt;
        if (scene)
            scene->Draw(*picture, t);
        else
            DrawFlat(*picture, options.width, options.height, *options.flatYuv);
        picture->pts = t;
        if (avcodec_send_frame(encoder.get(), picture.get()) < 0) return std::nullopt;
        if (!Drain(*encoder, *packet, clip)) return std::nullopt;
    }
    if (avcodec_send_frame(encoder.get(), nullptr) < 0) return std::nullopt;
    if (!Drain(*encoder, *packet, clip)) return std::nullopt;
    if (clip.sps.empty() || clip.pps.empty() || clip.frames.size() != std::size_t(options.frames))
        return std::nullopt;
    return clip;
}

}  // namespace nimbrel
