#include "app/ClientSession.h"

#include "platform/FixedText.h"

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
      canvas_(parts.layout),
      live_{.g = parts.g,
            .app = parts.app,
            .notifier = parts.notifier,
            .panes = panes_,
            .http = parts.http},
      tree_(list_, parts.app.m_ConfigPath),
      refresher_(DeviceRefresher::Parts{Service(), list_, lan_, LanOptions(), tree_, thumbnails_,
                                        [this] { NotifyTreeChanged(); }}) {
    list_.SetRecordFactory([this] { return std::make_unique<CCamera>(live_); });
}
#pragma GCC diagnostic pop

ClientSession::~ClientSession() {
    refresher_.Stop();
    ShutdownCameras();
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
    for (int i = 0; i < list_.Count(); ++i)
        if (CCamera* camera = Camera(i)) camera->Shutdown();
}

void ClientSession::NotifyTreeChanged() const {
    if (treeChanged_) treeChanged_();
}

}  // namespace nimbrel
