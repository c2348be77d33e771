#include "archive/ArchivePlayer.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <pthread.h>

#include <cmath>

#include "archive/ArchiveSpans.h"
#include "media/WholePicture.h"
#include "platform/Log.h"

namespace nimbrel::archive {
namespace {

using namespace std::chrono;

// A frame this late is decoded but not converted, so that the player catches up.
constexpr auto kLateLimit = milliseconds(500);
// The longest wait of the player's thread without looking at its requests.
constexpr auto kWaitStep = milliseconds(200);
// A frame interval above this is a pause in the recording, not the frame rate.
constexpr int64_t kLongestFrameMs = 5000;

}  // namespace

ArchivePlayer::ArchivePlayer(ArchiveIndex& index) : index_(index) {
    surface_.Assign(&owner_);
}

ArchivePlayer::~ArchivePlayer() {
    Stop();
}

void ArchivePlayer::SetFrameObserver(FrameObserver observer) {
    observer_ = std::move(observer);
}

void ArchivePlayer::Play(const std::filesystem::path& root, const std::string& sid,
                         int64_t fromMs) {
    Stop();
    root_ = root;
    sid_ = sid;
    {
        std::lock_guard guard(lock_);
        request_ = {};
        request_.seekMs = fromMs;
        request_.speed = speedShown_.load();
        stopping_ = false;
    }
    state_ = kPlaying;
    thread_ = std::thread([this] { Run(); });
}

void ArchivePlayer::Post(const std::function<void(Request&)>& change) {
    {
        std::lock_guard guard(lock_);
        change(request_);
    }
    wake_.notify_all();
}

void ArchivePlayer::Seek(int64_t timeMs) {
    positionMs_ = timeMs;
    Post([timeMs](Request& r) { r.seekMs = timeMs; });
}

void ArchivePlayer::Pause() {
    Post([](Request& r) { r.pause = true; });
}

void ArchivePlayer::Resume() {
    Post([](Request& r) { r.pause = false; });
}

void ArchivePlayer::StepFrame() {
    Post([](Request& r) { r.step = true; });
}

void ArchivePlayer::SetSpeed(double speed) {
    double nearest = kSpeeds[0];
    for (const double s : kSpeeds)
        if (std::fabs(s - speed) < std::fabs(nearest - speed)) nearest = s;
    speedShown_ = nearest;
    Post([nearest](Request& r) { r.speed = nearest; });
}

double ArchivePlayer::Speed() const {
    return speedShown_;
}

std::string ArchivePlayer::CurrentFile() const {
    std::lock_guard guard(fileLock_);
    return currentFile_;
}

void ArchivePlayer::Stop() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    reader_.Close();
    decoder_.Close();
    scaler_.Reset();
    files_.clear();
    // The pictures of this playing go; the player takes the surface again at once.
    surface_.Assign(nullptr);
    surface_.Assign(&owner_);
    state_ = kIdle;
}

bool ArchivePlayer::OpenFile(std::size_t file, std::optional<int64_t> seekMs) {
    const FileRow& row = files_[file];
    std::string error;
    // A file being written is read as far as it goes; another one as far as it is whole.
    const uint64_t valid = row.state == RecordingState::Open ? 0 : row.validBytes;
    if (!reader_.Open(row.path, valid, error)) {
        NLOG_DEBUG("archive player: " << row.path << ": " << error);
        return false;
    }
    if (seekMs) reader_.SeekTo(*seekMs);
    if (!decoder_.IsOpen() || seekMs) {
        if (!decoder_.Open({}, {}, reader_.Width(), reader_.Height())) return false;
    }
    file_ = file;
    lastTimestamp_ = INT64_MIN;
    ++counters_.filesOpened;
    std::lock_guard guard(fileLock_);
    currentFile_ = row.path;
    return true;
}

bool ArchivePlayer::OpenAt(int64_t timeMs) {
    reader_.Close();
    files_ = index_.Files(root_, sid_);
    std::erase_if(files_, [](const FileRow& r) { return !r.Playable(); });
    anchored_ = false;
    clockReset_ = true;
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const FileRow& row = files_[i];
        if (row.EndMs() <= timeMs) continue;
        const int64_t offset = std::max<int64_t>(0, timeMs - row.startMs);
        if (!OpenFile(i, offset)) continue;
        seekTargetMs_ = std::max(timeMs, row.startMs);
        return true;
    }
    return false;
}

bool ArchivePlayer::NextPacket(AVPacket* packet) {
    for (;;) {
        if (reader_.IsOpen() && reader_.Next(packet)) return true;
        // The end of a file: the next one of the camera, found afresh (a file may have been
        // closed or made since).
        if (!files_.empty()) {
            const FileRow ended = files_[file_];
            files_ = index_.Files(root_, sid_, ended.startMs, INT64_MAX);
            std::erase_if(files_, [](const FileRow& r) { return !r.Playable(); });
            std::size_t next = 0;
            while (next < files_.size() && files_[next].startMs <= ended.startMs) ++next;
            if (next >= files_.size()) return false;
            // A recording cut in two goes on at the pace it had; after a pause in the recording
            // the next one starts at once.
            if (files_[next].startMs > ended.EndMs() + kJoinGapMs) anchored_ = false, clockReset_ = true;
            reader_.Close();
            if (!OpenFile(next, std::nullopt)) {
                files_.erase(files_.begin() + static_cast<long>(next));
                return false;
            }
            continue;
        }
        return false;
    }
}

void ArchivePlayer::ShowPacket(AVPacket* packet, bool show) {
    const std::size_t size = reader_.ToAnnexB(*packet, frame_, H264Decoder::kInputPadding);
    if (size == 0) return;
    const AVFrame* picture = decoder_.Decode(frame_.data(), size);
    if (!picture) return;
    ++counters_.framesDecoded;
    if (!show) return;
    if (PublishWholePicture(*picture, scaler_, picture_, surface_, owner_)) ++counters_.framesShown;
}

void ArchivePlayer::Run() {
    pthread_setname_np(pthread_self(), "arc-play");
    AVPacket* packet = av_packet_alloc();
    bool held = false;  // `packet` waits to be shown
    bool needKey = true;
    for (;;) {
        Request request;
        {
            std::unique_lock lock(lock_);
            const auto idle = [&] {
                const bool nothing = !request_.seekMs && !request_.pause && !request_.speed &&
                                     !request_.step;
                return nothing && (state_ == kEnded || state_ == kFailed ||
                                   (paused_ && stepsLeft_ == 0));
            };
            while (!stopping_ && idle()) wake_.wait_for(lock, kWaitStep);
            if (stopping_) break;
            request = request_;
            request_ = {};
        }
        if (request.speed) {
            speed_ = *request.speed;
            anchored_ = false;
        }
        if (request.pause) {
            paused_ = *request.pause;
            anchored_ = false;
            if (state_ == kPlaying || state_ == kPaused) state_ = paused_ ? kPaused : kPlaying;
        }
        if (request.step && paused_) ++stepsLeft_;
        if (request.seekMs) {
            if (held) av_packet_unref(packet);
            held = false;
            needKey = true;
            if (!OpenAt(*request.seekMs)) {
                state_ = kEnded;
                continue;
            }
            state_ = paused_ ? kPaused : kPlaying;
            // While paused, a jump shows the picture at its new place.
            if (paused_) stepsLeft_ = std::max(stepsLeft_, 1);
        }
        if (state_ == kEnded || state_ == kFailed) continue;
        if (paused_ && stepsLeft_ == 0) continue;

        if (!held) {
            if (!NextPacket(packet)) {
                state_ = kEnded;
                continue;
            }
            // After a jump the decoder starts at a key frame.
            if (needKey && !(packet->flags & AV_PKT_FLAG_KEY)) {
                av_packet_unref(packet);
                continue;
            }
            needKey = false;
            held = true;
        }
        const int64_t mediaMs = reader_.MsOf(packet->dts);
        const int64_t timeMs = files_[file_].startMs + mediaMs;
        const bool show = timeMs >= seekTargetMs_;
        bool late = false;
        if (show) {
            int64_t delta = lastTimestamp_ == INT64_MIN ? framePeriodMs_ : mediaMs - lastTimestamp_;
            if (delta <= 0 || delta > kLongestFrameMs) delta = framePeriodMs_;
            framePeriodMs_ = delta;
            // The clock runs on by the frame interval, except at a jump or after a pause in the
            // recording, where it starts again from where it was.
            const int64_t clock = clockReset_ ? clockMs_ : clockMs_ + delta;
            if (!anchored_) {
                anchor_ = steady_clock::now();
                anchorClockMs_ = clock;
                anchored_ = true;
            }
            if (!paused_) {
                const auto due = anchor_ + duration_cast<steady_clock::duration>(
                                               duration<double, std::milli>(
                                                   double(clock - anchorClockMs_) / speed_));
                std::unique_lock lock(lock_);
                const bool interrupted = wake_.wait_until(lock, due, [&] {
                    return stopping_ || request_.seekMs || request_.pause || request_.speed;
                });
                // A request came first: the frame waits for it.
                if (interrupted) continue;
                late = steady_clock::now() > due + kLateLimit;
            }
            clockMs_ = clock;
            clockReset_ = false;
        }
        lastTimestamp_ = mediaMs;
        held = false;
        ShowPacket(packet, show && !late);
        av_packet_unref(packet);
        if (show) {
            positionMs_ = timeMs;
            if (observer_) observer_(timeMs, clockMs_);
            if (paused_ && stepsLeft_ > 0) --stepsLeft_;
        }
    }
    if (held) av_packet_unref(packet);
    av_packet_free(&packet);
}

}  // namespace nimbrel::archive
