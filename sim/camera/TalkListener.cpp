#include "camera/TalkListener.h"

#include <speex/speex.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace nimbrel::sim {
namespace {

constexpr std::size_t kSpeexBody = 200;
constexpr int kSpeexFrame = 20;
constexpr int kSpeexSamples = 160;
constexpr int kAdtsRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                              22050, 16000, 12000, 11025, 8000,  7350};

double Power(const std::vector<float>& x, double hz, int rate) {
    const double w = 2.0 * M_PI * hz / rate;
    const double c = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (float v : x) {
        const double s0 = v + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - c * s1 * s2;
}

}  // namespace

struct TalkListener::Codecs {
    void* speex = nullptr;
    SpeexBits bits{};
    AVCodecContext* aac = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;

    Codecs() {
        speex = speex_decoder_init(&speex_nb_mode);
        speex_bits_init(&bits);
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_AAC);
        aac = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (aac && avcodec_open2(aac, codec, nullptr) < 0) avcodec_free_context(&aac);
        packet = av_packet_alloc();
        frame = av_frame_alloc();
    }
    ~Codecs() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&aac);
        speex_bits_destroy(&bits);
        if (speex) speex_decoder_destroy(speex);
    }
};

TalkListener::TalkListener() : codecs_(std::make_unique<Codecs>()) {}
TalkListener::~TalkListener() = default;

void TalkListener::Malformed(std::string reason) {
    ++second_.malformed;
    second_.malformedReason = std::move(reason);
}

void TalkListener::OnPacket(bool aac, const std::string& body) {
    const int rateBefore = rate_;
    second_.kind = aac ? "aac" : "speex";
    ++second_.packets;
    second_.bytes += static_cast<long long>(body.size());
    if (aac)
        DecodeAac(body);
    else
        DecodeSpeex(body);
    if (rate_ != rateBefore) sound_.clear();  // a second of one rate only
}

void TalkListener::DecodeSpeex(const std::string& body) {
    if (body.size() != kSpeexBody)
        return Malformed("speex packet of " + std::to_string(body.size()) + " bytes");
    rate_ = 8000;
    for (int k = 0; k < 10; ++k) {
        speex_bits_read_from(&codecs_->bits, const_cast<char*>(body.data() + k * kSpeexFrame),
                             kSpeexFrame);
        spx_int16_t pcm[kSpeexSamples];
        const int rc = speex_decode_int(codecs_->speex, &codecs_->bits, pcm);
        speex_bits_reset(&codecs_->bits);
        if (rc != 0) return Malformed("speex frame " + std::to_string(k) + " does not decode");
        for (spx_int16_t s : pcm) sound_.push_back(s / 32768.0f);
        second_.samples += kSpeexSamples;
    }
}

void TalkListener::DecodeAac(const std::string& body) {
    if (body.empty()) return;  // the encoder had nothing yet: a packet without sound is allowed
    const auto* b = reinterpret_cast<const uint8_t*>(body.data());
    if (body.size() < 7 || b[0] != 0xFF || (b[1] & 0xF0) != 0xF0)
        return Malformed("aac frame without ADTS sync");
    const std::size_t length = static_cast<std::size_t>((b[3] & 3) << 11 | b[4] << 3 | b[5] >> 5);
    if (length != body.size())
        return Malformed("ADTS length " + std::to_string(length) + " in a packet of " +
                         std::to_string(body.size()));
    const int rateIndex = (b[2] >> 2) & 0xF;
    if (rateIndex >= static_cast<int>(std::size(kAdtsRates)))
        return Malformed("ADTS rate index " + std::to_string(rateIndex));
    if (!codecs_->aac) return Malformed("no AAC decoder");
    std::vector<uint8_t> padded(body.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::memcpy(padded.data(), body.data(), body.size());
    codecs_->packet->data = padded.data();
    codecs_->packet->size = static_cast<int>(body.size());
    if (avcodec_send_packet(codecs_->aac, codecs_->packet) < 0)
        return Malformed("aac frame does not decode");
    AVFrame* f = codecs_->frame;
    while (avcodec_receive_frame(codecs_->aac, f) == 0) {
        rate_ = f->sample_rate;
        const int channels = f->ch_layout.nb_channels;
        for (int s = 0; s < f->nb_samples && f->format == AV_SAMPLE_FMT_FLTP; ++s) {
            float sum = 0;
            for (int c = 0; c < channels; ++c)
                sum += reinterpret_cast<const float*>(f->extended_data[c])[s];
            sound_.push_back(sum / static_cast<float>(std::max(1, channels)));
        }
        second_.samples += f->nb_samples;
        av_frame_unref(f);
    }
}

std::optional<TalkSecond> TalkListener::TakeSecond() {
    if (second_.packets == 0 && second_.malformed == 0) return std::nullopt;
    TalkSecond out = std::move(second_);
    out.dominantHz = DominantFrequency(sound_, rate_);
    second_ = {};
    sound_.clear();
    return out;
}

double TalkListener::DominantFrequency(const std::vector<float>& x, int rate) {
    double energy = 0;
    for (float v : x) energy += static_cast<double>(v) * v;
    if (x.size() < 256 || energy / static_cast<double>(x.size()) < 1e-6) return 0;
    // The coarse search adds up the power of 50 ms pieces (at most 20, spread over the sound):
    // a piece's filters are 20 Hz wide, wider than the 10 Hz steps, so the tone always falls
    // inside one (over a whole second a filter 10 Hz off would sit on a zero of the tone's
    // response), and a start that is quiet or another sound (a decoder settling) cannot choose
    // alone. The fine search uses everything.
    auto windowed = [&](std::size_t first, std::size_t n) {
        std::vector<float> w(n);
        for (std::size_t i = 0; i < n; ++i)
            w[i] = x[first + i] * static_cast<float>(0.5 - 0.5 * std::cos(2 * M_PI * i / (n - 1)));
        return w;
    };
    const std::size_t pieceLength = std::min<std::size_t>(x.size(), rate / 20);
    const std::size_t pieceCount = std::min<std::size_t>(20, x.size() / pieceLength);
    std::vector<std::vector<float>> pieces;
    for (std::size_t k = 0; k < pieceCount; ++k)
        pieces.push_back(windowed(
            k * (x.size() - pieceLength) / std::max<std::size_t>(1, pieceCount - 1), pieceLength));
    const auto whole = windowed(0, x.size());
    double best = 0, bestPower = -1;
    for (double hz = 50; hz < rate / 2.0 - 50; hz += 10) {
        double p = 0;
        for (const auto& piece : pieces) p += Power(piece, hz, rate);
        if (p > bestPower) bestPower = p, best = hz;
    }
    const double coarse = best;
    bestPower = -1;
    for (double hz = coarse - 20; hz <= coarse + 20; hz += 0.5)
        if (const double p = Power(whole, hz, rate); p > bestPower) bestPower = p, best = hz;
    return best;
}

}  // namespace nimbrel::sim
