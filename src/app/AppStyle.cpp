#include "app/AppStyle.h"

namespace nimbrel {

int AppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                        QStyleHintReturn* returnData) const {
    if (hint == QStyle::SH_ToolTip_WakeUpDelay) return kTooltipDelayMs;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace nimbrel
