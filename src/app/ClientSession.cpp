#include "app/ClientSession.h"

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/MediaSettings.h"
#include "settings/RetentionSetting.h"

namespace nimbrel {

// The live context is an aggregate whose time limits keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
ClientSession::ClientSession(Parts parts)
    : g_(parts.g),
      app_(parts.app),
      notifier_(parts.notifier),
      lan_(parts.lan),
      http_(parts.http),
      recovery_(parts.g, parts.app, SessionRecovery::Options{.http = parts.http}),
      canvas_(parts.layout),
      archive_(archive::ArchiveKeeper::Options{
          .database = archive::ArchiveKeeper::DatabaseFor(parts.app.m_ConfigPath),
          .user = std::string(GetText(parts.app.m_UserName)),
          .limits =
              [&app = parts.app] {
                  const MediaSettings s = ReadMediaSettings(app);
                  return RetentionFromSettings(s.archiveDays, s.archiveSize);
              }}),
      live_{.g = parts.g,
            .app = parts.app,
            .notifier = parts.notifier,
            .panes = panes_,
            .http = parts.http,
            .session = &recovery_,
            .recordings = &archive_},
      tree_(list_, parts.app.m_ConfigPath),
      refresher_(DeviceRefresher::Parts{Service(), list_, lan_, LanOptions(), tree_, thumbnails_,
                                        [this] { NotifyTreeChanged(); }}) {
    list_.SetRecordFactory([this] { return std::make_unique<CCamera>(live_); });
    recovery_.SetListener([this](SessionRecovery::State state) { OnServiceState(state); });
    // The index is brought in step with the recording folder on its own thread.
    std::string error;
    if (!parts.app.m_ConfigPath.empty() && archive_.Start(error))
        archive_.SetFolder(ReadMediaSettings(parts.app).videoPath);
    else if (!error.empty())
        NLOG_DEBUG("archive: no index: " << error);
}
#pragma GCC diagnostic pop

ClientSession::~ClientSession() {
    refresher_.Stop();
    ShutdownCameras();
    recovery_.SetListener({});
}

HttpOptions ClientSession::ServiceHttp() {
    HttpOptions http = http_;
    http.session = &recovery_;
    return http;
}

void ClientSession::SetServiceStateChanged(std::function<void(bool)> changed) {
    std::lock_guard guard(serviceListenerLock_);
    serviceChanged_ = std::move(changed);
}

void ClientSession::SetSessionEnded(std::function<void()> ended) {
    std::lock_guard guard(serviceListenerLock_);
    sessionEnded_ = std::move(ended);
}

void ClientSession::OnServiceState(SessionRecovery::State state) {
    const bool connected = state == SessionRecovery::State::Connected;
    if (!connected) {
        // Nothing is known of the devices while the service cannot be asked; the refresh that
        // follows the reconnection brings their states back.
        for (int i = 0; i < list_.Count(); ++i)
            if (DeviceRecord* device = list_.At(i)) device->status = 0;
        NotifyTreeChanged();
    }
    std::function<void(bool)> changed;
    std::function<void()> ended;
    {
        std::lock_guard guard(serviceListenerLock_);
        changed = serviceChanged_;
        ended = sessionEnded_;
    }
    if (state == SessionRecovery::State::Ended) {
        if (ended) ended();
    } else if (changed) {
        changed(connected);
    }
}

LanDiscovery::Options ClientSession::LanOptions() const {
    LanDiscovery::Options options;
    options.localIp = GetText(g_.m_LocalIp);
    options.localMask = GetText(g_.m_LocalMask);
    return options;
}

CCamera* ClientSession::Camera(int index) const {
    return dynamic_cast<CCamera*>(list_.At(index));
}

void ClientSession::ShutdownCameras() {
    std::vector<CCamera*> cameras;
    for (int i = 0; i < list_.Count(); ++i) cameras.push_back(Camera(i));
    nimbrel::ShutdownCameras(cameras);
}

void ClientSession::NotifyTreeChanged() const {
    if (treeChanged_) treeChanged_();
}

}  // namespace nimbrel
