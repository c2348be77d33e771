#include "app/ShortcutsDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/Shortcuts.h"
#include "widgets/CoreText.h"
#include "widgets/FlatButton.h"

namespace nimbrel {

ShortcutsDialog::ShortcutsDialog(QWidget* parent) : FramedDialog(parent) {
    setWindowTitle(tr("Сочетания клавиш"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(8);
    int row = 0;
    for (const ShortcutHelp& help : kShortcutHelp) {
        auto* keys = new QLabel(CoreText(help.keys), this);
        auto* action = new QLabel(CoreText(help.action), this);
        keys->setStyleSheet(
            QStringLiteral("color: rgb(64,155,228); background: transparent; font-size: 13px; "
                           "font-weight: bold;"));
        action->setStyleSheet(
            QStringLiteral("color: rgb(60,60,60); background: transparent; font-size: 13px;"));
        grid->addWidget(keys, row, 0, Qt::AlignLeft);
        grid->addWidget(action, row, 1, Qt::AlignLeft);
        ++row;
    }
    auto* close = new FlatButton(tr("Закрыть"), FlatButton::Scheme::Primary, this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(28, BandHeight() + 18, 28, 18);
    body->setSpacing(18);
    body->addLayout(grid);
    body->addLayout(buttons);
    body->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace nimbrel
