#include "TourRun.h"

#include <algorithm>
#include <thread>

#include "LiveWallMeasure.h"
#include "wall/WallTour.h"

namespace nimbrel::bench {
namespace {

using Watched = std::vector<std::pair<PaneSurface*, uint64_t>>;

Watched PicturesOf(CCanvas& canvas, const std::vector<CCamera*>& cameras, int page) {
    Watched watched;
    for (CCamera* camera : cameras)
        if (camera->m_nPage == page)
            if (PaneSurface* surface = canvas.SurfaceOf(*camera))
                watched.emplace_back(surface, surface->Published());
    return watched;
}

bool AllNew(const Watched& watched) {
    return std::all_of(watched.begin(), watched.end(),
                       [](const auto& w) { return w.first->Published() > w.second; });
}

}  // namespace

std::vector<double> RunTour(CCanvas& canvas, const std::vector<CCamera*>& cameras, int switches,
                            std::chrono::seconds interval) {
    WallTour tour(canvas);
    tour.SetInterval(static_cast<int>(interval.count()), WallTour::Clock::now());
    tour.Start(WallTour::Clock::now());
    std::vector<double> times;
    Watched watched;
    double switchedAt = -1;
    const double end = MonotonicSeconds() + (switches + 0.5) * double(interval.count());
    while (static_cast<int>(times.size()) < switches && MonotonicSeconds() < end) {
        // The pictures of the page that comes next as they are before the switch, so that one
        // published right after it counts.
        const int next = tour.NextPage();
        const int before = canvas.CurrentPage();
        const Watched coming = switchedAt < 0 ? PicturesOf(canvas, cameras, next) : Watched{};
        tour.Step(WallTour::Clock::now());
        if (switchedAt < 0 && canvas.CurrentPage() != before) {
            switchedAt = MonotonicSeconds();
            watched = coming;
        }
        if (switchedAt >= 0) {
            const double waited = MonotonicSeconds() - switchedAt;
            if (AllNew(watched) || waited >= 10) {
                times.push_back(waited * 1000);
                switchedAt = -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    tour.Stop();
    return times;
}

}  // namespace nimbrel::bench
