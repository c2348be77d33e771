// The feedback window: a text box for the user's message (299 characters at most), send and
// cancel. The send runs on the flow's worker, one at a time; its message comes through the
// notifier, and a sent message empties the box.
// Threading: the UI thread; the flow's listener only posts here.
#pragma once

#include <QPlainTextEdit>

#include "service/FeedbackFlow.h"
#include "widgets/FlatButton.h"
#include "widgets/FramedDialog.h"

namespace nimbrel {

class FeedbackDialog : public FramedDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 340;

    FeedbackDialog(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                   HttpOptions http = {}, QWidget* parent = nullptr);
    ~FeedbackDialog() override;

    FeedbackFlow& Flow() { return flow_; }
    QPlainTextEdit* TextBox() const { return text_; }
    FlatButton* SendButton() const { return send_; }
    FlatButton* CancelButton() const { return cancel_; }

  signals:
    // A send finished and its message was shown (tests wait for it).
    void Finished(FeedbackOutcome outcome);

  public slots:
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Send();
    void KeepWithinLimit();

    FeedbackFlow flow_;
    QPlainTextEdit* text_;
    FlatButton* send_;
    FlatButton* cancel_;
};

}  // namespace nimbrel
