// The program's owner-drawn push button: a rounded face in one of two colour schemes (filled
// blue for the main action, outlined for the others, and a white-on-blue variant for blue
// backgrounds), drawn differently when normal, focused or hovered, and pressed.
// Threading: the UI thread.
#pragma once

#include <QPushButton>

namespace nimbrel {

class FlatButton : public QPushButton {
    Q_OBJECT
  public:
    enum class Scheme { Primary, Secondary, OnBlue };

    explicit FlatButton(const QString& text, Scheme scheme = Scheme::Primary,
                        QWidget* parent = nullptr);

    Scheme ColourScheme() const { return scheme_; }
    void SetColourScheme(Scheme scheme);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Scheme scheme_;
};

}  // namespace nimbrel
