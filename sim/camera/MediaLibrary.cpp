#include "camera/MediaLibrary.h"

#include "camera/AacToneEncoder.h"
#include "camera/H264ClipEncoder.h"
#include "camera/SpeexToneEncoder.h"

namespace nimbrel::sim {
namespace {

// Finds the clip's future or, for the first asker, makes it with `make` outside the lock.
template <typename Key, typename R, typename Make>
R Cached(std::mutex& lock, std::map<Key, std::shared_future<R>>& cache, int& encodings,
         const Key& key, Make make) {
    std::promise<R> promise;
    std::shared_future<R> future;
    bool mine = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        auto found = cache.find(key);
        if (found == cache.end()) {
            future = promise.get_future().share();
            cache.emplace(key, future);
            ++encodings;
            mine = true;
        } else {
            future = found->second;
        }
    }
    if (mine) promise.set_value(make());
    return future.get();
}

}  // namespace

MediaLibrary::VideoResult MediaLibrary::Video(const VideoClipKey& key) {
    return Cached(lock_, video_, encodings_, key, [&]() {
        auto clip = H264ClipEncoder::Encode(key);
        if (!clip) return VideoResult::Fail(clip.error());
        return VideoResult::Ok(std::make_shared<const VideoClip>(std::move(clip.value())));
    });
}

MediaLibrary::AudioResult MediaLibrary::Audio(const AudioClipKey& asked) {
    if (asked.kind == AudioKind::None) return AudioResult::Fail("this camera has no audio");
    AudioClipKey key = asked;
    if (key.kind == AudioKind::Speex) key.sampleRate = 8000;  // narrowband only
    return Cached(lock_, audio_, encodings_, key, [&]() {
        auto clip = key.kind == AudioKind::Aac ? AacToneEncoder::Encode(key.sampleRate, key.toneHz)
                                               : SpeexToneEncoder::Encode(key.toneHz);
        if (!clip) return AudioResult::Fail(clip.error());
        return AudioResult::Ok(std::make_shared<const AudioClip>(std::move(clip.value())));
    });
}

int MediaLibrary::Encodings() const {
    std::lock_guard<std::mutex> guard(lock_);
    return encodings_;
}

}  // namespace nimbrel::sim
