// The context menu of a pane with a camera: the toolbar's commands on that pane (stop, rotate,
// snapshot, record, device audio, talk, bit rate), maximise or restore, copying the camera's
// name and id, and the wall's health overlay switch. The pane is selected first, so every command
// takes the path of its toolbar button or key, checks and hints included.
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <functional>
#include <map>

#include "app/CNimbrelDlg.h"
#include "app/MainControls.h"
#include "widgets/CoreText.h"

namespace nimbrel {

void CNimbrelDlg::ShowPaneMenu(int pane, const QPoint& globalPos) {
    if (!SelectPane(pane)) return;
    const CCamera* camera = SelectedCamera();
    const std::optional<PaneState> state = session_.Canvas().Pane(pane);
    if (!camera || !state) return;

    QMenu menu(this);
    menu.setObjectName(QStringLiteral("paneMenu"));
    std::map<QAction*, std::function<void()>> commands;
    const auto add = [&](const QString& text, std::function<void()> run) {
        commands[menu.addAction(text)] = std::move(run);
    };
    // The stacked buttons name what a click does now (record on or off, …): the toolbar
    // follows the pane just selected, so its visible button of each stack is the one to run.
    const auto addButton = [&](int id) { add(ToolbarTip(id), [this, id] { RunCommand(id); }); };
    addButton(kBtnStop);
    add(state->maximised ? tr("Восстановить") : tr("Развернуть"),
        [this] { ToggleSelectedMaximise(); });
    addButton(kBtnRotate);
    addButton(kBtnSnapshot);
    addButton(toolbar_.Record());
    addButton(toolbar_.Audio());
    addButton(toolbar_.Talk());
    addButton(toolbar_.BitRate());
    menu.addSeparator();
    // Copied when the menu opened: the camera may stop while the menu is open.
    const QString name = QString::fromStdString(camera->Name());
    const QString sid =
        QString::fromLatin1(camera->Sid().data(), static_cast<qsizetype>(camera->Sid().size()));
    add(tr("Копировать имя камеры"), [name] { QGuiApplication::clipboard()->setText(name); });
    add(tr("Копировать ID камеры"), [sid] { QGuiApplication::clipboard()->setText(sid); });
    menu.addSeparator();
    // The overlay is the whole wall's, as in the title band's menu.
    QAction* overlay = menu.addAction(CoreText(kHealthOverlayText));
    overlay->setCheckable(true);
    overlay->setChecked(HealthOverlay());
    commands[overlay] = [this] { RunCommand(kCmdHealthOverlay); };

    if (QAction* chosen = menu.exec(globalPos)) {
        const auto found = commands.find(chosen);
        // A menu that the command opens (the bit rates) opens where this one was.
        paneMenuAt_ = globalPos;
        if (found != commands.end()) found->second();
        paneMenuAt_.reset();
    }
}

}  // namespace nimbrel
