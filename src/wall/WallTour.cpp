#include "wall/WallTour.h"

#include <algorithm>

namespace nimbrel {

int WallTour::ClampInterval(int seconds) {
    return std::clamp(seconds, kMinSeconds, kMaxSeconds);
}

WallTour::WallTour(CCanvas& canvas) : canvas_(canvas) {}

WallTour::~WallTour() {
    Cool();
}

WallTour::Settings WallTour::Current() const {
    return {intervalSeconds_, group_, running_};
}

void WallTour::SetInterval(int seconds, Clock::time_point now) {
    intervalSeconds_ = ClampInterval(seconds);
    if (running_) due_ = now + std::chrono::seconds(intervalSeconds_);
}

void WallTour::SetSource(std::optional<int32_t> group, std::vector<const PaneOwner*> cameras) {
    group_ = group;
    cameras_ = group ? std::move(cameras) : std::vector<const PaneOwner*>{};
}

void WallTour::Start(Clock::time_point now) {
    running_ = true;
    pausedByUser_ = false;
    wasPaused_ = false;
    shownPage_ = canvas_.CurrentPage();
    due_ = now + std::chrono::seconds(intervalSeconds_);
}

void WallTour::Stop() {
    running_ = false;
    pausedByUser_ = false;
    Cool();
}

void WallTour::TogglePause(Clock::time_point now) {
    if (!running_) return;
    pausedByUser_ = !pausedByUser_;
    Step(now);
}

bool WallTour::Paused() const {
    if (!running_) return false;
    if (pausedByUser_ || canvas_.MovingPane() >= 0) return true;
    const auto panes = canvas_.Panes();
    return std::any_of(panes.begin(), panes.end(), [](const PaneState& p) { return p.maximised; });
}

void WallTour::Cool() {
    if (warming_) canvas_.SetWarmPage(-1);
    warming_ = false;
}

void WallTour::Step(Clock::time_point now) {
    if (!running_) return;
    const std::chrono::seconds interval(intervalSeconds_);
    if (Paused()) {
        wasPaused_ = true;
        Cool();
        return;
    }
    const int current = canvas_.CurrentPage();
    // Back from a pause, or the page was turned by hand (or a layout change showed page 0):
    // the page shown gets a whole interval.
    if (wasPaused_ || current != shownPage_) {
        wasPaused_ = false;
        shownPage_ = current;
        due_ = now + interval;
        Cool();
    }
    const int next = NextPage();
    if (next < 0 || next == current) {
        // Nothing else to show: the count goes round, and a page that comes later starts it.
        Cool();
        if (now >= due_) due_ = now + interval;
        return;
    }
    if (now >= due_) {
        Cool();
        canvas_.ShowPage(next);
        shownPage_ = canvas_.CurrentPage();
        due_ += interval;
        if (due_ <= now) due_ = now + interval;
        return;
    }
    if (due_ - now <= kWarmLead && (!warming_ || canvas_.WarmPage() != next)) {
        canvas_.SetWarmPage(next);
        warming_ = true;
    }
}

std::optional<int> WallTour::SecondsLeft(Clock::time_point now) const {
    if (!running_ || Paused()) return std::nullopt;
    const auto left = std::chrono::ceil<std::chrono::seconds>(due_ - now).count();
    return static_cast<int>(std::clamp<long long>(left, 0, intervalSeconds_));
}

std::vector<int> WallTour::Pages() const {
    std::vector<int> pages;
    if (!group_) {
        for (int page = 0, n = canvas_.PageCount(); page < n; ++page) pages.push_back(page);
        return pages;
    }
    for (const PaneOwner* camera : cameras_)
        if (const int page = camera->m_nPage; page >= 0) pages.push_back(page);
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    return pages;
}

int WallTour::NextPage() const {
    const std::vector<int> pages = Pages();
    if (pages.empty()) return -1;
    const int current = canvas_.CurrentPage();
    const auto after = std::upper_bound(pages.begin(), pages.end(), current);
    return after == pages.end() ? pages.front() : *after;
}

}  // namespace nimbrel
