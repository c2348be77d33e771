// A frameless dialog in the program's style: a blue band with the window title across the top,
// a white body, a one-pixel blue frame, and a close button in the band. A press anywhere on its
// background moves it.
// Threading: the UI thread.
#pragma once

#include <QDialog>

#include "widgets/WindowMover.h"

namespace nimbrel {

class BitmapButton;

class FramedDialog : public QDialog {
    Q_OBJECT
  public:
    // `bandHeight` pixels of blue at the top; 0 for a white dialog with only the frame.
    explicit FramedDialog(QWidget* parent = nullptr, int bandHeight = 36);

    int BandHeight() const { return bandHeight_; }
    // Whether the band shows a close button (it rejects the dialog).
    void SetCloseButtonVisible(bool visible);
    BitmapButton* CloseButton() const { return close_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Paints the band's content (by default the title in white).
    virtual void PaintBand(QPainter& painter, const QRect& band);

  private:
    int bandHeight_;
    BitmapButton* close_;
    WindowMover mover_{this};
};

}  // namespace nimbrel
