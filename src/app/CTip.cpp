#include "app/CTip.h"

#include <QCoreApplication>
#include <QEasingCurve>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace nimbrel {

namespace {

CTip* instance = nullptr;

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
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
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

void CTip::Show(QWidget* parent, const QString& text, int durationMs) {
    fade_.stop();
    text_ = text;
    const QSize size(WindowWidth(text), kHeight);
    QRect over;
    if (parent && parent->isVisible())
        over = parent->window() == parent
                   ? parent->frameGeometry()
                   : QRect(parent->mapToGlobal(QPoint(0, 0)), parent->size());
    else if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
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
    QFont font = p.font();
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(QColor(60, 60, 60));
    const QRect field(kFieldLeft, 0, FieldWidth(text_), height());
    p.drawText(field, Qt::AlignCenter | Qt::TextSingleLine, text_);
}

void ShowTip(QWidget* parent, const QString& text, int durationMs) {
    CTip::Instance().Show(parent, text, durationMs);
}

}  // namespace nimbrel
