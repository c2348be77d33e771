// The main window's icon in the system tray: a left click brings the window up; the right-click
// menu toggles it ("Свернуть" while shown, "Показать главное окно" while hidden) or ends the
// program ("Выйти"). Its tip is the window title.
// Threading: the UI thread.
#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

namespace nimbrel {

class TrayIcon : public QObject {
    Q_OBJECT
  public:
    // `windowShown` tells whether the main window is visible now (it names the toggle item).
    TrayIcon(const QIcon& icon, const QString& tip, std::function<bool()> windowShown,
             QObject* parent = nullptr);
    ~TrayIcon() override;

    // Whether this desktop has a tray to show the icon in.
    static bool Available();
    void Show();
    void Remove();
    bool Shown() const { return icon_.isVisible(); }

    // The toggle item's text for the window's current state.
    QString ToggleText() const;
    QMenu* Menu() { return &menu_; }

  signals:
    void ShowRequested();    // a left click on the icon
    void ToggleRequested();  // "Свернуть" / "Показать главное окно"
    void ExitRequested();    // "Выйти"

  private:
    std::function<bool()> windowShown_;
    QSystemTrayIcon icon_;
    QMenu menu_;
    QAction* toggle_;
    QAction* exit_;
};

}  // namespace nimbrel
