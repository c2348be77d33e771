// A tour of one wall: shows the wall's pages one after the other on a timer, or only the pages
// that hold a group's cameras (gathered onto the first pages when the tour starts). About a
// second before each switch the page that comes next is warmed up (CCanvas::SetWarmPage), so its
// pictures are live the moment it is shown. The user pauses it (Space); a pane maximised or being
// dragged pauses it too. After a pause, or a page turned by hand, the interval starts afresh.
// The window steps it several times a second with the time; the tour decides and switches.
// Threading: the UI thread (the canvas guards itself). One tour per wall.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "wall/CCanvas.h"

namespace nimbrel {

class WallTour {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kMinSeconds = 5;
    static constexpr int kMaxSeconds = 300;
    static constexpr int kDefaultSeconds = 10;
    // How long before a switch the next page starts decoding.
    static constexpr std::chrono::milliseconds kWarmLead{1000};

    // What a wall's tour keeps between runs of the program.
    struct Settings {
        int intervalSeconds = kDefaultSeconds;
        std::optional<int32_t> group;  // the group toured; none: every page of the wall
        bool running = false;
        friend bool operator==(const Settings&, const Settings&) = default;
    };
    // `seconds` within kMinSeconds … kMaxSeconds.
    static int ClampInterval(int seconds);

    explicit WallTour(CCanvas& canvas);
    // A warm page of this tour goes cold.
    ~WallTour();
    WallTour(const WallTour&) = delete;
    WallTour& operator=(const WallTour&) = delete;

    Settings Current() const;
    // Clamped; a running tour counts the new interval from `now`.
    void SetInterval(int seconds, Clock::time_point now);
    // What the tour shows: a group's cameras, in the group's order, or (no group) every page.
    // Takes effect at the next step.
    void SetSource(std::optional<int32_t> group, std::vector<const PaneOwner*> cameras);

    // The page shown now stays for an interval, then the next one comes.
    void Start(Clock::time_point now);
    void Stop();
    bool Running() const { return running_; }
    // Space: pauses a running tour, or lets a paused one go on.
    void TogglePause(Clock::time_point now);
    bool PausedByUser() const { return pausedByUser_; }
    // Running but standing still: paused by the user, or a pane is maximised or being dragged.
    bool Paused() const;

    // Warms up or switches when their time has come.
    void Step(Clock::time_point now);
    // Whole seconds to the next switch (rounded up) while the tour runs and is not paused.
    std::optional<int> SecondsLeft(Clock::time_point now) const;

    // The pages the tour shows, in order: every page of the wall, or those of the group's
    // cameras that hold a pane.
    std::vector<int> Pages() const;
    // The page after the one shown (the first, when the one shown is not a tour page); -1 when
    // the tour has no page.
    int NextPage() const;

  private:
    void Cool();

    CCanvas& canvas_;
    int intervalSeconds_ = kDefaultSeconds;
    std::optional<int32_t> group_;
    std::vector<const PaneOwner*> cameras_;
    bool running_ = false;
    bool pausedByUser_ = false;
    bool wasPaused_ = false;  // the last step found the tour paused
    int shownPage_ = -1;      // the page the tour last saw or showed
    bool warming_ = false;    // this tour set the canvas's warm page
    Clock::time_point due_{};
};

}  // namespace nimbrel
