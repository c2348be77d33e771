#include "wall/ui/PaneWidget.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QToolTip>

#include "live/CCamera.h"
#include "wall/ui/PanePainter.h"
#include "wall/ui/PictureButton.h"

namespace nimbrel {
namespace {

using Direction = PtzRequests::Direction;

QRect ToQRect(const PaneRect& r) {
    return QRect(r.x, r.y, r.w, r.h);
}

// An arrow drawn in place of a missing arrow picture.
PictureButton::Fallback ArrowFallback(Direction d) {
    return [d](QPainter& p, const QRect& r, bool down) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, down ? 200 : 120));
        p.drawEllipse(r.adjusted(2, 2, -2, -2));
        const QPoint c = r.center();
        const int s = r.width() / 4;
        QPolygon arrow;
        switch (d) {
            case Direction::Up:
                arrow << c + QPoint(0, -s) << c + QPoint(s, s / 2) << c + QPoint(-s, s / 2);
                break;
            case Direction::Down:
                arrow << c + QPoint(0, s) << c + QPoint(s, -s / 2) << c + QPoint(-s, -s / 2);
                break;
            case Direction::Left:
                arrow << c + QPoint(-s, 0) << c + QPoint(s / 2, -s) << c + QPoint(s / 2, s);
                break;
            case Direction::Right:
                arrow << c + QPoint(s, 0) << c + QPoint(-s / 2, -s) << c + QPoint(-s / 2, s);
                break;
        }
        p.setBrush(QColor(64, 155, 228));
        p.drawPolygon(arrow);
    };
}

const char* ArrowPicture(Direction d) {
    switch (d) {
        case Direction::Up:
            return "PtzUp.png";
        case Direction::Down:
            return "PtzDown.png";
        case Direction::Left:
            return "PtzLeft.png";
        case Direction::Right:
            break;
    }
    return "PtzRight.png";
}

}  // namespace

PaneWidget::PaneWidget(CCanvas& canvas, int index, QWidget* parent)
    : QWidget(parent), canvas_(canvas), index_(index) {
    setObjectName(QStringLiteral("pane%1").arg(index));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    for (Direction d : {Direction::Up, Direction::Down, Direction::Left, Direction::Right}) {
        auto* arrow = new PictureButton(ArrowPicture(d), nullptr, ArrowFallback(d), this);
        arrow->setFixedSize(kArrowSize, kArrowSize);
        arrow->hide();
        connect(arrow, &PictureButton::clicked, this, [this, d] { Ptz().Request(d); });
        arrows_[static_cast<std::size_t>(d)] = arrow;
    }
    hide();
}

PictureButton* PaneWidget::Arrow(Direction d) const {
    return arrows_[static_cast<std::size_t>(d)];
}

void PaneWidget::PictureReady() {
    // The picture is painted in place from the surface (no copy of its own: at full screen a
    // picture is 8 MB); re-arming before the paint means a later picture wakes the pane again.
    if (PaneSurface* surface = canvas_.Surface(index_)) surface->Rearm();
    update();
}

void PaneWidget::StateChanged() {
    const std::optional<PaneState> state = canvas_.Pane(index_);
    if (!state || !state->owner) SetArrowsVisible(false);
    update();
}

const CCamera* PaneWidget::Camera() const {
    const std::optional<PaneState> state = canvas_.Pane(index_);
    return state ? dynamic_cast<const CCamera*>(state->owner) : nullptr;
}

void PaneWidget::SampleHealth(std::chrono::steady_clock::time_point now) {
    const CCamera* camera = Camera();
    if (camera != measured_) {
        meter_.Reset();
        measured_ = camera;
        health_.reset();
    }
    // An empty pane has nothing to show; the release that emptied it repainted it already.
    if (!camera) return;
    health_ = meter_.Update(SampleView(*camera), now);
    update();
}

void PaneWidget::ClearHealth() {
    if (!measured_ && !health_) return;
    meter_.Reset();
    measured_ = nullptr;
    health_.reset();
    update();
}

std::optional<PaneHealth> PaneWidget::Health() const {
    // Another camera may have taken the pane since the last look: its numbers are not shown.
    if (!health_ || !measured_ || Camera() != measured_) return std::nullopt;
    return health_;
}

QStringList PaneWidget::HealthText() const {
    QStringList lines;
    if (const std::optional<PaneHealth> health = Health())
        for (const std::string& line : HealthLines(*health)) lines << QString::fromStdString(line);
    return lines;
}

QString PaneWidget::ToolTipText() const {
    const CCamera* camera = Camera();
    if (!camera) return {};
    return QString::fromStdString(PaneToolTip(camera->Name(), camera->m_DeviceNATType.load()));
}

bool PaneWidget::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    // Asked for each time it shows, so that it names the route the camera uses now.
    const auto* help = static_cast<QHelpEvent*>(event);
    if (const QString text = ToolTipText(); !text.isEmpty()) {
        QToolTip::showText(help->globalPos(), text, this);
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

bool PaneWidget::ShowsPlayingPtzCamera() const {
    const CCamera* camera = Camera();
    return camera && camera->type[0] == 'y' && camera->m_nStatus.load() == kStatusPlaying;
}

void PaneWidget::SetArrowsVisible(bool visible) {
    for (PictureButton* arrow : arrows_) arrow->setVisible(visible);
}

void PaneWidget::PlaceArrows() {
    const int w = width(), h = height();
    Arrow(Direction::Up)->move(w / 2 - 10, 15);
    Arrow(Direction::Down)->move(w / 2 - 10, h - 55);
    Arrow(Direction::Left)->move(15, h / 2 - 10);
    Arrow(Direction::Right)->move(w - 55, h / 2 - 10);
}

void PaneWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceArrows();
    // A new layout puts another part of the wall under the cursor: the next move decides.
    SetArrowsVisible(false);
}

void PaneWidget::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    SetArrowsVisible(false);
}

void PaneWidget::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    SetArrowsVisible(false);
}

void PaneWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const std::optional<PaneState> state = canvas_.Pane(index_);
    if (!state) return;
    const QRect draw = ToQRect(state->drawRect);
    const auto* camera = dynamic_cast<const CCamera*>(state->owner);
    if (!state->owner) {
        SetArrowsVisible(false);
        PanePainter::Idle(p, draw);
    } else if (camera) {
        if (!ShowsPlayingPtzCamera()) SetArrowsVisible(false);
        const int status = camera->m_nStatus.load();
        switch (status) {
            case kStatusPlaying:
                PaintPicture(p, draw, state->owner, true);
                break;
            case kStatusConnecting:
                PanePainter::Connecting(p, draw, camera->m_nProgressFrame.load());
                break;
            case kStatusFailed:
                PanePainter::Failed(p, draw);
                break;
            default:
                PanePainter::Idle(p, draw);
                break;
        }
        // A connecting view has nothing to measure yet; a failed one may say that it stalled.
        if (status == kStatusPlaying || status == kStatusFailed)
            if (const std::optional<PaneHealth> health = Health())
                PanePainter::Health(p, draw, HealthText(), health->stalled);
    } else {
        // Another kind of occupant (a playback) that hands pictures over the same way.
        PaintPicture(p, draw, state->owner, false);
    }
    if (state->selected)
        PanePainter::Selection(p, size());
    else
        PanePainter::Border(p, size());
}

void PaneWidget::PaintPicture(QPainter& p, const QRect& draw, const PaneOwner* owner,
                              bool playing) {
    PaneSurface* surface = canvas_.Surface(index_);
    bool painted = false;
    // Only the occupant's picture: the surface drops a previous occupant's when the pane changes
    // hands, and the owner check covers the moment in between. Nothing else is locked here.
    if (surface)
        surface->ReadFront([&](const PanePicture& front) {
            if (front.owner != owner || front.width <= 0) return;
            PanePainter::Live(p, draw, front);
            painted = true;
        });
    if (painted) return;
    if (playing)
        PanePainter::Live(p, draw, PanePicture{});
    else
        PanePainter::Idle(p, draw);
}

// --- mouse and keys ---

QPoint PaneWidget::ToCanvas(const QPoint& pos) const {
    return mapToParent(pos);
}

void PaneWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    emit Pressed();
    const std::optional<PaneState> state = canvas_.Pane(index_);
    const QPoint at = ToCanvas(event->position().toPoint());
    if (state && state->owner && canvas_.PressPane(index_, at.x(), at.y()))
        emit CameraPressed(state->owner);
}

void PaneWidget::contextMenuEvent(QContextMenuEvent* event) {
    // An empty pane has nothing to act on: no menu.
    const std::optional<PaneState> state = canvas_.Pane(index_);
    if (state && state->owner) emit MenuRequested(index_, event->globalPos());
}

void PaneWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QRect inner = rect().adjusted(kArrowMargin, kArrowMargin, -kArrowMargin, -kArrowMargin);
    SetArrowsVisible(ShowsPlayingPtzCamera() && inner.contains(pos));
    if (event->buttons() & Qt::LeftButton) {
        const QPoint at = ToCanvas(pos);
        canvas_.MovePointer(at.x(), at.y());
    }
}

void PaneWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = ToCanvas(event->position().toPoint());
    canvas_.ReleasePointer(at.x(), at.y());
}

void PaneWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) canvas_.ToggleMaximise(index_);
}

void PaneWidget::keyPressEvent(QKeyEvent* event) {
    const auto turn = [&](Direction d) {
        // As the on-screen arrows: only a camera that turns gets the request. Either way the
        // arrow ends here, so the keyboard focus stays on the pane for the next one.
        if (ShowsPlayingPtzCamera()) Ptz().Request(d);
        event->accept();
    };
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (plain ? event->key() : 0) {
        case Qt::Key_Up:
            return turn(Direction::Up);
        case Qt::Key_Down:
            return turn(Direction::Down);
        case Qt::Key_Left:
            return turn(Direction::Left);
        case Qt::Key_Right:
            return turn(Direction::Right);
        default:
            break;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            // The pane never closes anything on these.
            event->accept();
            return;
        case Qt::Key_F4:
            if (event->modifiers() & Qt::AltModifier) {
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace nimbrel
