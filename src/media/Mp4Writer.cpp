#include "media/Mp4Writer.h"

#include <climits>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

namespace nimbrel {
namespace {

constexpr int kIoBufferBytes = 64 * 1024;

std::string AvError(const char* step, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return std::string(step) + ": " + text;
}

void PutBigEndian32(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v >> 24);
    at[1] = static_cast<uint8_t>(v >> 16);
    at[2] = static_cast<uint8_t>(v >> 8);
    at[3] = static_cast<uint8_t>(v);
}

}  // namespace

// Splits a frame at its start codes (00 00 01, or 00 00 00 01). The byte sequence 00 00 01
// cannot occur inside a unit, so every match is a start code.
void Mp4Writer::SplitUnits(const uint8_t* frame, std::size_t size, std::vector<Unit>& units) {
    units.clear();
    std::size_t i = 0;
    auto startCodeAt = [&](std::size_t at) {
        return at + 3 <= size && frame[at] == 0 && frame[at + 1] == 0 && frame[at + 2] == 1;
    };
    if (!startCodeAt(0) && !(size >= 4 && frame[0] == 0 && startCodeAt(1)))
        units.push_back({0, 0, 0, size});
    while (i + 3 <= size) {
        if (!startCodeAt(i)) {
            ++i;
            continue;
        }
        const bool four = i > 0 && frame[i - 1] == 0;
        const std::size_t codeStart = four ? i - 1 : i;
        if (!units.empty()) units.back().end = codeStart;
        units.push_back({codeStart, four ? 4u : 3u, i + 3, size});
        i += 3;
    }
}

std::optional<int> Mp4Writer::SampleDuration(int framePeriodMs) {
    if (framePeriodMs <= 0) return std::nullopt;
    const int framesPerSecond = 1000 / framePeriodMs;
    if (framesPerSecond == 0) return std::nullopt;
    return kTimeScale / framesPerSecond;
}

std::vector<uint8_t> Mp4Writer::AvcConfiguration(const ParameterSetRecord& sps,
                                                 const ParameterSetRecord& pps) {
    const std::size_t spsBytes = sps.NalLength(), ppsBytes = pps.NalLength();
    if (spsBytes < 4 || ppsBytes == 0) return {};
    const uint8_t* s = sps.AnnexB() + ParameterSetRecord::kStartCodeBytes;
    const uint8_t* p = pps.AnnexB() + ParameterSetRecord::kStartCodeBytes;
    std::vector<uint8_t> avcc = {1,
                                 s[1],
                                 s[2],
                                 s[3],
                                 0xFF,  // 6 reserved bits, lengths of 4 bytes
                                 0xE1,  // 3 reserved bits, one SPS
                                 static_cast<uint8_t>(spsBytes >> 8),
                                 static_cast<uint8_t>(spsBytes)};
    avcc.insert(avcc.end(), s, s + spsBytes);
    avcc.push_back(1);  // one PPS
    avcc.push_back(static_cast<uint8_t>(ppsBytes >> 8));
    avcc.push_back(static_cast<uint8_t>(ppsBytes));
    avcc.insert(avcc.end(), p, p + ppsBytes);
    return avcc;
}

Mp4Writer::~Mp4Writer() {
    Close();
}

int Mp4Writer::WriteCallback(void* opaque, uint8_t* data, int size) {
    auto* self = static_cast<Mp4Writer*>(opaque);
    if (self->sinkFailed_ || !self->sink_->Write(data, static_cast<std::size_t>(size))) {
        self->sinkFailed_ = true;
        return AVERROR(EIO);
    }
    self->sinkWritten_ = true;
    return size;
}

bool Mp4Writer::Open(std::unique_ptr<ByteSink> sink, const Track& track, std::string& error) {
    Close();
    if (!sink) {
        error = "no file to write into";
        return false;
    }
    sink_ = std::move(sink);
    sinkFailed_ = false;
    sinkWritten_ = false;
    frames_ = 0;
    auto fail = [&](std::string why) {
        error = std::move(why);
        Release();
        sink_->Finish();
        sink_.reset();
        return false;
    };
    if (track.width <= 0 || track.height <= 0 || track.width > 0xFFFF || track.height > 0xFFFF)
        return fail("picture size " + std::to_string(track.width) + "x" +
                    std::to_string(track.height) + " cannot be recorded");
    if (track.sampleDuration <= 0) return fail("no frame period to time the samples by");
    const std::vector<uint8_t> avcc = AvcConfiguration(track.sps, track.pps);
    if (avcc.empty()) return fail("the stream's parameter sets are too short to describe it");
    sampleDuration_ = track.sampleDuration;

    int rc = avformat_alloc_output_context2(&format_, nullptr, "mp4", nullptr);
    if (rc < 0 || !format_) return fail(AvError("MP4 muxer", rc));
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (!buffer) return fail("out of memory");
    io_ = avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr, &Mp4Writer::WriteCallback,
                             nullptr);
    if (!io_) {
        av_free(buffer);
        return fail("out of memory");
    }
    format_->pb = io_;
    // Every packet's output leaves the buffer at once: a finished fragment is in the file as
    // soon as the frame that closed it was written.
    format_->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;

    stream_ = avformat_new_stream(format_, nullptr);
    if (!stream_) return fail("out of memory");
    stream_->time_base = AVRational{1, kTimeScale};
    AVCodecParameters* par = stream_->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_H264;
    par->width = track.width;
    par->height = track.height;
    par->extradata = static_cast<uint8_t*>(av_mallocz(avcc.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata) return fail("out of memory");
    std::memcpy(par->extradata, avcc.data(), avcc.size());
    par->extradata_size = static_cast<int>(avcc.size());

    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "empty_moov+frag_keyframe+default_base_moof", 0);
    av_dict_set_int(&options, "frag_duration", int64_t{kMaxFragmentMs} * 1000, 0);
    av_dict_set_int(&options, "movie_timescale", kTimeScale, 0);
    av_dict_set_int(&options, "video_track_timescale", kTimeScale, 0);
    av_dict_set_int(&options, "skip_iods", 0, 0);
    av_dict_set_int(&options, "iods_video_profile", 0x7F, 0);
    av_dict_set_int(&options, "use_editlist", 0, 0);
    rc = avformat_write_header(format_, &options);
    av_dict_free(&options);
    if (rc < 0)
        return fail(sinkFailed_ ? "the file could not be written" : AvError("MP4 header", rc));
    avio_flush(io_);
    if (sinkFailed_) return fail("the file could not be written");
    sink_->Commit();
    sinkWritten_ = false;
    packet_ = av_packet_alloc();
    if (!packet_) return fail("out of memory");
    return true;
}

bool Mp4Writer::WriteFrame(uint8_t* frame, std::size_t size, bool key) {
    if (!format_ || !frame || size == 0 || size > INT_MAX / 2) return format_ != nullptr;
    std::vector<Unit>& units = units_;
    SplitUnits(frame, size, units);
    bool inPlace = true;
    for (const Unit& u : units) inPlace = inPlace && u.startCodeBytes == 4;
    if (inPlace) {
        for (const Unit& u : units)
            PutBigEndian32(frame + u.startCode, static_cast<uint32_t>(u.end - u.begin));
        const bool ok = WriteSample(frame, size, key);
        // The decoder gets the frame back exactly as it came.
        for (const Unit& u : units) PutBigEndian32(frame + u.startCode, 1);
        return ok;
    }
    converted_.clear();
    for (const Unit& u : units) {
        const std::size_t at = converted_.size();
        converted_.resize(at + 4);
        PutBigEndian32(converted_.data() + at, static_cast<uint32_t>(u.end - u.begin));
        converted_.insert(converted_.end(), frame + u.begin, frame + u.end);
    }
    return WriteSample(converted_.data(), converted_.size(), key);
}

bool Mp4Writer::WriteSample(const uint8_t* sample, std::size_t size, bool key) {
    const AVRational ticks{1, kTimeScale};
    packet_->data = const_cast<uint8_t*>(sample);  // only read by the muxer
    packet_->size = static_cast<int>(size);
    packet_->stream_index = stream_->index;
    packet_->pts = packet_->dts =
        av_rescale_q(static_cast<int64_t>(frames_) * sampleDuration_, ticks, stream_->time_base);
    packet_->duration = av_rescale_q(sampleDuration_, ticks, stream_->time_base);
    packet_->flags = key ? AV_PKT_FLAG_KEY : 0;
    const int rc = av_write_frame(format_, packet_);
    av_packet_unref(packet_);
    if (rc < 0 || sinkFailed_) {
        // What is in the file stays as it is: its complete fragments play.
        Release();
        sink_->Finish();
        sink_.reset();
        return false;
    }
    ++frames_;
    if (sinkWritten_) {
        sink_->Commit();
        sinkWritten_ = false;
    }
    return true;
}

bool Mp4Writer::Close() {
    if (!format_) return true;
    bool ok = !sinkFailed_;
    if (ok && (av_write_trailer(format_) < 0 || sinkFailed_)) ok = false;
    Release();
    if (!sink_->Finish()) ok = false;
    sink_.reset();
    return ok;
}

void Mp4Writer::Release() {
    av_packet_free(&packet_);
    if (format_) {
        avformat_free_context(format_);  // a custom output stays for us to free
        format_ = nullptr;
    }
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    stream_ = nullptr;
}

}  // namespace nimbrel
