// The exit dialog: asked when the main window is closed while "ShowClose" is 1, it chooses
// between hiding the window in the tray and ending the program, and can stop asking.
// Threading: the UI thread.
#pragma once

#include <QCheckBox>
#include <QRadioButton>

#include "app/CloseFlow.h"
#include "widgets/FlatButton.h"
#include "widgets/FramedDialog.h"

namespace nimbrel {

class CClose : public FramedDialog {
    Q_OBJECT
  public:
    enum class Outcome { Cancelled, Minimise, Quit };

    CClose(AppRecord& app, QWidget* parent = nullptr);

    // After exec(): what the user chose (Cancelled also when the dialog was closed).
    Outcome Result() const { return outcome_; }

    QRadioButton* MinimiseChoice() const { return minimise_; }
    QRadioButton* QuitChoice() const { return quit_; }
    QCheckBox* DontAskChoice() const { return dontAsk_; }
    FlatButton* OkButton() const { return ok_; }
    FlatButton* CancelButton() const { return cancel_; }

  private:
    void Confirm();

    CloseFlow flow_;
    Outcome outcome_ = Outcome::Cancelled;
    QRadioButton* minimise_;
    QRadioButton* quit_;
    QCheckBox* dontAsk_;
    FlatButton* ok_;
    FlatButton* cancel_;
};

}  // namespace nimbrel
