#include "WallUser.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>

#include "LiveWallMeasure.h"

namespace nimbrel::bench {

Viewer::Viewer(CCanvas& canvas) : canvas_(canvas) {
    for (int i = 0; i < CCanvas::kPanes; ++i)
        canvas_.Surface(i)->SetWakeup([this, i] {
            pending_.fetch_or(uint64_t{1} << i);
            wake_.notify_one();
        });
    thread_ = std::thread([this] { Run(); });
}

Viewer::~Viewer() {
    {
        std::lock_guard guard(lock_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
    for (int i = 0; i < CCanvas::kPanes; ++i) canvas_.Surface(i)->SetWakeup({});
}

void Viewer::Run() {
    pthread_setname_np(pthread_self(), "viewer");
    std::unique_lock guard(lock_);
    while (!stop_) {
        wake_.wait_for(guard, std::chrono::milliseconds(100));
        const uint64_t panes = pending_.exchange(0);
        if (panes == 0) continue;
        guard.unlock();
        for (int i = 0; i < CCanvas::kPanes; ++i) {
            if (!(panes & (uint64_t{1} << i))) continue;
            PaneSurface& surface = *canvas_.Surface(i);
            surface.Rearm();
            surface.ReadFront([this](const PanePicture& p) {
                if (!p.Whole()) return;
                // One byte of each cache line, as a blit would touch them.
                unsigned sum = 0;
                for (std::size_t at = 0; at < p.bgrx.size(); at += 64) sum += p.bgrx[at];
                checksum_ += sum;
                ++taken_;
            });
        }
        guard.lock();
    }
}

std::vector<double> TurnEveryPage(CCanvas& canvas, const std::vector<CCamera*>& cameras) {
    std::vector<double> turns;
    const int pages = canvas.PageCount();
    for (int turn = 0; turn < pages; ++turn) {
        const int next = (canvas.CurrentPage() + 1) % pages;
        std::vector<std::pair<PaneSurface*, uint64_t>> watched;
        for (CCamera* camera : cameras)
            if (camera->m_nPage == next)
                if (PaneSurface* surface = canvas.SurfaceOf(*camera))
                    watched.emplace_back(surface, surface->Published());
        const double start = MonotonicSeconds();
        if (!canvas.NextPage()) break;
        auto allNew = [&] {
            return std::all_of(watched.begin(), watched.end(),
                               [](const auto& w) { return w.first->Published() > w.second; });
        };
        while (!allNew() && MonotonicSeconds() - start < 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        turns.push_back((MonotonicSeconds() - start) * 1000);
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    return turns;
}

}  // namespace nimbrel::bench
