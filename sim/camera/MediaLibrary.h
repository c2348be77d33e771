// The media of one simulator run, each clip made once and shared: H.264 clips by size, frame
// period, bit rate and GOP; audio clips by kind and sample rate. A second asker for a clip
// being made waits for the first one's result instead of encoding it again.
// Threading: every method may be called from any thread.
#pragma once

#include <future>
#include <map>
#include <memory>
#include <mutex>

#include "Result.h"
#include "camera/MediaClips.h"

namespace nimbrel::sim {

class MediaLibrary {
  public:
    using VideoResult = Result<std::shared_ptr<const VideoClip>>;
    using AudioResult = Result<std::shared_ptr<const AudioClip>>;

    // Blocks while the clip is being made.
    VideoResult Video(const VideoClipKey& key);
    // AudioKind::None has no clip and fails.
    AudioResult Audio(const AudioClipKey& key);

    // How many clips were encoded (not found made), for tests of the cache.
    int Encodings() const;

  private:
    mutable std::mutex lock_;
    std::map<VideoClipKey, std::shared_future<VideoResult>> video_;
    std::map<AudioClipKey, std::shared_future<AudioResult>> audio_;
    int encodings_ = 0;
};

}  // namespace nimbrel::sim
