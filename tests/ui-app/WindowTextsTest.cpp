// Every window of the program, walked as a user sees it: each visible text fits inside its
// control at the default font, a framed window's title fits its band, and the window opens
// centred on its parent. A new window joins by one line in Windows().
#include <cmath>
#include <functional>
#include <memory>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "AppFixture.h"
#include "app/AppIdentity.h"
#include "app/CAboutDlg.h"
#include "app/CClose.h"
#include "app/ShortcutsDialog.h"
#include "devices/ui/RenameDialog.h"
#include "devices/ui/VideoLockDialog.h"
#include "service/ui/AlarmDialog.h"
#include "service/ui/FeedbackDialog.h"
#include "service/ui/PasswordConfirmDialog.h"
#include "service/ui/PasswordRecoveryDialog.h"
#include "service/ui/SharingDialog.h"
#include "settings/ui/SettingsDialog.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel {
namespace {

QString Plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

// What a control needs beside its text: a push button its rounded edge, a check box or radio
// button its 16-pixel mark and the 7-pixel gap after it.
constexpr int kButtonEdges = 8;
constexpr int kIndicator = 16 + 7;

// The texts of `window` that do not fit their controls, described for the failure message.
std::vector<std::string> TextsThatDoNotFit(QWidget* window) {
    std::vector<std::string> faults;
    const auto check = [&](QWidget* w, const QString& text, int need, int room) {
        if (need > room)
            faults.push_back(QStringLiteral("%1 \"%2\": needs %3 px, has %4")
                                 .arg(QString::fromLatin1(w->metaObject()->className()), text)
                                 .arg(need)
                                 .arg(room)
                                 .toStdString());
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        const QFontMetrics metrics = w->fontMetrics();
        if (auto* box = qobject_cast<QAbstractButton*>(w)) {
            const QString text = Plain(box->text());
            if (text.isEmpty()) continue;
            const bool marked = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
            check(w, text, metrics.horizontalAdvance(text) + (marked ? kIndicator : kButtonEdges),
                  w->width());
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            const QString text = label->text();
            if (text.isEmpty() || Qt::mightBeRichText(text)) continue;
            const QRect room = label->contentsRect();
            if (label->wordWrap())
                check(w, text, label->heightForWidth(room.width()), room.height());
            else
                check(w, text, metrics.horizontalAdvance(text), room.width());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            check(w, group->title(), metrics.horizontalAdvance(group->title()) + 20, w->width());
        }
    }
    if (auto* framed = qobject_cast<FramedDialog*>(window); framed && framed->BandHeight() > 0) {
        // The band's title: 14-pixel bold, from 14 pixels in to the close button.
        QFont f = framed->font();
        f.setPixelSize(14);
        f.setBold(true);
        check(window, window->windowTitle(),
              QFontMetrics(f).horizontalAdvance(window->windowTitle()), window->width() - 54);
    }
    return faults;
}

class WindowTextsTest : public test::AppFixture {
  protected:
    struct Window {
        const char* name;
        std::function<std::unique_ptr<QWidget>(QWidget* parent)> make;
    };

    std::vector<Window> Windows() {
        lockedDevice.lock = 1;
        lockedDevice.init = 1;
        return {
            {"about", [&](QWidget* p) { return std::make_unique<CAboutDlg>(record, p); }},
            {"exit", [&](QWidget* p) { return std::make_unique<CClose>(record, p); }},
            {"shortcuts", [&](QWidget* p) { return std::make_unique<ShortcutsDialog>(p); }},
            {"rename",
             [&](QWidget* p) {
                 return std::make_unique<RenameDialog>("Камера у входа", notifier, p);
             }},
            {"keypad",
             [&](QWidget* p) {
                 return std::make_unique<VideoLockDialog>(g, lockedDevice, notifier, p);
             }},
            {"confirmation",
             [&](QWidget* p) {
                 return std::make_unique<FramedMessageBox>(
                     QStringLiteral("подсказки"),
                     QStringLiteral("Вы действительно хотите удалить группу[Гостиная и "
                                    "кухня на первом этаже]？"),
                     FramedMessageBox::Buttons::OkCancel, p);
             }},
            {"question",
             [&](QWidget* p) {
                 return std::make_unique<FramedMessageBox>(
                     QStringLiteral("Обновление"), QStringLiteral("Установить новую версию?"),
                     FramedMessageBox::Buttons::YesNo, p);
             }},
            {"alarm",
             [&](QWidget* p) {
                 return std::make_unique<AlarmDialog>(
                     g, record, notifier, AlarmDevice{"NB0000000001", "Прихожая", 1, 8, 20},
                     AlarmFlow::RecordWriter{}, HttpOptions{}, p);
             }},
            {"feedback",
             [&](QWidget* p) {
                 return std::make_unique<FeedbackDialog>(g, record, notifier, HttpOptions{}, p);
             }},
            {"password confirmation",
             [&](QWidget* p) { return std::make_unique<PasswordConfirmDialog>("secret", p); }},
            {"password recovery",
             [&](QWidget* p) {
                 return std::make_unique<PasswordRecoveryDialog>(
                     g, notifier, QStringLiteral("anna"), HttpOptions{}, p);
             }},
            {"sharing",
             [&](QWidget* p) {
                 return std::make_unique<SharingDialog>(g, record, notifier, "NB0000000001",
                                                        HttpOptions{}, p);
             }},
            {"settings",
             [&](QWidget* p) {
                 return std::make_unique<SettingsDialog>(g, record, notifier,
                                                         SettingsDialog::Options{}, p);
             }},
        };
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
    for (const Window& window : Windows()) {
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
