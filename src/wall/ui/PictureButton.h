// A button drawn from two pictures, one for rest and one while pressed; when a picture file is
// missing a drawing function stands in, so the button never goes blank. The pictures are drawn
// from the files that suit the pixel density of the button's screen.
// Threading: UI thread only.
#pragma once

#include <functional>

#include <QAbstractButton>
#include <QPixmap>
#include <QString>

namespace nimbrel {

class PictureButton : public QAbstractButton {
    Q_OBJECT

  public:
    // Draws the button into `rect`; `down` while it is pressed.
    using Fallback = std::function<void(QPainter& painter, const QRect& rect, bool down)>;

    // `normal` and `pressed` are picture file names in the resource folder; `pressed` may be
    // empty (the normal picture is used).
    PictureButton(const char* normal, const char* pressed, Fallback fallback, QWidget* parent);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The picture drawn now: the pressed one while down (when there is one), else the normal one.
    QPixmap Picture(bool down) const;

    QString normal_;
    QString pressed_;
    Fallback fallback_;
};

}  // namespace nimbrel
