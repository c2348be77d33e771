#include "wall/ui/SplitChooser.h"

#include <QKeyEvent>
#include <QPainter>

#include "wall/ui/PictureButton.h"

namespace nimbrel {
namespace {

const QColor kChooserBorder(64, 155, 228);
const QColor kActiveMark(64, 155, 225);
constexpr int kActiveMarkWidth = 2;

// The pictures of each layout button, at rest and pressed, in the order of kSplitLayouts.
constexpr std::array<std::pair<const char*, const char*>, 6> kPictures{{
    {"Split1x1.bmp", "Split1x1Down.bmp"},
    {"Split2x2.bmp", "Split2x2Down.bmp"},
    {"Split3x3.bmp", "Split3x3Down.bmp"},
    {"Split4x4.bmp", "Split4x4Down.bmp"},
    {"Split1Plus5.bmp", "Split1Plus5Down.bmp"},
    {"Split1Plus7.bmp", "Split1Plus7Down.bmp"},
}};

// Without its pictures a button draws the cells of its layout.
PictureButton::Fallback LayoutFallback(const SplitLayout& layout) {
    return [layout](QPainter& p, const QRect& r, bool down) {
        p.fillRect(r, down ? QColor(225, 225, 255) : QColor(Qt::white));
        const QRect area = r.adjusted(4, 4, -4, -4);
        p.setPen(kChooserBorder);
        p.setBrush(Qt::NoBrush);
        for (const PaneRect& cell : layout.Cells(area.width() + 1, area.height() + 1))
            p.drawRect(area.x() + cell.x, area.y() + cell.y, cell.w - 1, cell.h - 1);
    };
}

}  // namespace

SplitChooser::SplitChooser(CCanvas& canvas, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), canvas_(canvas) {
    setObjectName(QStringLiteral("splitChooser"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(kWidth, kHeight);
    for (std::size_t i = 0; i < kSplitLayouts.size(); ++i) {
        const SplitLayout& layout = kSplitLayouts[i];
        auto* button = new PictureButton(kPictures[i].first, kPictures[i].second,
                                         LayoutFallback(layout), this);
        button->setObjectName(QStringLiteral("split%1").arg(layout.commandId));
        const int row = static_cast<int>(i) / 3, col = static_cast<int>(i) % 3;
        button->setGeometry(kGap + col * (kButtonSize + kGap), kGap + row * (kButtonSize + kGap),
                            kButtonSize, kButtonSize);
        const int id = layout.commandId;
        connect(button, &PictureButton::clicked, this, [this, id] { Choose(id); });
        buttons_[i] = button;
    }
    hide();
}

PictureButton* SplitChooser::Button(int commandId) const {
    for (std::size_t i = 0; i < kSplitLayouts.size(); ++i)
        if (kSplitLayouts[i].commandId == commandId) return buttons_[i];
    return nullptr;
}

void SplitChooser::Toggle(const QRect& button) {
    if (isVisible())
        hide();
    else
        ShowNextTo(button);
}

void SplitChooser::ShowNextTo(const QRect& button) {
    // Right and bottom edges are exclusive: the chooser starts where the button ends.
    move(button.x() + button.width(), button.y() - height());
    show();
    raise();
    activateWindow();
    setFocus();
}

void SplitChooser::Choose(int commandId) {
    // ChooseLayout leaves an already active layout alone (no repacking, the page stays).
    const bool changed = canvas_.ChooseLayout(commandId);
    hide();
    emit LayoutChosen(commandId, changed);
}

void SplitChooser::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(kChooserBorder);
    p.drawRect(0, 0, width() - 1, height() - 1);
    // The layout in use: a frame in the gap around its button.
    if (const PictureButton* active = Button(canvas_.Layout().commandId)) {
        p.setPen(QPen(kActiveMark, kActiveMarkWidth));
        const int out = kActiveMarkWidth / 2 + 2;
        p.drawRect(active->geometry().adjusted(-out, -out, out - 1, out - 1));
    }
}

void SplitChooser::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    update();  // the layout may have changed since the chooser last showed
}

void SplitChooser::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace nimbrel
