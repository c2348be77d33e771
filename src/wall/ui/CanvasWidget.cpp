#include "wall/ui/CanvasWidget.h"

#include <algorithm>
#include <mutex>

#include <QPainter>
#include <QThread>

#include "wall/ui/PaneWidget.h"
#include "wall/ui/SplitChooser.h"

namespace nimbrel {

// What the picture wake-ups reach: camera threads call them at any time, so they go through a
// lock that the window's destruction takes to cut them off.
struct CanvasWidget::WakeTarget {
    std::mutex lock;
    CanvasWidget* canvas = nullptr;
};

CanvasWidget::CanvasWidget(CCanvas& canvas, QWidget* parent)
    : QWidget(parent),
      canvas_(canvas),
      chooser_(new SplitChooser(canvas, this)),
      wake_(std::make_shared<WakeTarget>()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    wake_->canvas = this;
    for (int i = 0; i < CCanvas::kPanes; ++i) {
        auto* pane = new PaneWidget(canvas_, i, this);
        panes_[static_cast<std::size_t>(i)] = pane;
        connect(pane, &PaneWidget::Pressed, chooser_, &QWidget::hide);
        connect(pane, &PaneWidget::CameraPressed, this, &CanvasWidget::CameraPressed);
        connect(pane, &PaneWidget::MenuRequested, this, &CanvasWidget::PaneMenuRequested);
        ApplyGeometry(i);
        ApplyVisibility(i);
        canvas_.Surface(i)->SetWakeup([target = wake_, i] {
            std::lock_guard guard(target->lock);
            if (!target->canvas) return;
            PaneWidget* pane = target->canvas->Pane(i);
            QMetaObject::invokeMethod(
                pane, [pane] { pane->PictureReady(); }, Qt::QueuedConnection);
        });
    }
    canvas_.SetListener(this);
    healthTimer_.setInterval(kHealthPeriodMs);
    connect(&healthTimer_, &QTimer::timeout, this, &CanvasWidget::SampleHealth);
}

CanvasWidget::~CanvasWidget() {
    canvas_.SetListener(nullptr);
    std::lock_guard guard(wake_->lock);
    wake_->canvas = nullptr;
}

PaneWidget* CanvasWidget::Pane(int index) const {
    if (index < 0 || index >= CCanvas::kPanes) return nullptr;
    return panes_[static_cast<std::size_t>(index)];
}

void CanvasWidget::ToggleChooser(const QRect& button) {
    chooser_->Toggle(button);
}

void CanvasWidget::SetHealthOverlay(bool on) {
    if (on == HealthOverlay()) return;
    if (!on) {
        healthTimer_.stop();
        for (PaneWidget* pane : panes_) pane->ClearHealth();
        return;
    }
    healthTimer_.start();
    SampleHealth();
}

void CanvasWidget::SampleHealth() {
    // A hidden pane forgets its camera: its pictures are not shown meanwhile, so a window over
    // that time would understate the rate. Its page coming up starts a new window.
    const auto now = std::chrono::steady_clock::now();
    for (PaneWidget* pane : panes_) {
        if (pane->isVisible())
            pane->SampleHealth(now);
        else
            pane->ClearHealth();
    }
}

void CanvasWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    canvas_.PlacePanes(width(), height());
}

void CanvasWidget::OnUiThread(std::function<void()> f) {
    if (QThread::currentThread() == thread())
        f();
    else
        QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
}

void CanvasWidget::ApplyGeometry(int index) {
    const std::optional<PaneState> state = canvas_.Pane(index);
    PaneWidget* pane = Pane(index);
    if (!state || !pane) return;
    const PaneRect& r = state->windowRect;
    pane->setGeometry(r.x, r.y, r.w, r.h);
    // The pane that follows the cursor is drawn above the others.
    if (canvas_.MovingPane() == index) pane->raise();
    pane->update();
}

void CanvasWidget::ApplyVisibility(int index) {
    const std::optional<PaneState> state = canvas_.Pane(index);
    if (PaneWidget* pane = Pane(index); state && pane) pane->setVisible(state->visible);
}

void CanvasWidget::PaneGeometryChanged(int pane) {
    OnUiThread([this, pane] {
        ApplyGeometry(pane);
        NoteMaximised();
    });
}

void CanvasWidget::PaneVisibilityChanged(int pane) {
    OnUiThread([this, pane] {
        ApplyVisibility(pane);
        NotePage();
    });
}

void CanvasWidget::PaneInvalidated(int pane) {
    // A pane taken or given back may change the page count.
    OnUiThread([this, pane] {
        if (PaneWidget* widget = Pane(pane)) widget->StateChanged();
        NotePage();
        emit PaneStateChanged(pane);
    });
}

void CanvasWidget::NotePage() {
    // With no camera open page 0 is still shown.
    const std::pair<int, int> page{canvas_.CurrentPage(), std::max(1, canvas_.PageCount())};
    if (page == page_) return;
    page_ = page;
    emit PageChanged(page.first, page.second);
}

void CanvasWidget::NoteMaximised() {
    bool maximised = false;
    for (const PaneState& pane : canvas_.Panes()) maximised = maximised || pane.maximised;
    if (maximised == maximised_) return;
    maximised_ = maximised;
    emit MaximisedChanged(maximised);
}

void CanvasWidget::SelectionChanged() {
    OnUiThread([this] { emit SelectedCameraChanged(); });
}

}  // namespace nimbrel
