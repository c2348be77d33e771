// A device tree widget over a real account file in a temporary folder, with actions and a
// notifier that record what the tree asked for, and helpers to send mouse events and read pixels.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include "RecordingNotifier.h"
#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "platform/FixedText.h"
#include "service/AccountFile.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"

namespace nimbrel {

struct RecordingActions : TreeActions {
    struct Call {
        std::string what;
        int device;
        friend bool operator==(const Call&, const Call&) = default;
    };
    void PlayDevice(int i) override { calls.push_back({"play", i}); }
    void StartRefresh() override { calls.push_back({"refresh", -1}); }
    void Playback(int i) override { calls.push_back({"playback", i}); }
    void Alarm(int i) override { calls.push_back({"alarm", i}); }
    void ManageUsers(int i) override { calls.push_back({"users", i}); }
    void DeviceDeleted(int i) override { calls.push_back({"deleted", i}); }
    void CurrentDeviceChanged(int i) override { current.push_back(i); }
    std::vector<Call> calls;
    std::vector<int> current;
};

// Sends one mouse event straight to `w` at `pos` (local coordinates).
inline void SendMouse(QWidget* w, QEvent::Type type, QPoint pos,
                      Qt::MouseButton button = Qt::LeftButton,
                      Qt::MouseButtons buttons = Qt::LeftButton) {
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

inline void Click(QWidget* w, QPoint pos) {
    SendMouse(w, QEvent::MouseButtonPress, pos);
    SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

inline void DoubleClick(QWidget* w, QPoint pos) {
    Click(w, pos);
    SendMouse(w, QEvent::MouseButtonDblClick, pos);
    SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

inline void Move(QWidget* w, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
    SendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, buttons);
}

inline QColor Pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// How many pixels of `rect` have exactly `colour`.
inline int CountColour(const QImage& image, const QRect& rect, const QColor& colour) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixelColor(x, y).rgb() == colour.rgb()) ++n;
    return n;
}

// Runs the event loop until `done` holds; false when it did not within a generous limit.
template <typename F>
bool WaitFor(F done) {
    for (int i = 0; i < 2000 && !done(); ++i) QTest::qWait(10);
    return done();
}

class TreeWidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("nimbrel-treeui-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        path = dir / "demo_config.xml";
        AccountFile file;
        ASSERT_TRUE(file.Create(path, {}));
        model = std::make_unique<DeviceTreeModel>(list, path);
        // Nothing here may reach a real service: requests go to a closed loopback port unless a
        // test serves them itself.
        SetText(g.m_Host, "127.0.0.1");
        g.m_Port = 1;
    }
    void TearDown() override {
        tree.reset();
        std::filesystem::remove_all(dir);
    }

    int AddDevice(const std::string& sid, int status, int lock = 0, int init = 1) {
        DeviceFields f;
        f.sid = sid;
        f.name = "cam " + sid;
        f.status = status;
        f.lock = lock;
        f.init = init;
        return list.Append(f);
    }

    // Fills the model from the file and shows the tree at `width` × `height`.
    void Build(int width = 300, int height = 600) {
        ASSERT_TRUE(model->Fill());
        tree = std::make_unique<DeviceTreeWidget>(*model, list, thumbnails, actions, notifier, ctx);
        tree->resize(width, height);
        tree->show();
    }

    QWidget* View() const { return tree->viewport(); }
    QImage Shot() const { return View()->grab().toImage(); }
    // The top of the n-th device row of the first (expanded) group.
    static int DeviceTop(int n) { return 22 + 82 * n; }

    std::filesystem::path dir, path;
    DeviceList list;
    std::unique_ptr<DeviceTreeModel> model;
    DeviceThumbnails thumbnails;
    RecordingActions actions;
    test::RecordingNotifier notifier;
    GlobalSettings g;
    AppRecord app;
    DeviceServiceContext ctx{g, app, notifier, HttpOptions{2000, 4000, nullptr}};
    std::unique_ptr<DeviceTreeWidget> tree;
};

}  // namespace nimbrel
