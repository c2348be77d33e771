// The About box: the logo, "Farlo клиент v<major>.<minor>" and how to reach the makers.
// Threading: the UI thread.
#pragma once

#include <QLabel>

#include "service/AppRecord.h"
#include "widgets/FlatButton.h"
#include "widgets/FramedDialog.h"

namespace nimbrel {

class CAboutDlg : public FramedDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(const AppRecord& app, QWidget* parent = nullptr);

    static QString VersionText(int major, int minor);
    QLabel* VersionLabel() const { return version_; }

  protected:
    void PaintBand(QPainter& painter, const QRect& band) override;

  private:
    QLabel* version_;
    FlatButton* ok_;
};

}  // namespace nimbrel
