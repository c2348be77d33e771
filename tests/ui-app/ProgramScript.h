// A user's way through the whole desktop program run in the test's process: steps that each
// wait for their moment and then act, the modal window shown, and the run with its message
// boxes closed.
// Threading: the UI thread.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <filesystem>
#include <unistd.h>

#include "SimProcess.h"
#include "app/CNimbrelDlg.h"
#include "app/NimbrelApp.h"
#include "app/StartupOptions.h"
#include "service/ui/LoginWindow.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel {

// Steps that each wait for their moment and then act, checked every 10 ms from whichever event
// loop runs (the program's windows run loops of their own). A step that waits too long fails the
// test and ends the program.
class Script : public QObject {
  public:
    struct Step {
        const char* name;
        std::function<bool()> ready;
        std::function<void()> act;
    };
    Script(NimbrelApp& program, std::deque<Step> steps)
        : program_(program), steps_(std::move(steps)) {
        connect(&timer_, &QTimer::timeout, this, &Script::Tick);
        timer_.start(10);
    }
    bool Done() const { return steps_.empty() && !failed_; }

  private:
    void Tick() {
        if (failed_) return EndProgram();
        if (steps_.empty() || acting_) return;
        Step& step = steps_.front();
        if (!started_) {
            started_ = true;
            deadline_.setRemainingTime(60000);
        }
        if (!step.ready()) {
            if (!deadline_.hasExpired()) return;
            ADD_FAILURE() << "step \"" << step.name << "\" was never ready";
            failed_ = true;
            return;
        }
        // The action runs from the event loop, not from this timer: an action that opens a
        // window waits in that window's loop, and a timer does not fire again while its own
        // handler runs.
        acting_ = true;
        QTimer::singleShot(0, this, [this, act = std::move(step.act)] {
            acting_ = false;
            act();
        });
        steps_.pop_front();
        started_ = false;
    }
    // Closes whatever is open, then the program.
    void EndProgram() {
        if (QWidget* popup = QApplication::activePopupWidget()) return popup->close(), void();
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            modal && modal != program_.Login())
            return modal->reject();
        timer_.stop();
        if (program_.MainWindow())
            program_.MainWindow()->OnCancel();
        else if (program_.Login())
            program_.Login()->reject();
    }

    NimbrelApp& program_;
    std::deque<Step> steps_;
    QTimer timer_;
    QDeadlineTimer deadline_;
    bool started_ = false;
    bool acting_ = false;
    bool failed_ = false;
};

template <typename W>
W* Modal() {
    return qobject_cast<W*>(QApplication::activeModalWidget());
}

// A folder of the test's own for the program's account files ("config"), lock ("run") and
// settings ("xdg"), and "other" for a second client, apart from any program the user runs;
// `instance` names the program's lock.
class InProcessProgram : public ::testing::Test {
  protected:
    explicit InProcessProgram(std::string instance) : instance_(std::move(instance)) {}
    void SetUp() override {
        namespace fs = std::filesystem;
        dir = fs::temp_directory_path() /
              ("nimbrel-" + instance_ + "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        for (const char* sub : {"config", "other", "run", "xdg"}) fs::create_directories(dir / sub);
        fs::permissions(dir / "run", fs::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((dir / "run").string()));
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "xdg").string()));
        qputenv("NIMBREL_INSTANCE", QByteArray::fromStdString(instance_));
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // The program on adapter lo, against the simulator, with the test's account folder.
    StartupOptions OptionsFor(const test::SimProcess& sim) const {
        StartupOptions options;
        options.adapter = QStringLiteral("lo");
        options.service = QString::fromStdString(sim.ServiceUrl());
        options.configDir = QString::fromStdString((dir / "config").string());
        return options;
    }

    std::filesystem::path dir;

  private:
    std::string instance_;
};

// Runs the whole program with the steps; a message box that appears on the way would wait for
// the user, so it is closed, and fails the test. Expects every step done; returns the program's
// exit code.
inline int RunScripted(NimbrelApp& program, std::deque<Script::Step> steps) {
    Script script(program, std::move(steps));
    QTimer boxes;
    std::vector<std::string> messages;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        if (auto* box = Modal<FramedMessageBox>()) {
            messages.push_back(box->TextLabel()->text().toStdString());
            box->reject();
        }
    });
    boxes.start(20);
    const int rc = program.Run();
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(messages.empty()) << messages.front();
    return rc;
}

}  // namespace nimbrel
