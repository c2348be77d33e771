// The program from start to end: one instance per user, the adapter identity, the service
// address, LAN discovery, the security handshake (or the updater), the login window, the network
// probes, the account file, the main window, and at the end the window and layout values saved
// to the account file. A session the service ends takes the program back to the login window.
// Clicks on its desktop notifications bring the window (and the camera) up.
// Threading: the UI thread, which is the start-up thread.
#pragma once

#include <QApplication>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>
#include <string>

#include "app/QtNotifier.h"
#include "app/SingleInstance.h"
#include "app/StartupOptions.h"
#include "devices/LanDiscovery.h"
#include "service/AccountFolder.h"

namespace nimbrel {

class ClientSession;
class CNimbrelDlg;
class DesktopNotifications;
class LoginWindow;
class StateReport;

class NimbrelApp : public QObject {
    Q_OBJECT
  public:
    NimbrelApp(QApplication& application, StartupOptions options);
    ~NimbrelApp() override;

    // Runs the whole program; returns the process's exit code.
    int Run();

    CNimbrelDlg* MainWindow() const { return main_.get(); }
    LoginWindow* Login() const { return login_; }

  private:
    // The window a second start brings forward: the main window, else the login window.
    void ShowFirstWindow();
    // Where the account files and the language choice are kept.
    AccountFolder Folder() const;
    // Who was signed out, and the service's word for it, when the login window comes again.
    struct SignedOut {
        std::string name;
        std::string message;
    };
    int SignIn(const std::optional<SignedOut>& signedOut = std::nullopt);
    // Runs the main window until it ends; says who was signed out when the service ended the
    // session, nothing when the program is to end.
    std::optional<SignedOut> RunMainWindow();

    QApplication& application_;
    const StartupOptions options_;
    SingleInstance instance_;
    QtNotifier notifier_;
    LanDiscovery lan_;
    QPointer<LoginWindow> login_;
    std::unique_ptr<ClientSession> session_;
    std::unique_ptr<CNimbrelDlg> main_;
    std::unique_ptr<StateReport> report_;
    // For the whole run: a click on a notification may come after its window went.
    std::unique_ptr<DesktopNotifications> notifications_;
};

}  // namespace nimbrel
