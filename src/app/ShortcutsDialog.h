// The keyboard help window: every shortcut of the main window with what it does, in the framed
// style. Opened from the title band's menu and by F1.
// Threading: the UI thread.
#pragma once

#include "widgets/FramedDialog.h"

namespace nimbrel {

class ShortcutsDialog : public FramedDialog {
    Q_OBJECT
  public:
    explicit ShortcutsDialog(QWidget* parent = nullptr);
};

}  // namespace nimbrel
