// The transient notice: a short text centred over a window that fades out over 800 to 2000 ms.
// One process-wide notice: a new one takes the place of one still showing, so two never
// overlap; a click on it hides it at once.
// Threading: the UI thread only (the notifier posts other threads' notices here).
#pragma once

#include <QPointer>
#include <QPropertyAnimation>
#include <QString>
#include <QWidget>

namespace nimbrel {

class CTip : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kPixelsPerCharacter = 22;
    static constexpr int kFieldLeft = 10;
    static constexpr int kHeight = 46;

    // The one notice of the program.
    static CTip& Instance();

    // Shows `text` centred over `parent` (over its screen when it has none or is hidden) and
    // fades it out over `durationMs`.
    void Show(QWidget* parent, const QString& text, int durationMs);
    bool IsShowing() const { return isVisible(); }
    QString Text() const { return text_; }
    // The text field's width (22 pixels per character) and the window's (20 more).
    static int FieldWidth(const QString& text) { return kPixelsPerCharacter * text.size(); }
    static int WindowWidth(const QString& text) { return FieldWidth(text) + 2 * kFieldLeft; }

  signals:
    void Hidden();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    CTip();
    void Dismiss();

    QString text_;
    QPropertyAnimation fade_;
};

// The notice of the program: CTip::Instance().Show(parent, text, durationMs).
void ShowTip(QWidget* parent, const QString& text, int durationMs);

}  // namespace nimbrel
