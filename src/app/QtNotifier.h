// The desktop program's face for the core's messages: message boxes and fading notices on the UI
// thread. A call from another thread is posted and returns at once, so a camera or worker thread
// never waits for the user; a call on the UI thread shows its message box modally, as the user
// expects of a dialog.
// Threading: MessageBox and ShowTip from any thread; SetWindow on the UI thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/UserNotifier.h"

namespace nimbrel {

class QtNotifier : public QObject, public UserNotifier {
    Q_OBJECT
  public:
    explicit QtNotifier(QObject* parent = nullptr);

    // The window that message boxes belong to and that notices are centred over.
    void SetWindow(QWidget* window) { window_ = window; }
    QWidget* Window() const { return window_; }

    void MessageBox(std::string_view text, std::string_view caption, Icon icon) override;
    void ShowTip(std::string_view text, int durationMs) override;

  signals:
    // A message box is about to be shown (tests and the start-up code watch for it).
    void MessageShown(const QString& text, const QString& caption);

  private:
    void ShowMessageNow(const QString& text, const QString& caption, Icon icon);
    bool OnUiThread() const;

    QPointer<QWidget> window_;
};

}  // namespace nimbrel
