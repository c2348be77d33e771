// Recovering a forgotten password in three steps: the account name, the answer to one of its two
// security questions, the new password twice. Each step's controls replace the previous ones once
// the service accepted it; the back button (or the close button) abandons any running step and
// returns to the login window. Enter and Escape do nothing here.
// Threading: the UI thread; the flow's result handler only posts here.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <array>

#include "service/PasswordRecoveryFlow.h"
#include "widgets/FlatButton.h"
#include "widgets/FramedDialog.h"

namespace nimbrel {

class PasswordRecoveryDialog : public FramedDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 540;
    static constexpr int kHeight = 340;

    // `typedName` is the text of the login window's name box.
    PasswordRecoveryDialog(const GlobalSettings& g, UserNotifier& notifier,
                           const QString& typedName, HttpOptions http = {},
                           QWidget* parent = nullptr);
    ~PasswordRecoveryDialog() override;

    PasswordRecoveryFlow& Flow() { return flow_; }
    // The step whose controls are shown.
    RecoveryStep ShownStep() const { return shown_; }
    QLineEdit* NameBox() const { return name_; }
    FlatButton* NextButton() const { return next_; }
    QComboBox* QuestionList() const { return questions_; }
    QLineEdit* AnswerBox() const { return answer_; }
    FlatButton* ConfirmButton() const { return confirm_; }
    QLineEdit* NewPasswordBox() const { return newPassword_; }
    QLineEdit* RepeatBox() const { return repeat_; }
    FlatButton* SubmitButton() const { return submit_; }
    FlatButton* BackButton() const { return back_; }

  signals:
    // A step's request reported (tests wait for it).
    void StepFinished(bool ok);

  public slots:
    // The back button: running steps are abandoned; the login window comes back.
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void ShowStep(RecoveryStep step);
    void Apply(const RecoveryCheck& check);
    QLineEdit* Box(RecoveryBox box) const;

    PasswordRecoveryFlow flow_;
    RecoveryStep shown_ = RecoveryStep::Account;
    std::array<QWidget*, 3> panels_{};
    QLineEdit* name_;
    FlatButton* next_;
    QComboBox* questions_;
    QLineEdit* answer_;
    FlatButton* confirm_;
    QLineEdit* newPassword_;
    QLineEdit* repeat_;
    FlatButton* submit_;
    FlatButton* back_;
};

}  // namespace nimbrel
