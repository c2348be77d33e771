// The look of the controls on the program's white dialog bodies: text boxes, lists and
// drop-downs with a thin frame that turns blue with the focus, check boxes and radio buttons
// drawn from the program's pictures, dark labels, blue group titles, and red status lines (the
// labels named "status").
// Threading: the UI thread.
#pragma once

#include <QColor>
#include <QString>

class QLabel;
class QWidget;

namespace nimbrel {

// The style sheet for the controls inside a body painted `background`.
QString FormStyleSheet(const QColor& background);

// Applies it to `body` and everything inside it.
void ApplyFormStyle(QWidget* body, const QColor& background);

// A label for a red status line (found by the style sheet through its name).
QLabel* MakeStatusLine(QWidget* parent);

}  // namespace nimbrel
