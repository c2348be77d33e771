// The main window's keyboard shortcuts: which key does what, as the help window lists them, and
// where an arrow moves the wall's selection. Qt-free apart from the key codes' numbers.
// Threading: constant data and pure functions, callable from any thread.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "text/Translation.h"
#include "wall/PaneRect.h"

namespace nimbrel {

struct ShortcutHelp {
    const char* keys;    // as the help window shows them (UTF-8)
    const char* action;  // what they do (UTF-8)
};

inline constexpr std::array<ShortcutHelp, 10> kShortcutHelp{{
    {"F11", NIMBREL_TR_NOOP("Core", "Полный экран: только видео; Esc — выход")},
    {"Ctrl+1 … Ctrl+6", NIMBREL_TR_NOOP("Core", "Раскладка: 1, 4, 9, 16, 1+5, 1+7 окон")},
    {"Page Up / Page Down", NIMBREL_TR_NOOP("Core", "Предыдущая / следующая страница")},
    {NIMBREL_TR_NOOP("Core", "Ctrl+стрелки"), NIMBREL_TR_NOOP("Core", "Выбрать соседнее окно")},
    {"Enter", NIMBREL_TR_NOOP("Core", "Развернуть выбранное окно / вернуть")},
    {"Delete", NIMBREL_TR_NOOP("Core", "Остановить видео выбранного окна")},
    {NIMBREL_TR_NOOP("Core", "Стрелки"),
     NIMBREL_TR_NOOP("Core", "Поворот камеры в выбранном окне")},
    {"T", NIMBREL_TR_NOOP("Core", "Обход страниц: запустить / остановить")},
    {NIMBREL_TR_NOOP("Core", "Пробел"), NIMBREL_TR_NOOP("Core", "Пауза обхода / продолжить")},
    {"F1", NIMBREL_TR_NOOP("Core", "Эта справка")},
}};

enum class StepDirection { Left, Right, Up, Down };

// The cell the selection moves to from `from` (an index into `cells`), stepping in `direction`:
// of the cells that lie wholly on that side, the one whose centre is nearest, with the distance
// across the step counting double so that the next cell in line wins over a diagonal one.
// Nothing when no cell lies on that side.
std::optional<std::size_t> StepSelection(const std::vector<PaneRect>& cells, std::size_t from,
                                         StepDirection direction);

}  // namespace nimbrel
