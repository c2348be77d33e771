// A message or a question in the program's framed style: the caption in the blue band, the text
// on the white body, and buttons in the user's language ("ОК", or "ОК" and "Отмена", or "Да" and
// "Нет"). It grows to fit its text and opens centred on its parent.
// Threading: the UI thread.
#pragma once

#include "widgets/FramedDialog.h"

class QLabel;

namespace nimbrel {

class FlatButton;

class FramedMessageBox : public FramedDialog {
    Q_OBJECT
  public:
    enum class Buttons { Ok, OkCancel, YesNo };

    FramedMessageBox(const QString& caption, const QString& text, Buttons buttons,
                     QWidget* parent = nullptr);

    // Shows the box modally; true when its accepting button ("ОК", "Да") was pressed.
    static bool Ask(QWidget* parent, const QString& caption, const QString& text, Buttons buttons);

    QLabel* TextLabel() const { return text_; }
    FlatButton* AcceptButton() const { return accept_; }
    // Null for a box with one button.
    FlatButton* RejectButton() const { return reject_; }

  private:
    QLabel* text_;
    FlatButton* accept_;
    FlatButton* reject_ = nullptr;
};

}  // namespace nimbrel
