// The video lock keypad: nine keys 1–9 in a 3×3 grid, each with a lit twin shown in its place
// once pressed, a dot for each key in above them, a start-again and a cancel button, under the
// program's framed title band. Ends with OK as soon as the keys pressed so far are the unlock
// code; nine wrong keys (or Enter on a wrong code) show a notice and start again. The keyboard
// works it too: 1–9, Backspace takes the last key back, Enter, Escape cancels.
// Threading: UI thread only.
#pragma once

#include <array>

#include "devices/VideoLock.h"
#include "platform/UserNotifier.h"
#include "widgets/FramedDialog.h"

class QLabel;
class QPushButton;

namespace nimbrel {

class VideoLockDialog : public FramedDialog {
    Q_OBJECT

  public:
    static constexpr int kKeySize = 60;
    static constexpr int kKeyGap = 10;
    static constexpr int kMargin = 20;

    VideoLockDialog(const GlobalSettings& g, const DeviceRecord& device, UserNotifier& notifier,
                    QWidget* parent = nullptr);

    QPushButton* Key(int digit) const { return keys_.at(static_cast<std::size_t>(digit - 1)); }
    QPushButton* Lit(int digit) const { return lit_.at(static_cast<std::size_t>(digit - 1)); }
    QPushButton* StartAgainButton() const { return startAgain_; }
    QPushButton* CancelButton() const { return cancel_; }
    // One dot for each key in.
    QLabel* Dots() const { return dots_; }
    const VideoLockKeypad& Keypad() const { return keypad_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void OnKey(int digit);
    void OnResult(VideoLockKeypad::KeyResult result);
    void OnStartAgain();
    // Shows each key or its lit twin as the keypad says.
    void SyncKeys();

    VideoLockKeypad keypad_;
    UserNotifier& notifier_;
    std::array<QPushButton*, 9> keys_{};
    std::array<QPushButton*, 9> lit_{};
    QLabel* dots_;
    QPushButton* startAgain_;
    QPushButton* cancel_;
};

}  // namespace nimbrel
