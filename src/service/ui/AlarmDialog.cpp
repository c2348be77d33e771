#include "service/ui/AlarmDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "widgets/CoreText.h"
#include "widgets/FormStyle.h"
#include "widgets/Palette.h"

namespace nimbrel {
namespace {

QSlider* HourSlider(int hour, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(0, 23);
    slider->setPageStep(1);
    slider->setValue(hour);
    slider->setStyleSheet(QStringLiteral(
        "QSlider::groove:horizontal { height: 4px; background: rgb(206,212,220);"
        " border-radius: 2px; }"
        "QSlider::sub-page:horizontal { background: rgb(64,155,228); border-radius: 2px; }"
        "QSlider::handle:horizontal { width: 16px; margin: -7px 0; border-radius: 8px;"
        " background: white; border: 2px solid rgb(64,155,228); }"
        "QSlider::handle:horizontal:focus { background: rgb(208,229,248); }"));
    return slider;
}

}  // namespace

AlarmDialog::AlarmDialog(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                         AlarmDevice device, AlarmFlow::RecordWriter writeRecord, HttpOptions http,
                         QWidget* parent)
    : FramedDialog(parent), flow_(g, app, notifier, device, std::move(writeRecord), http) {
    setWindowTitle(tr("Настройки сигнала тревоги"));
    setFixedSize(kWidth, kHeight);
    ApplyFormStyle(this, Qt::white);

    name_ = new QLabel(QString::fromStdString(device.name), this);
    name_->setStyleSheet(QStringLiteral("font-size: 15px; font-weight: bold;"));
    switchOn_ = new BitmapButton(this);
    switchOn_->SetPictureBase(QStringLiteral("AlarmSwitchOn"));
    switchOn_->setFixedSize(64, 32);
    switchOn_->setToolTip(tr("Включить сигнал тревоги"));
    switchOff_ = new BitmapButton(this);
    switchOff_->SetPictureBase(QStringLiteral("AlarmSwitchOff"));
    switchOff_->setFixedSize(64, 32);
    switchOff_->setToolTip(tr("Выключить сигнал тревоги"));
    connect(switchOn_, &QAbstractButton::clicked, this, [this] { flow_.StartSwitch(true); });
    connect(switchOff_, &QAbstractButton::clicked, this, [this] { flow_.StartSwitch(false); });

    start_ = HourSlider(device.startHour, this);
    end_ = HourSlider(device.endHour, this);
    startLabel_ = new QLabel(this);
    endLabel_ = new QLabel(this);
    for (QLabel* label : {startLabel_, endLabel_}) {
        label->setFixedWidth(28);
        label->setStyleSheet(QStringLiteral("font-size: 15px; color: rgb(64,155,228);"));
    }
    note_ = new QLabel(this);
    note_->setStyleSheet(QStringLiteral("color: rgb(64,155,228);"));
    connect(start_, &QSlider::valueChanged, this, &AlarmDialog::SlidersMoved);
    connect(end_, &QSlider::valueChanged, this, &AlarmDialog::SlidersMoved);

    save_ = new FlatButton(tr("Сохранить"), FlatButton::Scheme::Primary, this);
    close_ = new FlatButton(tr("Закрыть"), FlatButton::Scheme::Secondary, this);
    connect(save_, &QPushButton::clicked, this,
            [this] { flow_.StartSaveHours(start_->value(), end_->value()); });
    connect(close_, &QPushButton::clicked, this, &AlarmDialog::reject);

    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(28, BandHeight() + 16, 28, 18);
    body->setSpacing(12);
    body->addWidget(name_);
    auto* switchRow = new QHBoxLayout;
    switchRow->addWidget(new QLabel(tr("Сигнал тревоги:"), this));
    switchRow->addStretch(1);
    switchRow->addWidget(switchOn_);
    switchRow->addWidget(switchOff_);
    body->addLayout(switchRow);
    auto* hours = new QGridLayout;
    hours->setHorizontalSpacing(12);
    hours->setVerticalSpacing(10);
    hours->addWidget(new QLabel(tr("Начало, час:"), this), 0, 0);
    hours->addWidget(start_, 0, 1);
    hours->addWidget(startLabel_, 0, 2);
    hours->addWidget(new QLabel(tr("Конец, час:"), this), 1, 0);
    hours->addWidget(end_, 1, 1);
    hours->addWidget(endLabel_, 1, 2);
    body->addLayout(hours);
    body->addWidget(note_);
    body->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(close_);
    body->addLayout(buttons);

    // The workers report on their threads; the switch buttons follow here.
    flow_.SetListener([this](AlarmOutcome outcome) {
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                ShowSwitch();
                emit Finished(outcome);
            },
            Qt::QueuedConnection);
    });
    ShowSwitch();
    SlidersMoved();
    save_->setFocus();
}

AlarmDialog::~AlarmDialog() {
    flow_.Close();
}

void AlarmDialog::ShowSwitch() {
    const bool on = flow_.AlarmOn();
    const bool hadFocus = focusWidget() == switchOn_ || focusWidget() == switchOff_;
    switchOn_->setVisible(!on);
    switchOff_->setVisible(on);
    if (hadFocus) (on ? switchOff_ : switchOn_)->setFocus();
}

void AlarmDialog::SlidersMoved() {
    startLabel_->setText(QString::fromStdString(AlarmFlow::HourLabel(start_->value())));
    endLabel_->setText(QString::fromStdString(AlarmFlow::HourLabel(end_->value())));
    note_->setText(CoreText(std::string(AlarmFlow::HoursNote(start_->value(), end_->value()))));
}

void AlarmDialog::reject() {
    flow_.Close();
    FramedDialog::reject();
}

void AlarmDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool space = event->key() == Qt::Key_Space;
    if ((enter || space) && (focusWidget() == switchOn_ || focusWidget() == switchOff_)) {
        // Whichever switch button is shown now.
        (flow_.AlarmOn() ? switchOff_ : switchOn_)->click();
        event->accept();
        return;
    }
    FramedDialog::keyPressEvent(event);
}

}  // namespace nimbrel
