// The main window's side of the desktop notifications: once a second it looks at every camera
// (its view, its device, whether the disk stopped its recording), and sends to the desktop's
// notification service what MissedNotices finds due while the window is out of sight and the
// account's setting "DesktopNotices" allows it. The session's end is told once when it comes.
// A click on a camera's notification comes back from the service as that camera's id.
// Threading: the UI thread.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>

#include "app/ClientSession.h"
#include "app/MissedNotices.h"

namespace nimbrel {

class DesktopNotifications;

class DesktopNotices : public QObject {
    Q_OBJECT
  public:
    static constexpr int kLookMs = 1000;

    // `service` null: nothing is sent (the looks still run, so nothing piles up). `outOfSight`
    // says whether the window is hidden or minimised now.
    DesktopNotices(ClientSession& session, DesktopNotifications* service,
                   std::function<bool()> outOfSight, MissedNotices::Limits limits = {},
                   QObject* parent = nullptr);

    // Looks at every camera now (the timer does it once a second).
    void Look();
    // The service ended the session; `outOfSight` as the window was before it went.
    void SignedOut(bool outOfSight);
    // How many notifications were handed to the service.
    int Sent() const { return sent_; }

  private:
    bool MayTell() const;
    void Send(const MissedNotices::Notice& notice);

    ClientSession& session_;
    DesktopNotifications* service_;
    std::function<bool()> outOfSight_;
    MissedNotices decisions_;
    QTimer timer_;
    // By device index: its recording flag and failed file openings at the last look.
    struct RecordingLook {
        bool on = false;
        uint64_t openFailures = 0;
    };
    std::map<int, RecordingLook> recordings_;
    int sent_ = 0;
};

}  // namespace nimbrel
