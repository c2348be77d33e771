// An owner-drawn button that shows one of three pictures: normal, selected (pressed or checked)
// and focused (keyboard focus or the mouse over it). It can take the focus when the mouse enters
// it, as the main window's toolbar does.
// Threading: the UI thread.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace nimbrel {

class BitmapButton : public QAbstractButton {
    Q_OBJECT
  public:
    enum class State { Normal, Selected, Focused };

    explicit BitmapButton(QWidget* parent = nullptr);

    // Loads "<base>.png", "<base>Sel.png" and "<base>Focus.png" from the resource folder.
    void SetPictureBase(const QString& base);
    void SetPictures(const QPixmap& normal, const QPixmap& selected, const QPixmap& focused);
    // One picture for every state.
    void SetSinglePicture(const QPixmap& picture);

    // The command number the window dispatches on.
    int Id() const { return id_; }
    void SetId(int id) { id_ = id; }

    void SetFocusOnHover(bool on) { focusOnHover_ = on; }

    // The state whose picture is drawn now.
    State CurrentState() const;
    const QPixmap& Picture(State state) const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    QPixmap normal_;
    QPixmap selected_;
    QPixmap focused_;
    int id_ = 0;
    bool focusOnHover_ = false;
    bool hovered_ = false;
};

}  // namespace nimbrel
