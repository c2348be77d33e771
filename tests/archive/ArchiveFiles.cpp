#include "ArchiveFiles.h"

#include <unistd.h>

#include "H264Clip.h"
#include "RecordingNotifier.h"
#include "archive/LocalTime.h"
#include "platform/DurableFile.h"

namespace nimbrel::test {
namespace {

ParameterSetRecord Record(const std::vector<uint8_t>& nal) {
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

std::vector<std::filesystem::path> RecordFiles(const std::string& folder, const std::string& user,
                                               const std::string& sid, const std::string& start,
                                               int seconds, int cutSeconds,
                                               RecordingEvents* events,
                                               CameraRecorder::SinkFactory sinks, bool* recording) {
    const int64_t startMs = *archive::ParseTimeText(start);
    int tick = 0;
    RecordingNotifier notifier;
    CameraRecorder recorder(notifier, [&] {
        const time_t at = static_cast<time_t>((startMs + int64_t(tick) * kFramePeriodMs) / 1000);
        std::tm t{};
        gmtime_r(&at, &t);  // local milliseconds count the local time as if it were UTC
        return t;
    }, std::move(sinks));
    recorder.SetEvents(events);
    const H264Clip& clip = Clip();
    CameraRecorder::View view;
    view.folder = folder;
    view.user = user;
    view.sid = sid;
    view.fileLength = std::chrono::milliseconds(cutSeconds * 1000);
    view.framePeriodMs = kFramePeriodMs;
    view.track = {clip.width, clip.height, Record(clip.sps), Record(clip.pps), 3600};
    recorder.BeginView(view);
    std::atomic<int> record{1};
    for (tick = 0; tick < seconds * 1000 / kFramePeriodMs; ++tick) {
        recorder.Upkeep(record);
        auto& picture = clip.frames[static_cast<std::size_t>(tick) % clip.frames.size()];
        // The recorder only copies the frame.
        const FrameRing::Frame frame{const_cast<uint8_t*>(picture.bytes.data()),
                                     picture.bytes.size(),
                                     picture.key,
                                     static_cast<uint32_t>(tick),
                                     static_cast<uint32_t>(startMs + tick * kFramePeriodMs),
                                     0};
        recorder.WriteFrame(frame, record);
        // The writer keeps up, as on a disk that is fast enough: each tick sees what became of
        // the frames before.
        recorder.Flush(std::chrono::seconds(20));
    }
    recorder.Upkeep(record);
    if (recording) *recording = record != 0;
    recorder.EndView();
    recorder.Flush(std::chrono::seconds(20));
    std::vector<std::filesystem::path> files;
    for (const auto& f : recorder.Files()) files.push_back(f.path);
    return files;
}

}  // namespace nimbrel::test
