// An owner-drawn button that shows one of three pictures: normal, selected (pressed or checked)
// and focused (keyboard focus or the mouse over it). It can take the focus when the mouse enters
// it, as the main window's toolbar does.
// Threading: the UI thread.
#pragma once

#include <array>

#include <QAbstractButton>
#include <QPixmap>
#include <QString>

namespace nimbrel {

class BitmapButton : public QAbstractButton {
    Q_OBJECT
  public:
    enum class State { Normal, Selected, Focused };

    explicit BitmapButton(QWidget* parent = nullptr);

    // Draws "<base>.png", "<base>Sel.png" and "<base>Focus.png" of the resource folder.
    void SetPictureBase(const QString& base);
    // Draws the one picture file `name` of the resource folder in every state.
    void SetSinglePictureFile(const QString& name);
    // Pictures the caller made (with the device pixel ratio it drew them for).
    void SetPictures(const QPixmap& normal, const QPixmap& selected, const QPixmap& focused);

    // The command number the window dispatches on.
    int Id() const { return id_; }
    void SetId(int id) { id_ = id; }

    void SetFocusOnHover(bool on) { focusOnHover_ = on; }

    // The state whose picture is drawn now.
    State CurrentState() const;
    // The picture drawn in `state` on the button's screen now.
    QPixmap Picture(State state) const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // By State: file names in the resource folder, or empty when the pictures were given.
    std::array<QString, 3> files_;
    std::array<QPixmap, 3> pictures_;
    int id_ = 0;
    bool focusOnHover_ = false;
    bool hovered_ = false;
};

}  // namespace nimbrel
