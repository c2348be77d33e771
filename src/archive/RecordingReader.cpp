#include "archive/RecordingReader.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>

#include "archive/Mp4Boxes.h"

namespace nimbrel::archive {
namespace {

constexpr uint8_t kStartCode[4] = {0, 0, 0, 1};

void AppendUnit(std::vector<uint8_t>& out, const uint8_t* unit, std::size_t size) {
    out.insert(out.end(), kStartCode, kStartCode + 4);
    out.insert(out.end(), unit, unit + size);
}

}  // namespace

bool RecordingReader::Open(const std::string& path, uint64_t validBytes, std::string& error) {
    Close();
    // Only regular files, refused without waiting otherwise (a FIFO would hold the open).
    const Mp4Layout layout = WalkMp4Boxes(path);
    if (!layout.problem.empty()) {
        error = layout.problem;
        return false;
    }
    if (avformat_open_input(&format_, path.c_str(), av_find_input_format("mp4"), nullptr) < 0) {
        error = "libavformat cannot open it";
        format_ = nullptr;
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* s = format_->streams[i];
        if (index_ < 0 && s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            s->codecpar->codec_id == AV_CODEC_ID_H264) {
            index_ = static_cast<int>(i);
            stream_ = s;
        } else {
            s->discard = AVDISCARD_ALL;
        }
    }
    if (!stream_ || !ReadParameterSets(error)) {
        if (error.empty()) error = "no H.264 picture track";
        Close();
        return false;
    }
    validBytes_ = validBytes;
    // The first frame's time: the first sample the index knows of (or 0).
    firstTimestamp_ = 0;
    if (avformat_index_get_entries_count(stream_) > 0)
        firstTimestamp_ = avformat_index_get_entry(stream_, 0)->timestamp;
    return true;
}

void RecordingReader::Close() {
    if (format_) avformat_close_input(&format_);
    format_ = nullptr;
    stream_ = nullptr;
    index_ = -1;
    parameterSets_.clear();
}

int RecordingReader::Width() const {
    return stream_ ? stream_->codecpar->width : 0;
}

int RecordingReader::Height() const {
    return stream_ ? stream_->codecpar->height : 0;
}

bool RecordingReader::ReadParameterSets(std::string& error) {
    // The avcC record: version, profile, compatibility, level, length size, then the SPS and
    // PPS lists, each unit behind a 16-bit length. Every count and length is checked.
    const uint8_t* p = stream_->codecpar->extradata;
    const std::size_t size = static_cast<std::size_t>(std::max(stream_->codecpar->extradata_size, 0));
    if (!p || size < 7 || p[0] != 1) {
        error = "no usable H.264 configuration";
        return false;
    }
    lengthBytes_ = (p[4] & 3) + 1;
    std::size_t at = 5;
    for (int list = 0; list < 2; ++list) {
        if (at >= size) break;
        const int count = list == 0 ? (p[at] & 31) : p[at];
        ++at;
        for (int i = 0; i < count; ++i) {
            if (at + 2 > size) {
                error = "a damaged H.264 configuration";
                return false;
            }
            const std::size_t unit = (std::size_t(p[at]) << 8) | p[at + 1];
            at += 2;
            if (unit > size - at) {
                error = "a damaged H.264 configuration";
                return false;
            }
            AppendUnit(parameterSets_, p + at, unit);
            at += unit;
        }
    }
    return true;
}

bool RecordingReader::Next(AVPacket* packet) {
    if (!format_) return false;
    while (av_read_frame(format_, packet) >= 0) {
        if (packet->stream_index != index_) {
            av_packet_unref(packet);
            continue;
        }
        // A sample reaching into the unfinished end of a cut-off file is not whole.
        if (validBytes_ > 0 && packet->pos >= 0 &&
            static_cast<uint64_t>(packet->pos) + static_cast<uint64_t>(packet->size) > validBytes_) {
            av_packet_unref(packet);
            return false;
        }
        if (packet->flags & AV_PKT_FLAG_CORRUPT) {
            av_packet_unref(packet);
            return false;
        }
        return true;
    }
    return false;
}

int64_t RecordingReader::MsOf(int64_t timestamp) const {
    if (!stream_ || timestamp == AV_NOPTS_VALUE) return 0;
    return av_rescale_q(timestamp - firstTimestamp_, stream_->time_base, {1, 1000});
}

bool RecordingReader::SeekTo(int64_t ms) {
    if (!format_) return false;
    const int64_t ts =
        firstTimestamp_ + av_rescale_q(std::max<int64_t>(ms, 0), {1, 1000}, stream_->time_base);
    if (av_seek_frame(format_, index_, ts, AVSEEK_FLAG_BACKWARD) >= 0) return true;
    return av_seek_frame(format_, index_, firstTimestamp_, AVSEEK_FLAG_BACKWARD) >= 0;
}

std::size_t RecordingReader::ToAnnexB(const AVPacket& packet, std::vector<uint8_t>& out,
                                      std::size_t padding) const {
    out.clear();
    if (packet.flags & AV_PKT_FLAG_KEY) out = parameterSets_;
    const uint8_t* p = packet.data;
    const std::size_t size = packet.size > 0 ? static_cast<std::size_t>(packet.size) : 0;
    std::size_t at = 0;
    while (at < size) {
        if (size - at < static_cast<std::size_t>(lengthBytes_)) return 0;
        std::size_t unit = 0;
        for (int i = 0; i < lengthBytes_; ++i) unit = (unit << 8) | p[at + i];
        at += lengthBytes_;
        if (unit > size - at) return 0;
        AppendUnit(out, p + at, unit);
        at += unit;
    }
    const std::size_t frame = out.size();
    out.resize(frame + padding, 0);
    return frame;
}

}  // namespace nimbrel::archive
