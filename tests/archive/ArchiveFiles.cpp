#include "ArchiveFiles.h"

#include <unistd.h>

#include "H264Clip.h"
#include "archive/LocalTime.h"
#include "platform/DurableFile.h"

namespace nimbrel::test {
namespace {

ParameterSetRecord ParameterSets(const std::vector<uint8_t>& nal) {
    ParameterSetRecord r;
    r.bytes[3] = 1;
    std::copy(nal.begin(), nal.end(), r.bytes.begin() + 4);
    r.bytes[63] = static_cast<uint8_t>(nal.size());
    return r;
}

const H264Clip& Clip() {
    static const H264Clip clip = [] {
        H264ClipOptions options;
        options.width = 96;
        options.height = 64;
        options.gop = kKeyEvery;
        options.frames = 25;
        return *MakeH264Clip(options);
    }();
    return clip;
}

}  // namespace

std::filesystem::path FreshFolder(const std::string& name) {
    const auto dir =
        std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

TestRecording::TestRecording(const std::string& folder, const std::string& user,
                             const std::string& sid, const std::string& start, int cutSeconds,
                             RecordingEvents* events, CameraRecorder::SinkFactory sinks)
    : startMs_(*archive::ParseTimeText(start)),
      recorder_(notifier_, [this] {
          const time_t at =
              static_cast<time_t>((startMs_ + int64_t(tick_) * kFramePeriodMs) / 1000);
          std::tm t{};
          gmtime_r(&at, &t);  // local milliseconds count the local time as if it were UTC
          return t;
      }, std::move(sinks)) {
    recorder_.SetEvents(events);
    const H264Clip& clip = Clip();
    CameraRecorder::View view;
    view.folder = folder;
    view.user = user;
    view.sid = sid;
    view.fileLength = std::chrono::milliseconds(cutSeconds * 1000);
    view.framePeriodMs = kFramePeriodMs;
    view.track = {clip.width, clip.height, ParameterSets(clip.sps), ParameterSets(clip.pps), 3600};
    recorder_.BeginView(view);
}

void TestRecording::Record(int seconds) {
    const H264Clip& clip = Clip();
    for (const int end = tick_ + seconds * 1000 / kFramePeriodMs; tick_ < end; ++tick_) {
        recorder_.Upkeep(record_);
        auto& picture = clip.frames[static_cast<std::size_t>(tick_) % clip.frames.size()];
        // The recorder only copies the frame; its time value is the stream's milliseconds.
        const FrameRing::Frame frame{const_cast<uint8_t*>(picture.bytes.data()),
                                     picture.bytes.size(),
                                     picture.key,
                                     static_cast<uint32_t>(tick_),
                                     static_cast<uint32_t>(startMs_ + tick_ * kFramePeriodMs),
                                     0};
        recorder_.WriteFrame(frame, record_);
        // The writer keeps up, as on a disk that is fast enough: each tick sees what became of
        // the frames before, and the file on disk holds every complete fragment.
        recorder_.Flush(std::chrono::seconds(20));
    }
}

void TestRecording::End() {
    // The tick after the last frame sees what the writer did with it (a failed write stops the
    // recording), then the view stops and its file is finished.
    recorder_.Upkeep(record_);
    recorder_.EndView();
    recorder_.Flush(std::chrono::seconds(20));
}

std::vector<std::filesystem::path> TestRecording::Files() const {
    std::vector<std::filesystem::path> files;
    for (const auto& f : recorder_.Files()) files.push_back(f.path);
    return files;
}

std::vector<std::filesystem::path> RecordFiles(const std::string& folder, const std::string& user,
                                               const std::string& sid, const std::string& start,
                                               int seconds, int cutSeconds,
                                               RecordingEvents* events,
                                               CameraRecorder::SinkFactory sinks, bool* recording) {
    TestRecording r(folder, user, sid, start, cutSeconds, events, std::move(sinks));
    r.Record(seconds);
    r.End();
    if (recording) *recording = r.Recording();
    return r.Files();
}

}  // namespace nimbrel::test
