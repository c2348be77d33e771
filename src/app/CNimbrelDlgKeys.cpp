// The main window's keyboard shortcuts (see Shortcuts.h for the list) and the wall-only full
// screen they switch: F11, Ctrl+1…6, Page Up/Down, Ctrl+arrows, Enter, Delete, T, Space and F1.
#include <algorithm>

#include <QAbstractButton>
#include <QKeyEvent>

#include "app/CNimbrelDlg.h"
#include "app/TourControl.h"
#include "app/Shortcuts.h"
#include "app/ShortcutsDialog.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "wall/ui/CanvasWidget.h"
#include "widgets/BitmapButton.h"
#include "widgets/SplitterHandle.h"

namespace nimbrel {
namespace {

std::optional<StepDirection> StepOf(int key) {
    switch (key) {
        case Qt::Key_Left:
            return StepDirection::Left;
        case Qt::Key_Right:
            return StepDirection::Right;
        case Qt::Key_Up:
            return StepDirection::Up;
        case Qt::Key_Down:
            return StepDirection::Down;
        default:
            return std::nullopt;
    }
}

}  // namespace

bool CNimbrelDlg::HandleShortcut(QWidget* target, QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = mods == Qt::NoModifier, ctrl = mods == Qt::ControlModifier;
    const bool inWall = canvasView_ && (target == canvasView_ || canvasView_->isAncestorOf(target));
    if (key == Qt::Key_F11 && plain) {
        SetFullScreen(!fullScreen_);
        return true;
    }
    if (key == Qt::Key_Escape && fullScreen_) {
        SetFullScreen(false);
        return true;
    }
    if (key == Qt::Key_H && ctrl) {
        RunCommand(kCmdArchive);
        return true;
    }
    if (key == Qt::Key_T && plain) {
        tour_->Toggle();
        return true;
    }
    // Space holds a running tour; otherwise it stays the focused button's.
    if (key == Qt::Key_Space && plain && tour_->TogglePause()) return true;
    if (key == Qt::Key_F1 && plain) {
        ShowShortcuts();
        return true;
    }
    if (ctrl && key >= Qt::Key_1 && key <= Qt::Key_6) {
        session_.Canvas().ChooseLayout(
            kSplitLayouts[static_cast<std::size_t>(key - Qt::Key_1)].commandId);
        return true;
    }
    if ((key == Qt::Key_PageUp || key == Qt::Key_PageDown) && plain) {
        RunCommand(key == Qt::Key_PageUp ? kBtnPrevPage : kBtnNextPage);
        return true;
    }
    if (const auto step = StepOf(key); step && ctrl) {
        StepSelection(*step);
        return true;
    }
    // Enter on a toolbar button stays the button's; on the wall it is the selected pane's.
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && plain &&
        (inWall || target == this || fullScreen_)) {
        ToggleSelectedMaximise();
        return true;
    }
    if (key == Qt::Key_Delete && plain && !qobject_cast<QAbstractButton*>(target)) {
        if (SelectedCamera()) RunCommand(kBtnStop);
        return true;
    }
    return false;
}

std::optional<int> CNimbrelDlg::SelectedPane() const {
    const CCanvas& canvas = session_.Canvas();
    const PaneOwner* selected = canvas.SelectedCamera();
    if (!selected) return std::nullopt;
    return canvas.PaneAt(selected->m_nPage, selected->m_nSlot);
}

void CNimbrelDlg::StepSelection(StepDirection direction) {
    CCanvas& canvas = session_.Canvas();
    // The panes of the page shown that hold a camera: only those can be selected.
    std::vector<PaneRect> cells;
    std::vector<int> panes;
    const std::optional<int> current = SelectedPane();
    std::size_t from = 0;
    const auto all = canvas.Panes();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!all[i].visible || !all[i].owner) continue;
        if (current && *current == static_cast<int>(i)) from = cells.size();
        cells.push_back(all[i].windowRect);
        panes.push_back(static_cast<int>(i));
    }
    if (cells.empty()) return;
    // Nothing selected on this page yet: the first pane with a camera takes the selection.
    std::optional<std::size_t> next;
    if (!current || std::find(panes.begin(), panes.end(), *current) == panes.end())
        next = 0;
    else
        next = nimbrel::StepSelection(cells, from, direction);
    if (next) SelectPane(panes[*next]);
}

bool CNimbrelDlg::SelectPane(int pane) {
    CCanvas& canvas = session_.Canvas();
    const std::optional<PaneState> state = canvas.Pane(pane);
    if (!state) return false;
    const PaneRect& r = state->windowRect;
    if (!canvas.PressPane(pane, r.x + r.w / 2, r.y + r.h / 2)) return false;
    canvas.ReleasePointer(r.x + r.w / 2, r.y + r.h / 2);
    if (auto* camera = dynamic_cast<CCamera*>(canvas.SelectedCamera()))
        tree_->HighlightDevice(camera);
    return true;
}

void CNimbrelDlg::ToggleSelectedMaximise() {
    if (const std::optional<int> pane = SelectedPane()) session_.Canvas().ToggleMaximise(*pane);
}

void CNimbrelDlg::SetFullScreen(bool on) {
    if (on == fullScreen_) return;
    fullScreen_ = on;
    if (on) {
        beforeFullScreen_ = geometry();
        showFullScreen();
    } else {
        showNormal();
        if (beforeFullScreen_.isValid()) setGeometry(beforeFullScreen_);
    }
    // Only the wall shows in full screen: no title band, toolbar or tree.
    tree_->setVisible(!on);
    treeSplitter_->setVisible(!on);
    ShowPageLabel();
    for (const int id : kTitleButtons) buttons_[id]->setVisible(!on);
    tourButton_->setVisible(!on);
    if (!on) {
        buttons_[kBtnMaximise]->setVisible(!maximised_);
        buttons_[kBtnRestore]->setVisible(maximised_);
        ApplyToolbar();
    } else {
        for (const int id : kToolbarButtons) buttons_[id]->setVisible(false);
    }
    Relayout();
}

void CNimbrelDlg::ShowShortcuts() {
    ShortcutsDialog help(this);
    help.exec();
}

}  // namespace nimbrel
