// The transient notice: a short text centred over a window that fades out over 800 to 2000 ms.
// One process-wide notice: a new one takes the place of one still showing, so two never
// overlap; a click on it hides it at once. It is never wider than the window it is over: a text
// too long for that wraps onto more lines. A window may name the part of it that a notice
// covers (widgets/NoticeArea.h).
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

    // Shows `text` centred over `parent` (over its notice area when it has one, over its screen
    // when it has none or is hidden) and fades it out over `durationMs`.
    void Show(QWidget* parent, const QString& text, int durationMs);
    bool IsShowing() const { return isVisible(); }
    QString Text() const { return text_; }
    // The text field's width (22 pixels per character) and the window's (20 more), unless the
    // window under the notice is narrower.
    static int FieldWidth(const QString& text) { return kPixelsPerCharacter * text.size(); }
    static int WindowWidth(const QString& text) { return FieldWidth(text) + 2 * kFieldLeft; }
    // Where the text is drawn in the notice, and in which font.
    QRect TextField() const { return QRect(kFieldLeft, 0, width() - 2 * kFieldLeft, height()); }
    static QFont TextFont();

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
