// The program's style over the platform's: tooltips come up after 100 ms.
// Threading: the UI thread.
#pragma once

#include <QProxyStyle>

namespace nimbrel {

class AppStyle : public QProxyStyle {
    Q_OBJECT
  public:
    static constexpr int kTooltipDelayMs = 100;

    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

}  // namespace nimbrel
