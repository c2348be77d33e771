#include "media/Mp4Writer.h"

#include <algorithm>
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

void AppendBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                              static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    out.insert(out.end(), bytes, bytes + 4);
}

bool StartCodeAt(const uint8_t* frame, std::size_t size, std::size_t at) {
    return at + 3 <= size && frame[at] == 0 && frame[at + 1] == 0 && frame[at + 2] == 1;
}

}  // namespace

std::optional<int> Mp4Writer::SampleDuration(int framePeriodMs) {
    if (framePeriodMs <= 0 || framePeriodMs > kMaxFramePeriodMs) return std::nullopt;
    return framePeriodMs * (kTimeScale / 1000);
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
    self->bytes_ += static_cast<uint64_t>(size);
    return size;
}

bool Mp4Writer::Open(std::unique_ptr<ByteSink> sink, const Track& track, std::string& error) {
    Close();
    if (!sink) {
        error = "no file to write into";
        return false;
    }
    sink_ = std::move(sink);
    sinkFailed_ = failed_ = holding_ = false;
    taken_ = samples_ = bytes_ = 0;
    complete_ = durable_ = kept_ = {};
    lastDuration_ = 0;
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
    nominalDuration_ = track.sampleDuration;

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
    complete_ = {bytes_, 0};
    packet_ = av_packet_alloc();
    if (!packet_) return fail("out of memory");
    return true;
}

void Mp4Writer::Hold(const uint8_t* frame, std::size_t size) {
    // The frame's units, each behind a start code (00 00 01 or 00 00 00 01; the bytes 00 00 01
    // cannot occur inside a unit), become 4-byte big-endian lengths and the unit's bytes. Bytes
    // before the first start code count as a unit of their own.
    held_.clear();
    std::size_t begin = 0;
    bool inUnit = !StartCodeAt(frame, size, 0) && !(size >= 4 && frame[0] == 0 &&
                                                     StartCodeAt(frame, size, 1));
    auto endUnit = [&](std::size_t end) {
        if (!inUnit) return;
        AppendBigEndian32(held_, static_cast<uint32_t>(end - begin));
        held_.insert(held_.end(), frame + begin, frame + end);
    };
    std::size_t i = 0;
    while (i + 3 <= size) {
        if (!StartCodeAt(frame, size, i)) {
            ++i;
            continue;
        }
        const std::size_t codeStart = i > 0 && frame[i - 1] == 0 ? i - 1 : i;
        endUnit(codeStart);
        inUnit = true;
        begin = i + 3;
        i += 3;
    }
    endUnit(size);
}

bool Mp4Writer::WriteFrame(const uint8_t* frame, std::size_t size, bool key, int64_t time) {
    if (!format_) return false;
    if (!frame || size == 0 || size > INT_MAX / 2) return true;
    if (holding_) {
        if (time <= heldTime_) time = heldTime_ + 1;
        if (!WriteHeld(time - heldTime_)) return false;
    }
    Hold(frame, size);
    holding_ = true;
    heldKey_ = key;
    heldTime_ = time;
    ++taken_;
    return true;
}

bool Mp4Writer::WriteHeld(int64_t duration) {
    holding_ = false;
    lastDuration_ = duration;
    return WriteSample(held_.data(), held_.size(), heldKey_, heldTime_, duration);
}

bool Mp4Writer::WriteSample(const uint8_t* sample, std::size_t size, bool key, int64_t time,
                            int64_t duration) {
    packet_->data = const_cast<uint8_t*>(sample);  // only read by the muxer
    packet_->size = static_cast<int>(size);
    packet_->stream_index = stream_->index;
    packet_->pts = packet_->dts = time;
    packet_->duration = duration;
    packet_->flags = key ? AV_PKT_FLAG_KEY : 0;
    const uint64_t before = bytes_;
    const int rc = av_write_frame(format_, packet_);
    av_packet_unref(packet_);
    if (rc < 0 || sinkFailed_) {
        FailAt(complete_);
        return false;
    }
    // A fragment reached the file: it holds every sample before this one.
    if (bytes_ != before) complete_ = {bytes_, samples_};
    ++samples_;
    return true;
}

bool Mp4Writer::Sync() {
    if (!format_) return false;
    if (durable_.bytes == complete_.bytes && durable_.bytes != 0) return true;
    if (!sink_->Sync()) {
        FailAt(durable_);
        return false;
    }
    durable_ = complete_;
    return true;
}

bool Mp4Writer::Close(std::optional<int64_t> endTime) {
    if (!format_) return !failed_;
    if (holding_) {
        const int64_t duration = endTime && *endTime > heldTime_ ? *endTime - heldTime_
                                 : lastDuration_ > 0               ? lastDuration_
                                                                   : nominalDuration_;
        if (!WriteHeld(duration)) return false;
    }
    // The last fragment first, so that a failure of the index leaves every frame in place.
    if (av_write_frame(format_, nullptr) < 0 || sinkFailed_) {
        FailAt(complete_);
        return false;
    }
    complete_ = {bytes_, samples_};
    if (av_write_trailer(format_) < 0 || sinkFailed_) {
        FailAt(complete_);
        return false;
    }
    complete_ = {bytes_, samples_};
    if (!Sync()) return false;
    Release();
    const bool finished = sink_->Finish();
    sink_.reset();
    if (!finished) {
        failed_ = true;
        kept_ = durable_;
    }
    return finished;
}

void Mp4Writer::FailAt(const Mark& keep) {
    failed_ = true;
    kept_ = keep;
    Release();
    // A torn fragment after `keep` would stop players short of it, or show them garbage.
    sink_->Truncate(keep.bytes);
    sink_->Finish();
    sink_.reset();
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
