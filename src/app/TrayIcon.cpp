#include "app/TrayIcon.h"

namespace nimbrel {

TrayIcon::TrayIcon(const QIcon& icon, const QString& tip, std::function<bool()> windowShown,
                   QObject* parent)
    : QObject(parent), windowShown_(std::move(windowShown)), icon_(icon) {
    icon_.setToolTip(tip);
    toggle_ = menu_.addAction(ToggleText());
    exit_ = menu_.addAction(tr("Выйти"));
    icon_.setContextMenu(&menu_);
    // The item names what it will do, so it is named again each time the menu opens.
    connect(&menu_, &QMenu::aboutToShow, this, [this] { toggle_->setText(ToggleText()); });
    connect(toggle_, &QAction::triggered, this, &TrayIcon::ToggleRequested);
    connect(exit_, &QAction::triggered, this, &TrayIcon::ExitRequested);
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    emit ShowRequested();
            });
}

TrayIcon::~TrayIcon() {
    Remove();
}

bool TrayIcon::Available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::Show() {
    icon_.show();
}

void TrayIcon::Remove() {
    icon_.hide();
}

QString TrayIcon::ToggleText() const {
    return windowShown_ && windowShown_() ? tr("Свернуть") : tr("Показать главное окно");
}

}  // namespace nimbrel
