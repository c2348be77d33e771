#include "widgets/FramedDialog.h"

#include <QMouseEvent>
#include <QPainter>

#include "widgets/BitmapButton.h"
#include "widgets/Palette.h"

namespace nimbrel {

FramedDialog::FramedDialog(QWidget* parent, int bandHeight)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), bandHeight_(bandHeight) {
    close_ = new BitmapButton(this);
    close_->SetPictureBase("TitleClose");
    close_->setFocusPolicy(Qt::NoFocus);
    close_->setToolTip(tr("Закрыть"));
    close_->setVisible(bandHeight > 0);
    connect(close_, &QAbstractButton::clicked, this, &QDialog::reject);
}

void FramedDialog::SetCloseButtonVisible(bool visible) {
    close_->setVisible(visible && bandHeight_ > 0);
}

void FramedDialog::resizeEvent(QResizeEvent* event) {
    close_->setGeometry(width() - 34, (qMin(bandHeight_, 36) - 20) / 2, 30, 20);
    QDialog::resizeEvent(event);
}

void FramedDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (bandHeight_ > 0) {
        const QRect band(0, 0, width(), bandHeight_);
        p.fillRect(band, palette::kBlue);
        PaintBand(p, band);
    }
    p.setPen(palette::kBlue);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void FramedDialog::PaintBand(QPainter& p, const QRect& band) {
    QFont f = font();
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(band.adjusted(14, 0, -40, 0), Qt::AlignVCenter | Qt::AlignLeft, windowTitle());
}

void FramedDialog::mousePressEvent(QMouseEvent* event) {
    if (!mover_.Press(event)) QDialog::mousePressEvent(event);
}

void FramedDialog::mouseMoveEvent(QMouseEvent* event) {
    if (!mover_.Move(event)) QDialog::mouseMoveEvent(event);
}

void FramedDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (!mover_.Release(event)) QDialog::mouseReleaseEvent(event);
}

}  // namespace nimbrel
