// The device rename window: an edit field with the device's current name, OK and Cancel. OK
// refuses a name longer than 30 UTF-16 units with a message and stays open.
// Threading: UI thread only.
#pragma once

#include <string>

#include <QDialog>

#include "platform/UserNotifier.h"

class QLineEdit;
class QPushButton;

namespace nimbrel {

class RenameDialog : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kMaxTextLength = 259;

    RenameDialog(const std::string& currentName, UserNotifier& notifier, QWidget* parent = nullptr);

    // The accepted name (UTF-8).
    std::string NewName() const;

    QLineEdit* Edit() const { return edit_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnOk();

    UserNotifier& notifier_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace nimbrel
