#include "app/QtNotifier.h"

#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include "app/CTip.h"
#include "platform/Log.h"
#include "widgets/CoreText.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel {

QtNotifier::QtNotifier(QObject* parent) : QObject(parent) {}

bool QtNotifier::OnUiThread() const {
    return QThread::currentThread() == thread();
}

// The core hands its messages over in Russian: they are shown in the user's language.
void QtNotifier::MessageBox(std::string_view text, std::string_view caption, Icon icon) {
    const QString qtext = CoreText(std::string(text)), qcaption = CoreText(std::string(caption));
    if (OnUiThread())
        ShowMessageNow(qtext, qcaption, icon);
    else
        QMetaObject::invokeMethod(
            this, [this, qtext, qcaption, icon] { ShowMessageNow(qtext, qcaption, icon); },
            Qt::QueuedConnection);
}

void QtNotifier::ShowTip(std::string_view text, int durationMs) {
    const QString qtext = CoreText(std::string(text));
    if (OnUiThread())
        nimbrel::ShowTip(window_, qtext, durationMs);
    else
        QMetaObject::invokeMethod(
            this, [this, qtext, durationMs] { nimbrel::ShowTip(window_, qtext, durationMs); },
            Qt::QueuedConnection);
}

// The program's own framed box: the kind of message shows in its text, not in a theme icon.
void QtNotifier::ShowMessageNow(const QString& text, const QString& caption, Icon) {
    emit MessageShown(text, caption);
    // Logged too: on a machine without a screen (or one the user does not watch) the log is the
    // only place that tells why the program waits.
    NLOG_INFO("QtNotifier: message box \"" << caption.toStdString()
                                           << "\": " << text.toStdString());
    // The box belongs to the window that caused it, or to the nearest shown window above that
    // one; it is centred over the window that caused it even when that one has just closed (a
    // dialog whose answer came as it closed), else over the screen.
    QWidget* parent = window_;
    while (parent && !parent->isVisible()) parent = parent->parentWidget();
    FramedMessageBox box(caption, text, FramedMessageBox::Buttons::Ok, parent);
    box.adjustSize();
    QRect over;
    if (window_ && (window_->isVisible() || window_->testAttribute(Qt::WA_WState_ExplicitShowHide)))
        over = window_->frameGeometry();
    else if (parent)
        over = parent->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    if (over.isValid()) {
        QRect frame = box.frameGeometry();
        frame.moveCenter(over.center());
        box.move(frame.topLeft());
    }
    box.exec();
}

}  // namespace nimbrel
