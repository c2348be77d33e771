// What the main window's tests share: a signed-in program without a service (the address points
// at a closed loopback port), an account file in a temporary folder, a device list of cameras
// that never start, and a way to keep a picture of a window for looking at it.
// Threading: the test's thread (the UI thread).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "RecordingNotifier.h"
#include "app/CNimbrelDlg.h"
#include "app/ClientSession.h"
#include "platform/FixedText.h"
#include "service/AccountFile.h"

namespace nimbrel::test {

// With NIMBREL_SHOTS=DIR set, saves a picture of `widget` as DIR/NAME.png.
inline void Shot(QWidget* widget, const QString& name) {
    const QString dir = qEnvironmentVariable("NIMBREL_SHOTS");
    if (dir.isEmpty() || !widget) return;
    QDir().mkpath(dir);
    widget->grab().save(QDir(dir).filePath(name + ".png"));
}

// Calls `act` with the window of type W as soon as it is the modal window, or with the popup of
// type W as soon as one is open (exec() runs its own loop, so this is set up before it is
// called). Gives up after about five seconds of waiting.
template <typename W>
void OnModal(std::function<void(W*)> act) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        QWidget* open = QApplication::activePopupWidget();
        if (!open) open = QApplication::activeModalWidget();
        auto* window = qobject_cast<W*>(open);
        if (!window && ++*tries < 1000) return;
        timer->stop();
        timer->deleteLater();
        if (window) act(window);
    });
    timer->start(5);
}

class AppFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("nimbrel-ui-app-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        InitGlobalSettings(g);
        SetText(g.m_Scheme, "http");
        SetText(g.m_Host, "127.0.0.1");
        g.m_Port = 1;  // nothing listens: any request fails at once, on this machine
        SetText(g.m_LocalIp, "127.0.0.1");
        SetText(g.m_LocalMask, "255.0.0.0");
        InitAppRecord(record);
        record.m_ConfigPath = dir / "anna_config.xml";
        AccountFile file;
        ASSERT_TRUE(file.Create(record.m_ConfigPath, {"/tmp/v/", "/tmp/p/"}));
        file.ReadSettings(record);
    }
    void TearDown() override {
        window.reset();
        session.reset();
        std::filesystem::remove_all(dir);
    }

    // A device of the account (a camera that is never started here).
    CCamera* AddDevice(const std::string& sid, const std::string& type = "c1", int status = 1) {
        DeviceFields fields;
        fields.sid = sid;
        fields.name = "Камера " + sid;
        fields.type = type;
        fields.status = status;
        std::lock_guard guard(Session().List().WriterLock());
        return Session().Camera(Session().List().Append(fields));
    }

    // Gives the camera a pane of the wall and presses on it, as the user selects a pane; the
    // pane, or nothing when none was free.
    std::optional<int> SelectInWall(CCamera& camera) {
        CCanvas& canvas = Session().Canvas();
        if (!canvas.AcquirePane(camera)) return std::nullopt;
        const int pane = *canvas.PaneAt(camera.m_nPage, camera.m_nSlot);
        const PaneState state = *canvas.Pane(pane);
        if (!canvas.PressPane(pane, state.windowRect.x + 5, state.windowRect.y + 5))
            return std::nullopt;
        canvas.ReleasePointer(state.windowRect.x + 5, state.windowRect.y + 5);
        QCoreApplication::processEvents();
        return pane;
    }

    ClientSession& Session() {
        if (!session)
            session = std::make_unique<ClientSession>(
                ClientSession::Parts{g, record, notifier, lan, DefaultSplitLayout(), {}});
        return *session;
    }

    CNimbrelDlg& Window(WindowPlacement stored = {}) {
        if (!window) {
            CNimbrelDlg::Options options;
            options.startAllInit = false;
            options.trayIcon = false;
            window = std::make_unique<CNimbrelDlg>(Session(), stored, options);
        }
        return *window;
    }

    std::filesystem::path dir;
    GlobalSettings g;
    AppRecord record;
    RecordingNotifier notifier;
    LanDiscovery lan;
    std::unique_ptr<ClientSession> session;
    std::unique_ptr<CNimbrelDlg> window;
};

}  // namespace nimbrel::test
