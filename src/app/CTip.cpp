#include "app/CTip.h"

#include <QCoreApplication>
#include <QEasingCurve>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "widgets/NoticeArea.h"

namespace nimbrel {

namespace {

CTip* instance = nullptr;

// Room kept between a notice and the sides of the window it is over, and above and below its
// lines when it wraps.
constexpr int kSideRoom = 8;
constexpr int kLineRoom = 12;

// Runs first thing when the application object goes, while widgets can still be destroyed.
void DestroyInstance() {
    delete instance;
    instance = nullptr;
}

}  // namespace

CTip& CTip::Instance() {
    if (!instance) {
        instance = new CTip;
        qAddPostRoutine(DestroyInstance);
    }
    return *instance;
}

CTip::CTip()
    // Out of the window manager's hands: it would place the notice by its own policy (at the
    // screen's corner), not over the window it is about.
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint),
      fade_(this, "windowOpacity") {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    // Legible for most of its time, then gone quickly: the fade lasts the whole duration but
    // speeds up towards its end.
    fade_.setStartValue(1.0);
    fade_.setEndValue(0.0);
    fade_.setEasingCurve(QEasingCurve::InCubic);
    connect(&fade_, &QPropertyAnimation::finished, this, &CTip::Dismiss);
}

QFont CTip::TextFont() {
    QFont font = QGuiApplication::font();
    font.setPixelSize(15);
    return font;
}

void CTip::Show(QWidget* parent, const QString& text, int durationMs) {
    fade_.stop();
    text_ = text;
    QRect over;
    bool overWindow = false;
    if (parent && parent->isVisible()) {
        overWindow = true;
        over = parent->window() == parent
                   ? parent->frameGeometry()
                   : QRect(parent->mapToGlobal(QPoint(0, 0)), parent->size());
        const QRect area = NoticeArea(parent);
        if (area.isValid()) over = QRect(parent->mapToGlobal(area.topLeft()), area.size());
    } else if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        over = screen->availableGeometry();
    }
    int width = WindowWidth(text);
    const int room = (overWindow && parent->window() != parent ? parent->window()->width()
                                                                : over.width()) -
                     2 * kSideRoom;
    if (room > 2 * kFieldLeft + kPixelsPerCharacter) width = std::min(width, room);
    const QRect lines = QFontMetrics(TextFont()).boundingRect(
        QRect(0, 0, width - 2 * kFieldLeft, 10000), Qt::AlignCenter | Qt::TextWordWrap, text);
    const QSize size(width, std::max(kHeight, lines.height() + 2 * kLineRoom));
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(over.center());
    setGeometry(frame);
    setWindowOpacity(1.0);
    show();
    raise();
    update();
    fade_.setDuration(durationMs > 0 ? durationMs : 1);
    fade_.start();
}

void CTip::Dismiss() {
    fade_.stop();
    hide();
}

void CTip::hideEvent(QHideEvent* event) {
    fade_.stop();
    QWidget::hideEvent(event);
    emit Hidden();
}

void CTip::mousePressEvent(QMouseEvent* event) {
    event->accept();
    Dismiss();
}

void CTip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(253, 253, 253));
    p.setPen(QColor(64, 155, 228));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setFont(TextFont());
    p.setPen(QColor(60, 60, 60));
    p.drawText(TextField(), Qt::AlignCenter | Qt::TextWordWrap, text_);
}

void ShowTip(QWidget* parent, const QString& text, int durationMs) {
    CTip::Instance().Show(parent, text, durationMs);
}

}  // namespace nimbrel
