#include "archive/RecordingProbe.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>

#include "archive/Mp4Boxes.h"
#include "media/H264Decoder.h"

namespace nimbrel::archive {
namespace {

// The frame period assumed for the last frame of a file with a single frame.
constexpr int64_t kOneFrameMs = 40;

struct InputCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};

}  // namespace

RecordingFacts ProbeRecording(const std::filesystem::path& path) {
    RecordingFacts facts;
    RouteLibavLogging();
    const Mp4Layout layout = WalkMp4Boxes(path);
    facts.bytes = layout.fileBytes;
    if (!layout.problem.empty()) {
        facts.problem = layout.problem;
        return facts;
    }
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), av_find_input_format("mp4"), nullptr) < 0) {
        facts.problem = "libavformat cannot open it";
        return facts;
    }
    std::unique_ptr<AVFormatContext, InputCloser> input(raw);
    int video = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        AVStream* s = input->streams[i];
        s->discard = AVDISCARD_ALL;  // only the fragment headers are read
        if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && s->codecpar->codec_id == AV_CODEC_ID_H264 &&
            video < 0)
            video = static_cast<int>(i);
        if (s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) facts.audio = true;
    }
    if (video < 0) {
        facts.problem = "no H.264 picture track";
        return facts;
    }
    AVStream* stream = input->streams[video];
    facts.width = stream->codecpar->width;
    facts.height = stream->codecpar->height;
    // With every stream discarded, one read walks all fragments and fills the sample index.
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input.get(), packet) >= 0) av_packet_unref(packet);
    av_packet_free(&packet);

    const int entries = avformat_index_get_entries_count(stream);
    int64_t first = 0, last = 0, period = 0;
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry* e = avformat_index_get_entry(stream, i);
        // Samples whose bytes are not all inside the whole boxes were never completely written.
        if (!e || e->pos < 0 || e->size <= 0 ||
            static_cast<uint64_t>(e->pos) + static_cast<uint64_t>(e->size) > layout.completeBytes)
            break;
        if (facts.frames == 0) first = e->timestamp;
        if (facts.frames > 0) period = e->timestamp - last;
        last = e->timestamp;
        const int64_t ms = av_rescale_q(e->timestamp - first, stream->time_base, {1, 1000});
        if (e->flags & AVINDEX_KEYFRAME)
            facts.keyFramesMs.push_back(static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX)));
        ++facts.frames;
        facts.validBytes = static_cast<uint64_t>(e->pos) + static_cast<uint64_t>(e->size);
    }
    if (facts.frames == 0) {
        facts.problem = "no complete fragment";
        return facts;
    }
    const int64_t endTicks = last - first + std::max<int64_t>(period, 0);
    facts.durationMs = av_rescale_q(endTicks, stream->time_base, {1, 1000});
    if (facts.frames == 1) facts.durationMs = kOneFrameMs;
    facts.state = layout.completeBytes < layout.fileBytes ? RecordingState::Torn
                                                          : RecordingState::Complete;
    return facts;
}

}  // namespace nimbrel::archive
