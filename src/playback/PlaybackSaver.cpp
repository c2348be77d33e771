#include "playback/PlaybackSaver.h"

#include <system_error>

#include "platform/DurableFile.h"
#include "platform/Log.h"

namespace nimbrel {

namespace fs = std::filesystem;

bool PlaybackSaver::Begin(const fs::path& file, const Mp4Writer::Track& track,
                          std::string& error) {
    Cancel();
    std::lock_guard guard(lock_);
    file_ = file;
    part_.clear();
    frames_ = 0;
    firstMs_ = lastMs_ = 0;
    std::error_code ec;
    if (!file.parent_path().empty()) fs::create_directories(file.parent_path(), ec);
    fs::path part = file;
    part += ".part";
    std::unique_ptr<DurableFile> sink = DurableFile::Create(part, error);
    if (sink) part_ = sink->Path();
    auto writer = std::make_unique<Mp4Writer>();
    if (!sink || !writer->Open(std::move(sink), track, error)) {
        if (!part_.empty()) fs::remove(part_, ec);
        state_ = State::Failed;
        return false;
    }
    writer_ = std::move(writer);
    clock_.Restart(track.sampleDuration);
    state_ = State::Saving;
    return true;
}

void PlaybackSaver::OnFrame(uint8_t* frame, std::size_t size, bool key, uint32_t timeValueMs) {
    std::lock_guard guard(lock_);
    if (!writer_) return;
    // The file begins with a picture that decodes on its own.
    if (frames_ == 0 && !key) return;
    if (!writer_->WriteFrame(frame, size, key, clock_.Next(timeValueMs, 0))) {
        NLOG_DEBUG("playback saver: writing " << part_ << " failed");
        Drop();
        state_ = State::Failed;
        return;
    }
    if (frames_ == 0) firstMs_ = timeValueMs;
    lastMs_ = timeValueMs;
    ++frames_;
}

void PlaybackSaver::Drop() {
    writer_.reset();
    std::error_code ec;
    fs::remove(part_, ec);
}

bool PlaybackSaver::Finish() {
    std::lock_guard guard(lock_);
    if (!writer_) return false;
    const bool closed = writer_->Close();
    writer_.reset();
    std::error_code ec;
    if (!closed || frames_ == 0) {
        fs::remove(part_, ec);
        state_ = frames_ == 0 ? State::Idle : State::Failed;
        return false;
    }
    fs::rename(part_, file_, ec);
    if (ec) {
        fs::remove(part_, ec);
        state_ = State::Failed;
        return false;
    }
    state_ = State::Idle;
    return true;
}

void PlaybackSaver::Cancel() {
    std::lock_guard guard(lock_);
    if (!writer_) return;
    Drop();
    state_ = State::Idle;
}

}  // namespace nimbrel
