// The playback window: a blue title band with the device name (the loading text until the index
// arrived), the video area keeping 16:9, the year, month, day and hour lists of the card's index,
// the start button, the timeline slider with its two time texts, and the transport buttons
// (rewind, pause or resume, fast forward); maximise, restore and close in the band; Escape
// closes, Enter does nothing. The span being played can be saved to an MP4 file as it plays
// (PlaybackSaver), with its progress and outcome in the band and a cancel; a save ends when the
// user says so, when the playback stops or ends, and when the window closes, and keeps what it
// saved. A thin view over PlaybackFlow (the index) and PlaybackStream (the played hour), whose
// start sequence runs on a thread of its own.
// Threading: the UI thread; the flow's index worker, the stream's display tick and its animation
// reach it only by queued calls, and the window reads the stream's state on a timer.
#pragma once

#include <QString>
#include <QTimer>
#include <array>
#include <chrono>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "playback/PlaybackFlow.h"
#include "playback/PlaybackSaver.h"
#include "playback/PlaybackStream.h"
#include "playback/PlaybackTimeline.h"
#include "widgets/FramedDialog.h"

class QListWidget;
class QSlider;

namespace nimbrel {

class BitmapButton;
class CPlaybkCanvas;
class FlatButton;

class CPlayback : public FramedDialog {
    Q_OBJECT
  public:
    // Shows the card of `flow`'s camera; loads its index when shown. `stream` plays the hours
    // picked (none: the start button only checks the selection).
    explicit CPlayback(std::unique_ptr<PlaybackFlow> flow,
                       std::unique_ptr<PlaybackStream> stream = nullptr, QWidget* parent = nullptr);
    ~CPlayback() override;

    // Asks where a span is saved, offering `suggested`; empty: not saved.
    using FileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
    // The folder a saved span is offered in (the recording folder's account folder) and the
    // chooser (default: the desktop's save dialog).
    void SetSaving(const QString& folder, FileChooser chooser = {});

    PlaybackFlow& Flow() { return *flow_; }
    PlaybackStream* Stream() { return stream_.get(); }
    // A start sequence runs on the start thread.
    bool Starting() const { return startRunning_; }
    QListWidget* List(int level) const { return lists_[static_cast<std::size_t>(level)]; }
    CPlaybkCanvas* Canvas() const { return canvas_; }
    QSlider* Slider() const { return slider_; }
    FlatButton* StartButton() const { return start_; }
    BitmapButton* RewindButton() const { return rewind_; }
    BitmapButton* PauseButton() const { return pause_; }
    BitmapButton* ResumeButton() const { return resume_; }
    BitmapButton* ForwardButton() const { return forward_; }
    BitmapButton* MaximiseButton() const { return maximise_; }
    BitmapButton* RestoreButton() const { return restore_; }
    FlatButton* SaveButton() const { return save_; }
    FlatButton* SaveCancelButton() const { return saveCancel_; }
    const PlaybackSaver& Saver() const { return saver_; }
    // The save's progress or outcome, as the band shows it.
    QString SaveStatus() const { return saveStatus_; }
    QString CurrentTimeText() const { return currentTime_; }
    QString EndTimeText() const { return endTime_; }
    QString TitleText() const { return title_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A left press on the timeline beside its thumb jumps there.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void PaintBand(QPainter& painter, const QRect& band) override;
    void done(int result) override;

  private:
    void ShowIndex();
    void FillList(int level, const std::vector<std::string>& texts, int selected);
    void OnPicked(int level, int row);
    void OnStart();
    void OnPause();
    void OnResume();
    void OnForward();
    void OnRewind();
    void OnSliderAction(int action);
    void OnSliderReleased();
    // Moves the slider to `position`, shows its time and asks for a jump there.
    void JumpTo(int position);
    void SetMaximised(bool maximised);
    // Follows the stream: the area's state, the timeline's range, position and texts.
    void Sync();
    // Pause or play, as the stream is: playing (pause offered), paused (play offered), starting
    // (pause, not yet usable) or without a playback (play, not usable).
    void ShowTransport(int state);
    // The position the window shows: the stream's, except just after a jump, while the stream
    // still reports pictures from before it.
    int ShownPosition();
    // Ends a start sequence under way and the playback.
    void StopPlayback();
    // The save button: starts a save, or finishes the one running.
    void OnSave();
    // Ends the save running, keeping what it saved; `cancel`: removing it.
    void EndSave(bool cancel);
    // Follows the save: its progress, a failed write, the end of the stream.
    void SyncSave();
    QString SuggestedFileName() const;
    BitmapButton* TransportButton(const char* base, const char* tip);

    std::unique_ptr<PlaybackFlow> flow_;
    std::unique_ptr<PlaybackStream> stream_;
    std::thread startThread_;
    std::atomic<bool> startRunning_{false};
    std::optional<PlaybackTimeline> timeline_;  // of the playback shown
    QString title_;
    QString currentTime_;
    QString endTime_;

    CPlaybkCanvas* canvas_;
    std::array<QListWidget*, 4> lists_{};
    FlatButton* start_;
    QSlider* slider_;
    BitmapButton* rewind_;
    BitmapButton* pause_;
    BitmapButton* resume_;
    BitmapButton* forward_;
    BitmapButton* maximise_;
    BitmapButton* restore_;
    FlatButton* save_;
    FlatButton* saveCancel_;
    PlaybackSaver saver_;
    bool saving_ = false;  // the saver hears the stream's frames
    QString saveFolder_;
    FileChooser chooseFile_;
    QString saveStatus_;
    std::string hour_;            // the hour played ("YYYYMMDD-HH")
    uint64_t shownAtLastSync_ = 0;  // frames shown: a closed stream that shows no more has ended
    int quietSyncs_ = 0;
    QTimer sync_;
    bool paused_ = false;             // the user paused the playback shown
    std::optional<int> jumpTarget_;   // the last jump, until the stream shows it
    std::chrono::steady_clock::time_point jumpAt_;
    bool filling_ = false;  // lists are being refilled: their notifications are not picks
    bool indexRequested_ = false;
};

}  // namespace nimbrel
