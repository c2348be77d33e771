// The device rename window, framed like the program's other windows: an edit field with the
// device's current name, "ОК" and "Отмена". OK refuses a name longer than 30 UTF-16 units with a
// message and stays open.
// Threading: UI thread only.
#pragma once

#include <string>

#include "widgets/FramedDialog.h"

#include "platform/UserNotifier.h"

class QLineEdit;
class QPushButton;

namespace nimbrel {

class RenameDialog : public FramedDialog {
    Q_OBJECT

  public:
    static constexpr int kMaxTextLength = 259;

    RenameDialog(const std::string& currentName, UserNotifier& notifier, QWidget* parent = nullptr);

    // The accepted name (UTF-8).
    std::string NewName() const;

    QLineEdit* Edit() const { return edit_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  private:
    void OnOk();

    UserNotifier& notifier_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace nimbrel
