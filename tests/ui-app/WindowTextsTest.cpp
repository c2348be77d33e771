// Every window of the program, walked as a user sees it: each visible text fits inside its
// control at the default font, a framed window's title fits its band, and the window opens
// centred on its parent; the texts of the login and playback windows fit too. A new window joins
// by one line in WalkedWindows() (WindowWalk.cpp).
#include <cmath>

#include <QPushButton>
#include <QScreen>

#include "AppFixture.h"
#include "WindowWalk.h"
#include "app/AppIdentity.h"
#include "service/LoginFlow.h"

namespace nimbrel {
namespace {

using test::TextsThatDoNotFit;

class WindowTextsTest : public test::AppFixture {
  protected:
    std::vector<test::WalkedWindow> Windows() {
        return test::WalkedWindows({g, record, notifier, lockedDevice,
                                    QStringLiteral("Гостиная и кухня на первом этаже")});
    }

    DeviceRecord lockedDevice;
};

TEST_F(WindowTextsTest, EveryTextFitsItsControlAndEveryWindowOpensCentredOnItsParent) {
    // The parent covers the screen but its edges, so that a centred window stays on the screen
    // (the toolkit would move it back there).
    QWidget parent;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    parent.setGeometry(screen.adjusted(10, 10, -10, -10));
    parent.show();
    for (const test::WalkedWindow& window : Windows()) {
        SCOPED_TRACE(window.name);
        std::unique_ptr<QWidget> shown = window.make(&parent);
        shown->show();
        QCoreApplication::processEvents();
        test::Shot(shown.get(), QStringLiteral("window-%1").arg(QString::fromLatin1(window.name)));
        for (const std::string& fault : TextsThatDoNotFit(shown.get())) ADD_FAILURE() << fault;
        const QPoint off = shown->frameGeometry().center() - parent.frameGeometry().center();
        if (shown->width() <= screen.width()) EXPECT_LE(std::abs(off.x()), 2) << off.x();
        if (shown->height() <= screen.height()) EXPECT_LE(std::abs(off.y()), 2) << off.y();
        EXPECT_TRUE(shown->windowFlags() & Qt::FramelessWindowHint);
    }
}

TEST_F(WindowTextsTest, TheLoginAndPlaybackWindowsTextsFit) {
    AddDevice("NB1");
    Window().resize(1500, 809);
    Window().show();
    LoginFlow flow(g, record, AccountFolder(dir), notifier, LoginFlow::Options{});
    test::WalkLoginAndPlayback(flow, Window(), [](const char* name, QWidget* window) {
        SCOPED_TRACE(name);
        test::Shot(window, QStringLiteral("window-%1").arg(QString::fromLatin1(name)));
        for (const std::string& fault : TextsThatDoNotFit(window)) ADD_FAILURE() << fault;
    });
}

TEST_F(WindowTextsTest, TheWalkFindsATextCutByItsControl) {
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("Начать заново"), &window);
    button->setFixedWidth(40);
    window.show();
    EXPECT_EQ(TextsThatDoNotFit(&window).size(), 1u);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(button->text()) + 20);
    EXPECT_TRUE(TextsThatDoNotFit(&window).empty());
}

TEST_F(WindowTextsTest, TheToolkitAppendsNothingToTheWindowTitles) {
    // The toolkit appends an application display name to every window title when one is set:
    // the program sets none, so its windows carry exactly their own titles.
    SetApplicationIdentity();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
    EXPECT_EQ(QGuiApplication::applicationName(), QStringLiteral("nimbrel"));
}

}  // namespace
}  // namespace nimbrel
