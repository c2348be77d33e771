// The account password asked again before a protected device operation (deleting a device,
// managing its users), in the program's framed style: a password box, a red status line, OK
// and Cancel. OK closes the window only when the typed password is the account's.
// Threading: UI thread only.
#pragma once

#include <string>

#include "service/PasswordConfirmFlow.h"
#include "widgets/FramedDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbrel {

class PasswordConfirmDialog : public FramedDialog {
    Q_OBJECT

  public:
    // `storedPassword` is the stored form of the password the account signed in with.
    explicit PasswordConfirmDialog(std::string storedPassword, QWidget* parent = nullptr);

    QLineEdit* PasswordBox() const { return box_; }
    QLabel* StatusLine() const { return status_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  private:
    void OnOk();

    PasswordConfirmFlow flow_;
    QLineEdit* box_;
    QLabel* status_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace nimbrel
