// The layout chooser: a small borderless window with six buttons, 1×1, 2×2, 3×3 on top and 4×4,
// one-big-five-small, one-big-seven-small below, white with a blue one-pixel border. It opens
// beside the button that toggles it, the layout in use framed; a layout button, Escape or a press
// on a pane hide it.
// Threading: UI thread only.
#pragma once

#include <array>

#include <QWidget>

#include "wall/CCanvas.h"

namespace nimbrel {

class PictureButton;

class SplitChooser : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kButtonSize = 40;
    static constexpr int kGap = 8;
    static constexpr int kWidth = 3 * kButtonSize + 4 * kGap;
    static constexpr int kHeight = 2 * kButtonSize + 3 * kGap;

    SplitChooser(CCanvas& canvas, QWidget* parent);

    // Hidden: shows the chooser with its left edge at the button's right edge and its bottom
    // edge at the button's top edge (`button` in screen coordinates), focused. Shown: hides it.
    void Toggle(const QRect& button);
    void ShowNextTo(const QRect& button);
    // The button of a layout (1001, 1002, 1018, 1020, 1021, 1022), or null.
    PictureButton* Button(int commandId) const;

  signals:
    // A layout button was pressed; `changed` is false when that layout was already active.
    void LayoutChosen(int commandId, bool changed);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void Choose(int commandId);

    CCanvas& canvas_;
    std::array<PictureButton*, 6> buttons_{};  // in the order of kSplitLayouts
};

}  // namespace nimbrel
