// The archive window ("Архив записей"): the days with recordings, the 24-hour timeline of that
// day with a row per camera, the day's snapshots beside it, and a player with the playback
// window's controls (play and pause, ±10 s, ½ to 8 times the pace, a frame forward while paused,
// a click or drag on the timeline to move). A span marked on the timeline (Shift and a drag), or
// the minute from the played time, is saved as one MP4 file with progress and cancel; the file
// playing can be kept from retention. A thin view over the core's ArchiveKeeper, ArchivePlayer
// and ExportSpan.
// Threading: the UI thread; the player and the export run on threads of their own and are
// followed on a timer.
#pragma once

#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "archive/ArchiveExport.h"
#include "archive/ArchiveKeeper.h"
#include "archive/ArchivePlayer.h"
#include "widgets/FramedDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;

namespace nimbrel {

class ArchiveTimelineWidget;
class CPlaybkCanvas;
class FlatButton;

class ArchiveWindow : public FramedDialog {
    Q_OBJECT
  public:
    // `snapshotFolder`: the account's snapshot folder with the user's folder in it, where the
    // day's snapshots are looked for. `sid`: the camera to show first (empty: none).
    ArchiveWindow(archive::ArchiveKeeper& keeper, std::string snapshotFolder,
                  std::string sid = {}, QWidget* parent = nullptr);
    ~ArchiveWindow() override;

    archive::ArchivePlayer& Player() { return player_; }
    ArchiveTimelineWidget* Timeline() const { return timeline_; }
    QListWidget* Days() const { return days_; }
    QListWidget* Snapshots() const { return snapshots_; }
    // The cameras' names for the timeline's rows (empty for one it does not know).
    void SetCameraNames(std::function<std::string(const std::string& sid)> nameOf);
    // Reads the index afresh (days, rows, snapshots).
    void Reload();
    // Shows day `dayStartMs`.
    void ShowDay(int64_t dayStartMs);
    // Plays camera `sid` from `timeMs`.
    void PlayFrom(const std::string& sid, int64_t timeMs);
    // Saves [fromMs, toMs) of the camera played into `file` on the export thread.
    bool ExportTo(const QString& file, int64_t fromMs, int64_t toMs);
    bool Exporting() const { return exportThread_.joinable() && !exportDone_; }
    QString StatusText() const;

  protected:
    void PaintBand(QPainter& painter, const QRect& band) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

  private:
    void Sync();
    void OnPlayPause();
    void OnExport();
    void OnKept(bool kept);
    void FinishExport();

    archive::ArchiveKeeper& keeper_;
    std::string snapshotFolder_;
    std::string preferredSid_;
    archive::ArchivePlayer player_;
    int64_t day_ = 0;
    bool dayPicked_ = false;  // the user chose the day shown
    std::vector<int64_t> dayStarts_;

    ArchiveTimelineWidget* timeline_;
    CPlaybkCanvas* canvas_;
    QListWidget* days_;
    QListWidget* snapshots_;
    FlatButton* playPause_;
    FlatButton* back_;
    FlatButton* forward_;
    FlatButton* step_;
    QComboBox* speed_;
    QCheckBox* kept_;
    FlatButton* export_;
    FlatButton* cancel_;
    QProgressBar* progress_;
    QLabel* time_;
    QLabel* status_;
    QTimer sync_;
    bool syncWasRunning_ = false;
    uint64_t changesSeen_ = 0;  // the keeper's count of changes last shown

    archive::ExportProgress exportProgress_;
    archive::ExportResult exportResult_;
    std::atomic<bool> exportDone_{false};
    std::thread exportThread_;
    QString exportFile_;
};

}  // namespace nimbrel
