#include "app/MissedNotices.h"

namespace nimbrel {
namespace {

// The limit keys: a camera's view and its recording are told apart; its failure and its going
// offline are one trouble.
std::string ViewKey(const std::string& sid) {
    return "view:" + sid;
}

}  // namespace

MissedNotices::MissedNotices() : MissedNotices(Limits{}) {}

void MissedNotices::Observe(const std::string& sid, const std::string& name, Look look,
                            Clock::time_point now) {
    Camera& camera = cameras_[sid];
    camera.name = name;
    switch (look) {
        case Look::Playing:
            camera.downSince.reset();
            camera.endedLooks = 0;
            break;
        case Look::Connecting:
        case Look::Failed:
        case Look::Offline:
            camera.endedLooks = 0;
            if (!camera.downSince && camera.last == Look::Playing) {
                camera.downSince = now;
                camera.settled = false;
            }
            camera.offline = look == Look::Offline;
            break;
        case Look::Ended:
            // A retry stops the view for a moment before it starts it again: only a view that
            // stays ended was stopped on purpose.
            if (++camera.endedLooks >= 2) camera.downSince.reset();
            break;
    }
    // A moment without a view between a failure and its retry does not end the trouble.
    if (look != Look::Ended || camera.endedLooks >= 2) camera.last = look;
}

std::vector<MissedNotices::Notice> MissedNotices::Due(bool outOfSight, Clock::time_point now) {
    std::vector<Notice> due;
    for (auto& [sid, camera] : cameras_) {
        if (!camera.downSince || camera.settled || now - *camera.downSince < limits_.grace)
            continue;
        if (!outOfSight) {
            camera.settled = true;  // the user has it in front of them
            continue;
        }
        if (!Allow(ViewKey(sid), now)) continue;  // told again once the five minutes are over
        camera.settled = true;
        due.push_back({camera.offline ? Kind::CameraOffline : Kind::CameraFailed, sid,
                       camera.name});
    }
    return due;
}

std::optional<MissedNotices::Notice> MissedNotices::RecordingStopped(const std::string& sid,
                                                                     const std::string& name,
                                                                     bool outOfSight,
                                                                     Clock::time_point now) {
    if (!outOfSight || !Allow("recording:" + sid, now)) return std::nullopt;
    return Notice{Kind::RecordingStopped, sid, name};
}

std::optional<MissedNotices::Notice> MissedNotices::SignedOut(bool outOfSight,
                                                              Clock::time_point now) {
    if (!outOfSight || !Allow("session", now)) return std::nullopt;
    return Notice{Kind::SignedOut, {}, {}};
}

bool MissedNotices::Allow(const std::string& key, Clock::time_point now) {
    const auto last = told_.find(key);
    if (last != told_.end() && now - last->second < limits_.perCamera) return false;
    told_[key] = now;
    return true;
}

}  // namespace nimbrel
