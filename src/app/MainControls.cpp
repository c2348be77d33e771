#include "app/MainControls.h"

#include <algorithm>

#include "text/Translation.h"

namespace nimbrel {

int ToolbarColumn(int id) {
    switch (id) {
        case kBtnLayout:
            return 0;
        case kBtnStop:
            return 1;
        case kBtnBitRateLow:
        case kBtnBitRateStandard:
        case kBtnBitRateHigh:
            return 2;
        case kBtnAlarm:
            return 3;
        case kBtnPrevPage:
            return 4;
        case kBtnNextPage:
            return 5;
        case kBtnRotate:
            return 6;
        case kBtnSnapshot:
            return 7;
        case kBtnAudioOn:
        case kBtnAudioOff:
            return 8;
        case kBtnTalkOn:
        case kBtnTalkOff:
            return 9;
        case kBtnRecordOn:
        case kBtnRecordOff:
            return 10;
        default:
            return -1;
    }
}

const char* ToolbarTooltip(int id) {
    switch (id) {
        case kBtnLayout:
            return NIMBREL_TR_NOOP("MainControls", "Вид экрана");
        case kBtnStop:
            return NIMBREL_TR_NOOP("MainControls", "Отключить камеру");
        case kBtnBitRateLow:
        case kBtnBitRateStandard:
        case kBtnBitRateHigh:
            return NIMBREL_TR_NOOP("MainControls", "Разрешение видео");
        case kBtnAlarm:
            return NIMBREL_TR_NOOP("MainControls", "Настройки сигнала тревоги");
        case kBtnPrevPage:
            return NIMBREL_TR_NOOP("MainControls", "Предыдущая камера");
        case kBtnNextPage:
            return NIMBREL_TR_NOOP("MainControls", "Следующая камера");
        case kBtnRotate:
            return NIMBREL_TR_NOOP("MainControls", "Поворот экрана");
        case kBtnSnapshot:
            return NIMBREL_TR_NOOP("MainControls", "Скриншот видео");
        case kBtnAudioOn:
            return NIMBREL_TR_NOOP("MainControls", "Включить микрофон");
        case kBtnAudioOff:
            return NIMBREL_TR_NOOP("MainControls", "Выключить микрофон");
        case kBtnTalkOn:
            return NIMBREL_TR_NOOP("MainControls", "Включить динамик");
        case kBtnTalkOff:
            return NIMBREL_TR_NOOP("MainControls", "Выключить динамик");
        case kBtnRecordOn:
            return NIMBREL_TR_NOOP("MainControls", "Воспроизвести видео");
        case kBtnRecordOff:
            return NIMBREL_TR_NOOP("MainControls", "Видео открыто");
        default:
            return nullptr;
    }
}

int MoveToolbarFocus(int current, bool forward, const std::function<bool(int)>& visible) {
    const auto& order = kToolbarFocusOrder;
    const int n = static_cast<int>(order.size());
    const auto found = std::find(order.begin(), order.end(), current);
    const int at = found == order.end() ? -1 : static_cast<int>(found - order.begin());
    if (forward) {
        if (at >= 0)
            for (int i = at + 1; i < n; ++i)
                if (visible(order[i])) return order[i];
        // From the last visible button, or with none focused: the first of the order.
        for (int i = 0; i < n; ++i)
            if (visible(order[i])) return order[i];
        return 0;
    }
    if (at > 0)
        for (int i = at - 1; i >= 0; --i)
            if (visible(order[i])) return order[i];
    for (int i = n - 1; i >= 0; --i)
        if (visible(order[i])) return order[i];
    return 0;
}

}  // namespace nimbrel
