// What every stream connection of a simulator run shares: the control-message key, the log,
// the media, the rule of who may view a camera, and the run's stop flag.
// Threading: set up before any server starts, then only read; `mayView` must be thread-safe.
#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace nimbrel::sim {

class MediaLibrary;
class RequestLog;

struct StreamContext {
    std::string keyValue;           // the service's 4-character key prefix
    RequestLog* log = nullptr;      // may be null
    MediaLibrary* media = nullptr;  // required
    // True when account `user` may view camera `sid`; empty: everybody may.
    std::function<bool(const std::string& sid, const std::string& user)> mayView;
    const std::atomic<bool>* stop = nullptr;  // required
};

}  // namespace nimbrel::sim
