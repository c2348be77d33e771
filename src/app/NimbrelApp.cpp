#include "app/NimbrelApp.h"

#include <cstdio>
#include <cstdlib>

#include "app/CNimbrelDlg.h"
#include "app/DesktopNotifications.h"
#include "app/ClientSession.h"
#include "app/StateReport.h"
#include "app/Translations.h"
#include "app/WindowPlacement.h"
#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/AccountFile.h"
#include "service/AccountFolder.h"
#include "service/LoginFlow.h"
#include "service/NetworkProbes.h"
#include "service/ReadLocalAdapter.h"
#include "service/SecurityHandshake.h"
#include "service/ServiceAddress.h"
#include "service/VersionCheck.h"
#include "service/ui/LoginWindow.h"
#include "service/ui/PasswordRecoveryDialog.h"
#include "text/Translation.h"
#include "wall/StoredLayout.h"

namespace nimbrel {
namespace {

constexpr const char* kCaption = NIMBREL_TR_NOOP("Core", "подсказки");
constexpr const char* kHandshakeCaption = NIMBREL_TR_NOOP("Core", "提示");

enum ExitCode : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

}  // namespace

namespace {

// One program per user; NIMBREL_INSTANCE names a separate one (the demo, tests).
QString InstanceKey() {
    const QString name = qEnvironmentVariable("NIMBREL_INSTANCE");
    const QString key = QString::fromLatin1(SingleInstance::kDefaultKey);
    return name.isEmpty() ? key : key + QLatin1Char('-') + name;
}

}  // namespace

NimbrelApp::NimbrelApp(QApplication& application, StartupOptions options)
    : application_(application), options_(std::move(options)), instance_(InstanceKey()) {
    connect(&instance_, &SingleInstance::ShowRequested, this, &NimbrelApp::ShowFirstWindow);
}

NimbrelApp::~NimbrelApp() {
    report_.reset();
    main_.reset();
    session_.reset();
    StopNetworkProbes(global);
    WipeSignIn(global, app);
}

void NimbrelApp::ShowFirstWindow() {
    QWidget* window = main_ ? static_cast<QWidget*>(main_.get()) : login_.data();
    if (!window) return;
    if (main_)
        main_->ShowFromTray();
    else
        window->showNormal();
    window->raise();
    window->activateWindow();
}

AccountFolder NimbrelApp::Folder() const {
    return options_.configDir.isEmpty() ? AccountFolder::Default()
                                        : AccountFolder(options_.configDir.toStdString());
}

int NimbrelApp::Run() {
    InitLogging();
    // Before any window or message: every text is shown in the language chosen.
    InstallTranslation(StartupLanguage(std::getenv("NIMBREL_LANG"), Folder().Folder()));
    InitGlobalSettings(global);
    InitAppRecord(app);
    application_.setQuitOnLastWindowClosed(false);
    notifications_ = std::make_unique<DesktopNotifications>();
    connect(notifications_.get(), &DesktopNotifications::Clicked, this, [this](const QString& sid) {
        if (main_ && !sid.isEmpty())
            main_->ShowCamera(sid.toStdString());
        else
            ShowFirstWindow();
    });

    // 1. One instance: a later start brings the first one's window forward and ends.
    if (!instance_.Claim()) {
        if (instance_.HeldElsewhere()) {
            instance_.AskFirstToShow();
            return kExitOk;
        }
        return kExitFailed;
    }

    // 2. The adapter this client is known by.
    if (!ReadLocalAdapter(global, options_.adapter.toStdString())) {
        notifier_.MessageBox(kAdapterMessage, kCaption, UserNotifier::Icon::None);
        return kExitFailed;
    }
    HttpTransportInit();
    if (!options_.service.isEmpty() && !ApplyServiceUrl(global, options_.service.toStdString())) {
        const std::string message = text::Format(text::Tr("Core", "Неверный адрес сервиса: %1"),
                                                 {options_.service.toStdString()});
        std::fprintf(stderr, "%s\n", message.c_str());
        return kExitUsage;
    }

    // 3. LAN discovery runs while the user signs in.
    LanDiscovery::Options lan;
    lan.localIp = GetText(global.m_LocalIp);
    lan.localMask = GetText(global.m_LocalMask);
    lan_.Start(lan);

    // 4. The security handshake; a demanded update starts the updater instead.
    HandshakeOptions handshake;
    handshake.startUpdater = false;
    switch (SecurityHandshake(global, app, notifier_, handshake)) {
        case HandshakeResult::Ok:
            break;
        case HandshakeResult::UpdateRequired:
        case HandshakeResult::UpdateStarted:
            if (!StartUpdater(GetText(app.m_ResourceUrl)))
                NLOG_ERROR("NimbrelApp: the updater could not be started");
            return kExitOk;
        case HandshakeResult::Failed:
            notifier_.MessageBox(kAdapterMessage, kHandshakeCaption, UserNotifier::Icon::None);
            return kExitFailed;
    }

    if (const int rc = SignIn(); rc != kExitOk || !global.m_LoggedIn) return rc;

    // 5. The account's identity on streams, then the network probes.
    SetText(app.m_UserMac,
            std::string(GetText(app.m_UserName)) + "," + std::string(GetText(global.m_Mac)));
    if (!StartNetworkProbes(global)) return kExitFailed;
    // 6. The main window, for as long as the service keeps the session. Once it refuses the
    // renewed login (the password changed elsewhere, say), the window and everything it ran go,
    // the login window asks again, and a new main window carries on for whoever signs in.
    while (const auto refusal = RunMainWindow()) {
        if (const int rc = SignIn(*refusal); rc != kExitOk || !global.m_LoggedIn) return rc;
        SetText(app.m_UserMac,
                std::string(GetText(app.m_UserName)) + "," + std::string(GetText(global.m_Mac)));
    }
    return kExitOk;
}

int NimbrelApp::SignIn(const std::optional<SignedOut>& signedOut) {
    const AccountFolder folder = Folder();
    LoginFlow::Options flowOptions;
    flowOptions.defaults = AccountFileDefaults::FromUserDirs();
    LoginFlow flow(global, app, folder, notifier_, flowOptions);
    LoginWindow window(flow);
    login_ = &window;
    notifier_.SetWindow(&window);
    window.SetForgotPassword([this](const QString& typedName) {
        PasswordRecoveryDialog recovery(global, notifier_, typedName);
        notifier_.SetWindow(&recovery);
        recovery.exec();
        notifier_.SetWindow(login_);
    });
    if (signedOut)
        window.OpenAfterRefusal(signedOut->name, signedOut->message);
    else
        window.Open();
    window.exec();
    notifier_.SetWindow(nullptr);
    login_ = nullptr;
    return kExitOk;
}

std::optional<NimbrelApp::SignedOut> NimbrelApp::RunMainWindow() {
    AccountFile file;
    WindowPlacement placement;
    SplitLayout layout = DefaultSplitLayout();
    if (file.Load(app.m_ConfigPath)) {
        file.ReadSettings(app);
        placement = ReadWindowPlacement(file);
        layout = ReadStoredLayout(file);
    }

    session_ = std::make_unique<ClientSession>(
        ClientSession::Parts{global, app, notifier_, lan_, layout, {}});
    CNimbrelDlg::Options windowOptions;
    windowOptions.startTour = options_.tour;
    windowOptions.notifications = notifications_.get();
    main_ = std::make_unique<CNimbrelDlg>(*session_, placement, windowOptions);
    global.m_MainDlg = main_.get();
    notifier_.SetWindow(main_.get());
    connect(main_.get(), &CNimbrelDlg::Closed, &application_, &QCoreApplication::quit,
            Qt::QueuedConnection);
    report_ = StateReport::FromEnvironment(*session_, *main_);
    main_->Start();
    application_.exec();

    // The end: the window's rectangle and the wall's layout go into the account file.
    report_.reset();
    if (!SaveWindowAndLayout(app.m_ConfigPath, main_->Placement(), session_->Canvas().Layout()))
        NLOG_ERROR("NimbrelApp: the window and layout values could not be saved");
    std::optional<SignedOut> signedOut;
    if (main_->SignInAgain())
        if (const auto refusal = session_->Recovery().EndedBy())
            signedOut = SignedOut{std::string(GetText(app.m_UserName)), refusal->message};
    notifier_.SetWindow(nullptr);
    global.m_MainDlg = nullptr;
    main_.reset();
    session_.reset();
    return signedOut;
}

}  // namespace nimbrel
