#include "devices/ui/VideoLockDialog.h"

#include <QPushButton>

namespace nimbrel {
namespace {

constexpr const char* kKeyStyle =
    "QPushButton { background: white; color: rgb(64,155,228); border: 1px solid rgb(64,155,228);"
    " border-radius: 30px; font-size: 24px; }";
constexpr const char* kLitStyle =
    "QPushButton { background: rgb(64,155,228); color: white; border: 1px solid rgb(64,155,228);"
    " border-radius: 30px; font-size: 24px; }";

}  // namespace

VideoLockDialog::VideoLockDialog(const GlobalSettings& g, const DeviceRecord& device,
                                 UserNotifier& notifier, QWidget* parent)
    : QDialog(parent),
      keypad_(g, device),
      notifier_(notifier),
      startAgain_(new QPushButton(QStringLiteral("Начать заново"), this)),
      cancel_(new QPushButton(QStringLiteral("Отмена"), this)) {
    setWindowTitle(QStringLiteral("Видеозамок"));
    const int grid = 3 * kKeySize + 2 * kKeyGap;
    for (int digit = 1; digit <= 9; ++digit) {
        const int row = (digit - 1) / 3;
        const int col = (digit - 1) % 3;
        const QRect at(kMargin + col * (kKeySize + kKeyGap), kMargin + row * (kKeySize + kKeyGap),
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
    const int buttonsTop = kMargin + grid + 15;
    const int buttonWidth = (grid - kKeyGap) / 2;
    startAgain_->setObjectName(QStringLiteral("startAgain"));
    startAgain_->setGeometry(kMargin, buttonsTop, buttonWidth, 30);
    startAgain_->setAutoDefault(false);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setGeometry(kMargin + buttonWidth + kKeyGap, buttonsTop, buttonWidth, 30);
    cancel_->setAutoDefault(false);
    connect(startAgain_, &QPushButton::clicked, this, &VideoLockDialog::OnStartAgain);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(2 * kMargin + grid, buttonsTop + 30 + kMargin);
    SyncKeys();
}

void VideoLockDialog::OnKey(int digit) {
    const VideoLockKeypad::KeyResult result = keypad_.Press(digit);
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
}

}  // namespace nimbrel
