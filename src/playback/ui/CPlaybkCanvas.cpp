#include "playback/ui/CPlaybkCanvas.h"

#include <QPainter>

#include "playback/PlaybackLayout.h"
#include "widgets/Artwork.h"
#include "widgets/Palette.h"

namespace nimbrel {
namespace {

const QColor kBox(94, 185, 255);
const QColor kLitBox(64, 155, 228);

// The idle and failed pictures in the files that suit the device `p` draws on; a dark fill
// stands in for a missing one.
void DrawStatePicture(QPainter& p, const QRect& area, bool failed) {
    const QImage& picture = SharedPicture(failed ? QStringLiteral("CameraRectPlayback2.bmp")
                                                 : QStringLiteral("CameraRectPlayback.bmp"),
                                          p.device()->devicePixelRatioF());
    if (picture.isNull())
        p.fillRect(area, failed ? QColor(90, 30, 30) : palette::kDarkBackground);
    else
        p.drawImage(area, picture);
}

}  // namespace

CPlaybkCanvas::CPlaybkCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPlaybkCanvas::SetPlayState(int state) {
    if (state == state_) return;
    state_ = state;
    if (state != kPlaying) picture_ = PanePicture{};
    update();
}

void CPlaybkCanvas::SetSurface(PaneSurface* surface) {
    if (surface_) surface_->SetWakeup(nullptr);
    surface_ = surface;
    picture_ = PanePicture{};
    if (!surface_) return;
    surface_->SetDrawSize(width(), height());
    // Called on the stream's display tick: only a queued repaint crosses to this thread.
    surface_->SetWakeup([this] {
        QMetaObject::invokeMethod(
            this, [this] { update(); }, Qt::QueuedConnection);
    });
}

void CPlaybkCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (surface_) surface_->SetDrawSize(width(), height());
}

void CPlaybkCanvas::SetAnimationStep(int step) {
    step_ = step;
    if (state_ == kStarting) update();
}

void CPlaybkCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect area = rect();
    switch (state_) {
        case kPlaying:
            if (surface_) surface_->TakeFront(picture_);
            if (picture_.bgrx.empty()) {
                p.fillRect(area, Qt::black);
            } else {
                const QImage image(picture_.bgrx.data(), picture_.width, picture_.height,
                                   picture_.stride, QImage::Format_RGB32);
                // A recording smaller than the area comes at its own size and is stretched.
                p.setRenderHint(QPainter::SmoothPixmapTransform, image.size() != area.size());
                p.drawImage(area, image);
            }
            break;
        case kStarting: {
            DrawStatePicture(p, area, false);
            const PlaybackProgressBoxes boxes =
                ComputeProgressBoxes(area.width(), area.height(), step_);
            for (int k = 0; k < 6; ++k) {
                const PlaybackRect& b = boxes.boxes[static_cast<std::size_t>(k)];
                p.fillRect(QRect(b.x, b.y, b.w, b.h), k == boxes.lit ? kLitBox : kBox);
            }
            break;
        }
        case kFailed:
            DrawStatePicture(p, area, true);
            break;
        default:
            DrawStatePicture(p, area, false);
            break;
    }
}

}  // namespace nimbrel
