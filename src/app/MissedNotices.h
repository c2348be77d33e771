// What of the wall's troubles goes to the desktop's notifications while the main window is out of
// sight (hidden in the tray or minimised): a camera that was playing and has been down (its view
// failed, or its device went offline) for a minute without coming back, a recording the disk
// stopped, and the session that ended. Each at most once per camera in five minutes: a camera
// still down when its five minutes are over is told then. A camera that goes down while the
// window is in sight, and is still down when its minute is up and the window still in sight, was
// seen and is not told. The window looks at every camera once a second and passes the time, so
// a test drives this with a clock of its own. Qt-free.
// Threading: one thread at a time (the UI thread).
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

class MissedNotices {
  public:
    using Clock = std::chrono::steady_clock;

    struct Limits {
        std::chrono::milliseconds grace = std::chrono::minutes(1);  // down this long: told
        std::chrono::milliseconds perCamera = std::chrono::minutes(5);
    };

    // What a look at a camera found.
    enum class Look {
        Playing,
        Connecting,  // started, or started again after a failure
        Failed,
        Offline,  // its view is not playing and its device is offline
        Ended,    // no view (stopped by the user, or never started)
    };

    enum class Kind { CameraFailed, CameraOffline, RecordingStopped, SignedOut };
    struct Notice {
        Kind kind = Kind::CameraFailed;
        std::string sid;   // empty for the session
        std::string name;  // the camera's name as the tree shows it
        friend bool operator==(const Notice&, const Notice&) = default;
    };

    MissedNotices();
    explicit MissedNotices(Limits limits) : limits_(limits) {}

    // One look at a camera.
    void Observe(const std::string& sid, const std::string& name, Look look, Clock::time_point now);
    // The cameras whose minute is up; told only when `outOfSight` (the window hidden or
    // minimised, and the notifications switched on).
    std::vector<Notice> Due(bool outOfSight, Clock::time_point now);
    // The disk stopped a camera's recording: a notice when it is to be told now.
    std::optional<Notice> RecordingStopped(const std::string& sid, const std::string& name,
                                           bool outOfSight, Clock::time_point now);
    // The service ended the session: a notice when it is to be told now.
    std::optional<Notice> SignedOut(bool outOfSight, Clock::time_point now);

  private:
    struct Camera {
        std::string name;
        Look last = Look::Ended;
        std::optional<Clock::time_point> downSince;  // went down after playing
        bool offline = false;  // the latest look of the trouble found the device offline
        bool settled = false;  // this trouble was told, or seen in the window
        int endedLooks = 0;    // looks in a row that found no view
    };
    // False within the five minutes after the last notice of `key`; marks it told otherwise.
    bool Allow(const std::string& key, Clock::time_point now);

    const Limits limits_;
    std::map<std::string, Camera> cameras_;
    std::map<std::string, Clock::time_point> told_;  // by camera and kind of notice
};

}  // namespace nimbrel
