#include "WindowWalk.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/CAboutDlg.h"
#include "app/CTip.h"
#include "app/CClose.h"
#include "app/CNimbrelDlg.h"
#include "app/ShortcutsDialog.h"
#include "devices/ui/RenameDialog.h"
#include "devices/ui/VideoLockDialog.h"
#include "playback/ui/CPlayback.h"
#include "service/LoginFlow.h"
#include "service/PasswordChangeFlow.h"
#include "service/PasswordConfirmFlow.h"
#include "service/SharingFlow.h"
#include "service/ui/AlarmDialog.h"
#include "service/ui/FeedbackDialog.h"
#include "service/ui/LoginWindow.h"
#include "service/ui/PasswordConfirmDialog.h"
#include "service/ui/PasswordRecoveryDialog.h"
#include "service/ui/SharingDialog.h"
#include "settings/ui/OtherSettingsPage.h"
#include "settings/ui/SettingsDialog.h"
#include "widgets/CoreText.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel::test {
namespace {

QString Plain(QString text) {
    return text.remove(QLatin1Char('&'));
}

// What a control needs beside its text: a push button its rounded edge, a check box or radio
// button its 16-pixel mark and the 7-pixel gap after it.
constexpr int kButtonEdges = 8;
constexpr int kIndicator = 16 + 7;

std::string Described(const QObject* object, const QString& text) {
    return QStringLiteral("%1 \"%2\"")
        .arg(QString::fromLatin1(object->metaObject()->className()), text)
        .toStdString();
}

}  // namespace

std::vector<std::string> TextsThatDoNotFit(QWidget* window) {
    std::vector<std::string> faults;
    const auto check = [&](QWidget* w, const QString& text, int need, int room) {
        if (need > room)
            faults.push_back(
                Described(w, text) +
                QStringLiteral(": needs %1 px, has %2").arg(need).arg(room).toStdString());
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
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            // The box's arrow takes about 24 pixels beside the item shown.
            for (int i = 0; i < combo->count(); ++i)
                check(w, combo->itemText(i), metrics.horizontalAdvance(combo->itemText(i)) + 24,
                      w->width());
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

std::vector<std::string> ShownTexts(QWidget* window) {
    std::vector<std::string> texts;
    const auto add = [&](const QObject* o, const QString& text) {
        if (!text.trimmed().isEmpty()) texts.push_back(Described(o, text));
    };
    add(window, window->windowTitle());
    add(window, window->toolTip());
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        add(w, w->toolTip());
        if (auto* button = qobject_cast<QAbstractButton*>(w)) add(w, button->text());
        if (auto* label = qobject_cast<QLabel*>(w)) add(w, label->text());
        if (auto* group = qobject_cast<QGroupBox*>(w)) add(w, group->title());
        if (auto* edit = qobject_cast<QLineEdit*>(w)) add(w, edit->placeholderText());
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i) add(w, combo->itemText(i));
        if (auto* tree = qobject_cast<QTreeWidget*>(w))
            for (int i = 0; i < tree->columnCount(); ++i) add(w, tree->headerItem()->text(i));
    }
    return texts;
}

std::vector<std::string> MenuTexts(const QMenu& menu) {
    std::vector<std::string> texts;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) continue;
        texts.push_back(Described(&menu, Plain(action->text())));
        if (!action->toolTip().isEmpty() && action->toolTip() != action->text())
            texts.push_back(Described(&menu, action->toolTip()));
        if (const QMenu* sub = action->menu())
            for (std::string& text : MenuTexts(*sub)) texts.push_back(std::move(text));
    }
    return texts;
}

bool HasCyrillic(const std::string& text) {
    for (const QChar c : QString::fromStdString(text))
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF) return true;
    return false;
}

std::vector<WalkedWindow> WalkedWindows(WalkParts parts) {
    parts.lockedDevice.lock = 1;
    parts.lockedDevice.init = 1;
    GlobalSettings& g = parts.g;
    AppRecord& record = parts.record;
    RecordingNotifier& notifier = parts.notifier;
    DeviceRecord& locked = parts.lockedDevice;
    const QString name = parts.sampleName;
    return {
        {"about", [&record](QWidget* p) { return std::make_unique<CAboutDlg>(record, p); }},
        {"exit", [&record](QWidget* p) { return std::make_unique<CClose>(record, p); }},
        {"shortcuts", [](QWidget* p) { return std::make_unique<ShortcutsDialog>(p); }},
        {"rename",
         [&notifier, name](QWidget* p) {
             return std::make_unique<RenameDialog>(name.toStdString(), notifier, p);
         }},
        {"keypad",
         [&g, &locked, &notifier](QWidget* p) {
             return std::make_unique<VideoLockDialog>(g, locked, notifier, p);
         }},
        {"confirmation",
         [name](QWidget* p) {
             // The tree's question before a group is deleted, as the tree asks it.
             return std::make_unique<FramedMessageBox>(
                 CoreText("подсказки"),
                 QCoreApplication::translate("nimbrel::DeviceTreeWidget",
                                             "Вы действительно хотите удалить группу[%1]？")
                     .arg(name),
                 FramedMessageBox::Buttons::OkCancel, p);
         }},
        {"question",
         [](QWidget* p) {
             return std::make_unique<FramedMessageBox>(CoreText("подсказки"),
                                                       CoreText("Доступна новая версия программы. "
                                                                "Обновить сейчас?"),
                                                       FramedMessageBox::Buttons::YesNo, p);
         }},
        {"alarm",
         [&g, &record, &notifier, name](QWidget* p) {
             return std::make_unique<AlarmDialog>(
                 g, record, notifier, AlarmDevice{"NB0000000001", name.toStdString(), 1, 8, 20},
                 AlarmFlow::RecordWriter{}, HttpOptions{}, p);
         }},
        {"feedback",
         [&g, &record, &notifier](QWidget* p) {
             return std::make_unique<FeedbackDialog>(g, record, notifier, HttpOptions{}, p);
         }},
        {"password confirmation",
         [](QWidget* p) { return std::make_unique<PasswordConfirmDialog>("secret", p); }},
        {"password recovery",
         [&g, &notifier](QWidget* p) {
             return std::make_unique<PasswordRecoveryDialog>(g, notifier, QStringLiteral("anna"),
                                                             HttpOptions{}, p);
         }},
        {"sharing",
         [&g, &record, &notifier](QWidget* p) {
             return std::make_unique<SharingDialog>(g, record, notifier, "NB0000000001",
                                                    HttpOptions{}, p);
         }},
        {"settings",
         [&g, &record, &notifier](QWidget* p) {
             return std::make_unique<SettingsDialog>(g, record, notifier, SettingsDialog::Options{},
                                                     p);
         }},
    };
}

std::vector<std::string> RunTimeTextsThatDoNotFit(WalkParts parts, LoginFlow& login) {
    std::vector<std::string> faults;
    // Each text into `line`, the window checked with it.
    const auto walk = [&](const char* where, QWidget* window, QLabel* line,
                          std::initializer_list<const char*> texts) {
        for (const char* text : texts) {
            line->setText(CoreText(text));
            for (const std::string& fault : TextsThatDoNotFit(window))
                faults.push_back(std::string(where) + ": " + fault);
        }
        line->clear();
    };
    {
        LoginWindow window(login);
        window.show();
        QCoreApplication::processEvents();
        using namespace login_text;
        walk("login", &window, window.StatusLabel(),
             {kEnterName, kBadName, kEnterPassword, kBadPassword, kNetwork, kWrongPassword,
              kNoAccount, kExpired, kRefused, kAccountSaveFailed, kSaveFailed,
              LoginFlow::ProgressText(7).c_str()});
        // The refusals are notices over the window too.
        const QRect fields =
            QRect(window.UserNameBox()->mapToGlobal(QPoint(0, 0)), window.UserNameBox()->size())
                .united(QRect(window.PasswordBox()->mapToGlobal(QPoint(0, 0)),
                              window.PasswordBox()->size()));
        for (const char* hint : {kEnterName, kBadName, kEnterPassword, kBadPassword}) {
            const QString text = CoreText(hint);
            CTip& tip = CTip::Instance();
            tip.Show(&window, text, 1000);
            const QRect needed = QFontMetrics(CTip::TextFont())
                                     .boundingRect(tip.TextField(),
                                                   Qt::AlignCenter | Qt::TextWordWrap, text);
            const std::string described = "login notice \"" + text.toStdString() + "\"";
            if (!tip.TextField().contains(needed))
                faults.push_back(described + ": does not fit the notice");
            if (tip.width() > window.width())
                faults.push_back(described + ": wider than the window");
            if (tip.geometry().intersects(fields))
                faults.push_back(described + ": covers the fields");
            tip.hide();
        }
    }
    {
        SettingsDialog settings(parts.g, parts.record, parts.notifier, SettingsDialog::Options{});
        settings.show();
        settings.ShowPage(false);
        QCoreApplication::processEvents();
        using namespace change_text;
        for (QLabel* line : settings.OtherPage()->findChildren<QLabel*>(QStringLiteral("status")))
            walk("settings, password", &settings, line,
                 {kEnterOld, kEnterNew, kEnterRepeat, kBadOld, kBadNew, kMismatch});
    }
    {
        SharingDialog sharing(parts.g, parts.record, parts.notifier, "NB0000000001",
                              HttpOptions{});
        sharing.show();
        QCoreApplication::processEvents();
        walk("sharing", &sharing, sharing.StatusLine(),
             {sharing_text::kEnterName, sharing_text::kBadName});
    }
    {
        PasswordConfirmDialog confirm("secret");
        confirm.show();
        QCoreApplication::processEvents();
        walk("password confirmation", &confirm, confirm.StatusLine(),
             {confirm_text::kEnterPassword, confirm_text::kWrongPassword});
    }
    return faults;
}

void WalkLoginAndPlayback(LoginFlow& flow, CNimbrelDlg& main,
                          const std::function<void(const char*, QWidget*)>& check) {
    {
        LoginWindow login(flow);
        login.Open();
        login.show();
        QCoreApplication::processEvents();
        check("login", &login);
    }
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* playback = qobject_cast<CPlayback*>(QApplication::activeModalWidget());
        if (!playback) {
            ADD_FAILURE() << "no playback window";
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
            return;
        }
        seen = true;
        check("playback", playback);
        QTest::keyClick(playback, Qt::Key_Escape);
    });
    main.Playback(0);  // returns when the window closed
    EXPECT_TRUE(seen);
}

}  // namespace nimbrel::test
