// The login window: the recent accounts, name and password, automatic login and remembering the
// password, the "Вход…" progress while the request runs, cancel, and the failure texts. All of
// its logic is the LoginFlow's; this window shows it and passes the user's input on.
// Threading: the UI thread. The flow's handlers run on its threads and only post here.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "service/LoginFlow.h"
#include "widgets/CoreText.h"
#include "widgets/FlatButton.h"
#include "widgets/WindowMover.h"

namespace nimbrel {

class BitmapButton;

class LoginWindow : public QDialog {
    Q_OBJECT
  public:
    // The window title, which a second start also looks for.
    static QString Title() { return CoreText(login_text::kTitle); }

    LoginWindow(LoginFlow& flow, QWidget* parent = nullptr);
    ~LoginWindow() override;

    // Fills the account list and, when the newest account logs in automatically, starts it.
    // Called once, before the window is shown.
    void Open();
    // Opens instead after the service refused the signed-in account: `name` filled in, the
    // password box empty and focused, the service's `message` (a core text) as the status.
    void OpenAfterRefusal(const std::string& name, const std::string& message);
    // What "Забыли пароль?" opens (modally), given the text of the name box; the login window
    // hides meanwhile and comes back afterwards. Without it the button stays off.
    void SetForgotPassword(std::function<void(const QString& typedName)> open);
    bool LoggedIn() const { return loggedIn_; }
    bool Running() const { return running_; }

    QComboBox* UserNameBox() const { return userName_; }
    QLineEdit* PasswordBox() const { return password_; }
    QCheckBox* AutoLoginCheck() const { return autoLogin_; }
    QCheckBox* RememberCheck() const { return remember_; }
    FlatButton* LoginButton() const { return login_; }
    FlatButton* CancelButton() const { return cancel_; }
    QLabel* StatusLabel() const { return status_; }
    QPushButton* ForgotButton() const { return forgot_; }

  public slots:
    void reject() override;

  signals:
    // The flow finished a login (any outcome); the window has been updated.
    void Finished(int outcome);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void BuildControls();
    void ShowFields();
    void SetRunning(bool running);
    void Focus(LoginBox box);
    void StartLogin();
    void ApplyCheck(const LoginCheck& check);
    void OnFinished(const LoginResult& result);
    void ForgotPassword();

    LoginFlow& flow_;
    std::function<void(const QString&)> forgotPassword_;
    WindowMover mover_{this};
    bool loggedIn_ = false;
    bool running_ = false;

    BitmapButton* minimise_ = nullptr;
    BitmapButton* close_ = nullptr;
    QComboBox* userName_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* autoLogin_ = nullptr;
    QCheckBox* remember_ = nullptr;
    FlatButton* login_ = nullptr;
    FlatButton* cancel_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* forgot_ = nullptr;
};

}  // namespace nimbrel
