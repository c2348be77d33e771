#include "app/QtNotifier.h"

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
    QWidget* parent = window_ && window_->isVisible() ? window_.data() : nullptr;
    FramedMessageBox box(caption, text, FramedMessageBox::Buttons::Ok, parent);
    box.exec();
}

}  // namespace nimbrel
