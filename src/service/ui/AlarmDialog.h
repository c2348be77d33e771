// The alarm schedule of one device: its name, the switch (the switch-on button while the alarm is
// off, the switch-off button while it is on), the start and end hour sliders with their
// two-digit labels, the whole-day note, save and close. Requests run on the flow's workers;
// their messages come through the notifier and the buttons follow each confirmed switch.
// Threading: the UI thread; the flow's listener only posts here.
#pragma once

#include <QLabel>
#include <QSlider>

#include "service/AlarmFlow.h"
#include "widgets/BitmapButton.h"
#include "widgets/FlatButton.h"
#include "widgets/FramedDialog.h"

namespace nimbrel {

class AlarmDialog : public FramedDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 440;
    static constexpr int kHeight = 300;

    // `writeRecord` receives the device's alarm fields after each confirmed change.
    AlarmDialog(const GlobalSettings& g, const AppRecord& app, UserNotifier& notifier,
                AlarmDevice device, AlarmFlow::RecordWriter writeRecord, HttpOptions http = {},
                QWidget* parent = nullptr);
    // Stops both workers: a late result touches neither the dialog nor the record.
    ~AlarmDialog() override;

    AlarmFlow& Flow() { return flow_; }
    QLabel* NameLabel() const { return name_; }
    BitmapButton* SwitchOnButton() const { return switchOn_; }
    BitmapButton* SwitchOffButton() const { return switchOff_; }
    QSlider* StartSlider() const { return start_; }
    QSlider* EndSlider() const { return end_; }
    QLabel* StartLabel() const { return startLabel_; }
    QLabel* EndLabel() const { return endLabel_; }
    QLabel* NoteLabel() const { return note_; }
    FlatButton* SaveButton() const { return save_; }
    FlatButton* CloseButtonBottom() const { return close_; }

  signals:
    // A worker's outcome was applied (tests wait for it).
    void Finished(AlarmOutcome outcome);

  public slots:
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void ShowSwitch();
    void SlidersMoved();

    AlarmFlow flow_;
    QLabel* name_;
    BitmapButton* switchOn_;
    BitmapButton* switchOff_;
    QSlider* start_;
    QSlider* end_;
    QLabel* startLabel_;
    QLabel* endLabel_;
    QLabel* note_;
    FlatButton* save_;
    FlatButton* close_;
};

}  // namespace nimbrel
