#include "archive/ArchiveExport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <system_error>

#include "archive/RecordingReader.h"
#include "media/H264Decoder.h"
#include "platform/Log.h"

namespace nimbrel::archive {
namespace {

namespace fs = std::filesystem;

constexpr int kTimeScale = 90000;  // of the file written
constexpr int64_t kLongestFrameMs = 5000;

class Output {
  public:
    ~Output() {
        if (format_) {
            if (format_->pb) avio_closep(&format_->pb);
            avformat_free_context(format_);
        }
    }
    bool Open(const fs::path& path, const AVCodecParameters& video) {
        if (avformat_alloc_output_context2(&format_, nullptr, "mp4", path.c_str()) < 0) return false;
        stream_ = avformat_new_stream(format_, nullptr);
        if (!stream_ || avcodec_parameters_copy(stream_->codecpar, &video) < 0) return false;
        stream_->codecpar->codec_tag = 0;
        stream_->time_base = {1, kTimeScale};
        if (avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
        // The index at the front, so that players start at once.
        AVDictionary* options = nullptr;
        av_dict_set(&options, "movflags", "+faststart", 0);
        const bool ok = avformat_write_header(format_, &options) >= 0;
        av_dict_free(&options);
        return ok;
    }
    bool Write(AVPacket* packet) {
        packet->stream_index = stream_->index;
        return av_write_frame(format_, packet) >= 0;
    }
    bool Finish() { return av_write_trailer(format_) >= 0 && avio_closep(&format_->pb) >= 0; }
    AVRational TimeBase() const { return stream_->time_base; }

  private:
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
};

}  // namespace

ExportResult ExportSpan(const ArchiveIndex& index, const ExportRequest& request,
                        ExportProgress* progress) {
    ExportResult result;
    RouteLibavLogging();
    if (request.toMs <= request.fromMs) {
        result.error = export_text::kBadSpan;
        return result;
    }
    std::vector<FileRow> files = index.Files(request.root, request.sid, request.fromMs, request.toMs);
    std::erase_if(files, [](const FileRow& r) { return !r.Playable(); });
    if (files.empty()) {
        result.error = export_text::kNothing;
        return result;
    }
    if (progress) {
        progress->totalMs = request.toMs - request.fromMs;
        progress->doneMs = 0;
    }
    fs::path part = request.output;
    part += ".part";
    std::error_code ec;
    fs::create_directories(request.output.parent_path(), ec);

    Output out;
    AVPacket* packet = av_packet_alloc();
    int64_t outTicks = 0;      // the next packet's time in the file written
    int64_t periodTicks = 0;   // the last frame interval
    bool opened = false, failed = false, cancelled = false;
    int width = 0, height = 0;
    for (std::size_t i = 0; i < files.size() && !failed && !cancelled; ++i) {
        const FileRow& row = files[i];
        RecordingReader reader;
        std::string error;
        if (!reader.Open(row.path, row.state == RecordingState::Open ? 0 : row.validBytes, error)) {
            NLOG_DEBUG("archive export: " << row.path << ": " << error);
            continue;
        }
        if (!opened) {
            width = reader.Width();
            height = reader.Height();
            if (!out.Open(part, *reader.Stream()->codecpar)) {
                failed = true;
                break;
            }
            opened = true;
            // The first file from the key frame at or before the span's start.
            reader.SeekTo(request.fromMs - row.startMs);
        } else if (reader.Width() != width || reader.Height() != height) {
            // Another picture size cannot go on in the same track: the file ends here.
            NLOG_DEBUG("archive export: the picture size changes at " << row.path);
            break;
        }
        const AVRational inBase = reader.Stream()->time_base;
        int64_t last = AV_NOPTS_VALUE;
        bool started = result.frames > 0;
        while (reader.Next(packet)) {
            const int64_t timeMs = row.startMs + reader.MsOf(packet->dts);
            if (timeMs >= request.toMs) {
                av_packet_unref(packet);
                break;
            }
            if (!started && !(packet->flags & AV_PKT_FLAG_KEY)) {
                av_packet_unref(packet);
                continue;
            }
            if (progress && progress->cancel) {
                av_packet_unref(packet);
                cancelled = true;
                break;
            }
            // Times run on: within a file by its own intervals, across a cut or a pause by the
            // last interval seen.
            if (last != AV_NOPTS_VALUE) {
                int64_t step = av_rescale_q(packet->dts - last, inBase, {1, kTimeScale});
                if (step <= 0 || step > int64_t(kLongestFrameMs) * kTimeScale / 1000)
                    step = periodTicks;
                periodTicks = step;
                outTicks += step;
            } else if (result.frames > 0) {
                outTicks += periodTicks;
            }
            const int64_t offset = packet->pts != AV_NOPTS_VALUE
                                       ? av_rescale_q(packet->pts - packet->dts, inBase,
                                                      {1, kTimeScale})
                                       : 0;
            last = packet->dts;
            packet->dts = av_rescale_q(outTicks, {1, kTimeScale}, out.TimeBase());
            packet->pts = packet->dts + av_rescale_q(offset, {1, kTimeScale}, out.TimeBase());
            packet->duration = av_rescale_q(periodTicks, {1, kTimeScale}, out.TimeBase());
            packet->pos = -1;
            // The muxer takes a reference of its own; this one goes before the next read.
            const bool written = out.Write(packet);
            av_packet_unref(packet);
            if (!written) {
                failed = true;
                break;
            }
            if (result.frames == 0) result.firstMs = timeMs;
            result.lastMs = timeMs;
            ++result.frames;
            started = true;
            if (progress) progress->doneMs = std::max<int64_t>(0, timeMs - request.fromMs);
        }
        if (started) ++result.files;
    }
    av_packet_free(&packet);
    if (!failed && !cancelled && opened && result.frames > 0) failed = !out.Finish();
    if (cancelled || failed || result.frames == 0) {
        fs::remove(part, ec);
        result.error = cancelled ? export_text::kCancelled
                       : failed  ? export_text::kWriteFailed
                                 : export_text::kNothing;
        return result;
    }
    fs::rename(part, request.output, ec);
    if (ec) {
        fs::remove(part, ec);
        result.error = export_text::kWriteFailed;
        return result;
    }
    if (progress) progress->doneMs = progress->totalMs.load();
    result.durationMs = (outTicks + periodTicks) * 1000 / kTimeScale;
    result.ok = true;
    return result;
}

}  // namespace nimbrel::archive
