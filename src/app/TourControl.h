// The tour of one wall window: its WallTour, the timer that steps it, the tour file, the menu of
// the tour button (start, pause, interval, what to show) and the countdown's text. The window
// places the button and the countdown and hands T and Space on; a second wall window has a
// control of its own (its own number in the tour file).
// Threading: the UI thread.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "wall/WallTour.h"

class QWidget;

namespace nimbrel {

class TourControl : public QObject {
    Q_OBJECT
  public:
    static constexpr int kStepMs = 100;
    // The intervals the menu offers; any other of 5…300 s comes from "Другой интервал…".
    static constexpr int kMenuIntervals[] = {5, 10, 15, 30, 60, 120, 300};

    // What a group tour needs of the window: the group's cameras, their views started and their
    // panes taken. Not ready while the device list is still being loaded and played.
    struct GroupCameras {
        bool ready = true;
        bool exists = false;
        std::vector<const PaneOwner*> cameras;
    };
    using OpenGroup = std::function<GroupCameras(int32_t gid)>;
    struct Group {
        int32_t gid = 0;
        QString name;
    };
    using ListGroups = std::function<std::vector<Group>()>;

    // `file` empty: nothing is stored. `wall` is the wall's number in the file.
    TourControl(CCanvas& canvas, std::filesystem::path file, int wall, OpenGroup openGroup,
                ListGroups listGroups, QObject* parent = nullptr);

    // The tour as stored, started when it ran at the last exit or when `start` asks for it.
    void Restore(bool start);
    void Toggle();
    void Start();
    void Stop();
    // Space: false when no tour runs (the key then stays the focused control's).
    bool TogglePause();
    // Holds a running tour (the user went to look at a camera).
    void Pause();
    void SetInterval(int seconds);
    // Tours the group's cameras (none: every page of the wall) and starts the tour.
    void TourGroup(std::optional<int32_t> gid);

    bool Running() const { return tour_.Running(); }
    bool Paused() const { return tour_.Paused(); }
    const WallTour& Tour() const { return tour_; }
    // "8 с" to the next page, "пауза", or empty while no tour runs.
    QString CountdownText() const;
    // The tour button's tooltip for the tour's state.
    QString ButtonTip() const;
    // The tour button's menu at `globalPos`.
    void ShowMenu(const QPoint& globalPos, QWidget* parent);

  signals:
    // Started, stopped, paused, or the countdown's text changed.
    void Changed();

  private:
    void Step();
    void Save() const;
    // A group tour takes its cameras once the window can give them; false while it cannot yet.
    bool TakeGroup();
    void AskInterval(QWidget* parent);
    void NoteChange();

    CCanvas& canvas_;
    const std::filesystem::path file_;
    const int wall_;
    OpenGroup openGroup_;
    ListGroups listGroups_;
    WallTour tour_;
    QTimer timer_;
    bool groupPending_ = false;  // the group's cameras are still to be taken
    QString shownText_;          // the countdown as last announced
    bool shownRunning_ = false;
};

}  // namespace nimbrel
