#include "devices/ui/VideoLockDialog.h"

#include <algorithm>

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "widgets/FlatButton.h"

namespace nimbrel {
namespace {

constexpr const char* kKeyStyle =
    "QPushButton { background: white; color: rgb(64,155,228); border: 1px solid rgb(64,155,228);"
    " border-radius: 30px; font-size: 24px; }";
constexpr int kDotsHeight = 28;
constexpr const char* kDotsStyle = "QLabel { color: rgb(64,155,228); font-size: 20px; }";
constexpr const char* kLitStyle =
    "QPushButton { background: rgb(64,155,228); color: white; border: 1px solid rgb(64,155,228);"
    " border-radius: 30px; font-size: 24px; }";

}  // namespace

VideoLockDialog::VideoLockDialog(const GlobalSettings& g, const DeviceRecord& device,
                                 UserNotifier& notifier, QWidget* parent)
    : FramedDialog(parent),
      keypad_(g, device),
      notifier_(notifier),
      dots_(new QLabel(this)),
      startAgain_(new FlatButton(tr("Начать заново"), FlatButton::Scheme::Secondary, this)),
      cancel_(new FlatButton(tr("Отмена"), FlatButton::Scheme::Secondary, this)) {
    setWindowTitle(tr("Видеозамок"));
    const int grid = 3 * kKeySize + 2 * kKeyGap;
    // The two buttons as wide as their texts need, side by side; the keys centred above them.
    const int buttonWidth = std::max(startAgain_->sizeHint().width(), cancel_->sizeHint().width());
    const int width = 2 * kMargin + std::max(grid, 2 * buttonWidth + kKeyGap);
    const int left = (width - grid) / 2, top = BandHeight() + kMargin + kDotsHeight;
    dots_->setObjectName(QStringLiteral("dots"));
    dots_->setStyleSheet(QString::fromLatin1(kDotsStyle));
    dots_->setAlignment(Qt::AlignCenter);
    dots_->setGeometry(kMargin, BandHeight() + kMargin / 2, width - 2 * kMargin, kDotsHeight);
    for (int digit = 1; digit <= 9; ++digit) {
        const int row = (digit - 1) / 3;
        const int col = (digit - 1) % 3;
        const QRect at(left + col * (kKeySize + kKeyGap), top + row * (kKeySize + kKeyGap),
                       kKeySize, kKeySize);
        auto* key = new QPushButton(QString::number(digit), this);
        key->setObjectName(QStringLiteral("key%1").arg(digit));
        key->setStyleSheet(QString::fromLatin1(kKeyStyle));
        key->setGeometry(at);
        key->setAutoDefault(false);
        connect(key, &QPushButton::clicked, this, [this, digit] { OnKey(digit); });
        // The lit twin sits on the key's place; pressing it does nothing (each key counts once).
        auto* lit = new QPushButton(QString::number(digit), this);
        lit->setObjectName(QStringLiteral("lit%1").arg(digit));
        lit->setStyleSheet(QString::fromLatin1(kLitStyle));
        lit->setGeometry(at);
        lit->setAutoDefault(false);
        keys_[static_cast<std::size_t>(digit - 1)] = key;
        lit_[static_cast<std::size_t>(digit - 1)] = lit;
    }
    const int buttonsTop = top + grid + 20;
    const int buttonHeight = startAgain_->sizeHint().height();
    const int buttonsLeft = (width - 2 * buttonWidth - kKeyGap) / 2;
    startAgain_->setObjectName(QStringLiteral("startAgain"));
    startAgain_->setGeometry(buttonsLeft, buttonsTop, buttonWidth, buttonHeight);
    startAgain_->setAutoDefault(false);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setGeometry(buttonsLeft + buttonWidth + kKeyGap, buttonsTop, buttonWidth,
                         buttonHeight);
    cancel_->setAutoDefault(false);
    connect(startAgain_, &QPushButton::clicked, this, &VideoLockDialog::OnStartAgain);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(width, buttonsTop + buttonHeight + kMargin);
    SyncKeys();
}

void VideoLockDialog::OnKey(int digit) {
    OnResult(keypad_.Press(digit));
}

void VideoLockDialog::OnResult(VideoLockKeypad::KeyResult result) {
    SyncKeys();
    switch (result) {
        case VideoLockKeypad::KeyResult::Unlocked:
            accept();
            break;
        case VideoLockKeypad::KeyResult::Reset:
            notifier_.ShowTip(kWrongCodeNotice, 1000);
            break;
        case VideoLockKeypad::KeyResult::Pressed:
        case VideoLockKeypad::KeyResult::Ignored:
            break;
    }
}

void VideoLockDialog::OnStartAgain() {
    keypad_.StartAgain();
    SyncKeys();
}

void VideoLockDialog::SyncKeys() {
    for (int digit = 1; digit <= 9; ++digit) {
        const bool lit = keypad_.IsLit(digit);
        Key(digit)->setVisible(!lit);
        Lit(digit)->setVisible(lit);
    }
    const int in = static_cast<int>(keypad_.Entered().size());
    QStringList dots;
    for (int i = 0; i < in; ++i) dots << QStringLiteral("\u25CF");
    dots_->setText(dots.join(QLatin1Char(' ')));
}

void VideoLockDialog::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
        OnKey(key - Qt::Key_0);
    } else if (key == Qt::Key_Backspace) {
        if (keypad_.TakeBack()) SyncKeys();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        OnResult(keypad_.Submit());
    } else if (key == Qt::Key_Escape) {
        reject();
    } else {
        return FramedDialog::keyPressEvent(event);
    }
    event->accept();
}

}  // namespace nimbrel
