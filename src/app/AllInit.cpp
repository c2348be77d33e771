#include "app/AllInit.h"

#include <pthread.h>

#include "platform/Log.h"
#include "service/NetworkProbes.h"

namespace nimbrel {

AllInit::AllInit(ClientSession& session, Options options) : session_(session), options_(options) {}

AllInit::~AllInit() {
    Stop();
}

void AllInit::Start() {
    if (thread_.joinable()) return;
    thread_ = std::thread(&AllInit::Run, this);
}

void AllInit::Stop() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    cancel_ = true;
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool AllInit::WaitDone(std::chrono::milliseconds limit) {
    std::unique_lock lock(lock_);
    return wake_.wait_for(lock, limit, [this] { return done_; });
}

bool AllInit::PlaysAutomatically(const DeviceRecord& device) {
    return device.status == 1 && device.lock != 1;
}

bool AllInit::Pause(std::chrono::milliseconds gap) {
    std::unique_lock lock(lock_);
    return !wake_.wait_for(lock, gap, [this] { return stopping_; });
}

void AllInit::Finish(Stage stage) {
    stage_ = stage;
    {
        std::lock_guard guard(lock_);
        done_ = true;
    }
    wake_.notify_all();
}

void AllInit::Run() {
    pthread_setname_np(pthread_self(), "all-init");
    NLOG_DEBUG("NimbrelDlg::AllInit");
    stage_ = Stage::Loading;

    DeviceServiceContext service = session_.Service();
    service.http.cancel = &cancel_;
    // In turn with a manual refresh the user may already have asked for.
    session_.Refresher().FirstLoad(service, [](DeviceRecord& device) {
        if (auto* camera = dynamic_cast<CCamera*>(&device)) camera->m_bRecord = 1;
    });
    if (cancel_) return Finish(Stage::Failed);
    stage_ = Stage::Filled;
    session_.NotifyTreeChanged();
    session_.Refresher().StartPeriodic(options_.refreshPeriod);

    const bool networkFine = WaitForUdpProbe(session_.Settings(), session_.Notifier());
    stage_ = Stage::ProbeWaited;
    if (!networkFine || cancel_) return Finish(Stage::Done);

    if (session_.App().AutoPlay) {
        stage_ = Stage::Playing;
        DeviceList& list = session_.List();
        for (int i = 0; i < list.Count(); ++i) {
            CCamera* camera = session_.Camera(i);
            if (!camera || !PlaysAutomatically(*camera)) continue;
            camera->CameraStart();
            if (!Pause(options_.playGap)) break;
        }
    }
    Finish(Stage::Done);
}

}  // namespace nimbrel
