#include "widgets/FormStyle.h"

#include <QLabel>

#include "widgets/ResourcePath.h"

namespace nimbrel {

QString FormStyleSheet(const QColor& background) {
    const QString bg = background.name(QColor::HexRgb);
    return QStringLiteral(
               "QLabel { color: rgb(60,60,60); background: transparent; font-size: 13px; }"
               "QLabel#status { color: rgb(255,0,0); }"
               "QLineEdit, QComboBox, QPlainTextEdit, QTreeWidget { background: white;"
               " color: rgb(60,60,60); border: 1px solid rgb(206,212,220); border-radius: 3px;"
               " font-size: 13px; selection-background-color: rgb(64,155,228);"
               " selection-color: white; }"
               "QLineEdit, QComboBox { padding: 0 8px; min-height: 26px; }"
               "QPlainTextEdit { padding: 4px; }"
               "QLineEdit:focus, QComboBox:focus, QPlainTextEdit:focus, QTreeWidget:focus"
               " { border: 1px solid rgb(64,155,228); }"
               "QLineEdit:disabled { background: rgb(244,246,248); color: rgb(110,116,124); }"
               "QComboBox::drop-down { width: 24px; border: none; }"
               "QComboBox::down-arrow { image: url(%2); width: 12px; height: 12px; }"
               "QComboBox QAbstractItemView { background: white; color: rgb(60,60,60);"
               " border: 1px solid rgb(206,212,220); selection-background-color:"
               " rgb(64,155,228); selection-color: white; }"
               "QCheckBox, QRadioButton { color: rgb(60,60,60); background: %1;"
               " font-size: 13px; spacing: 7px; }"
               "QCheckBox::indicator, QRadioButton::indicator { width: 16px; height: 16px; }"
               "QCheckBox::indicator:unchecked { image: url(%3); }"
               "QCheckBox::indicator:unchecked:focus, QCheckBox::indicator:unchecked:hover"
               " { image: url(%4); }"
               "QCheckBox::indicator:checked { image: url(%5); }"
               "QRadioButton::indicator:unchecked { image: url(%6); }"
               "QRadioButton::indicator:unchecked:focus, QRadioButton::indicator:unchecked:hover"
               " { image: url(%7); }"
               "QRadioButton::indicator:checked { image: url(%8); }"
               "QCheckBox:disabled, QRadioButton:disabled { color: rgb(150,150,150); }"
               "QGroupBox { color: rgb(64,155,228); font-size: 13px; font-weight: bold;"
               " border: 1px solid rgb(226,230,236); border-radius: 4px; margin-top: 10px;"
               " padding-top: 8px; background: %1; }"
               "QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; }"
               "QHeaderView::section { background: rgb(236,245,253); color: rgb(60,60,60);"
               " border: none; border-right: 1px solid rgb(206,212,220);"
               " border-bottom: 1px solid rgb(206,212,220); padding: 4px; font-size: 13px; }"
               "QTreeWidget::item { height: 26px; }"
               "QTreeWidget::item:selected { background: rgb(225,225,255);"
               " color: rgb(60,60,60); }")
        .arg(bg, ResourcePath("ComboArrow.png"), ResourcePath("CheckLightOff.png"),
             ResourcePath("CheckLightOffFocus.png"), ResourcePath("CheckLightOn.png"),
             ResourcePath("RadioOff.png"), ResourcePath("RadioOffFocus.png"),
             ResourcePath("RadioOn.png"));
}

void ApplyFormStyle(QWidget* body, const QColor& background) {
    body->setStyleSheet(FormStyleSheet(background));
}

QLabel* MakeStatusLine(QWidget* parent) {
    auto* status = new QLabel(parent);
    status->setObjectName(QStringLiteral("status"));
    // Red also where no style sheet reaches.
    QPalette red = status->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    status->setPalette(red);
    return status;
}

}  // namespace nimbrel
