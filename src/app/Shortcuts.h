// The main window's keyboard shortcuts: which key does what, as the help window lists them, and
// where an arrow moves the wall's selection. Qt-free apart from the key codes' numbers.
// Threading: constant data and pure functions, callable from any thread.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "wall/PaneRect.h"

namespace nimbrel {

struct ShortcutHelp {
    const char* keys;    // as the help window shows them (UTF-8)
    const char* action;  // what they do (UTF-8)
};

inline constexpr std::array<ShortcutHelp, 8> kShortcutHelp{{
    {"F11", "Полный экран: только видео; Esc — выход"},
    {"Ctrl+1 … Ctrl+6", "Раскладка: 1, 4, 9, 16, 1+5, 1+7 окон"},
    {"Page Up / Page Down", "Предыдущая / следующая страница"},
    {"Ctrl+стрелки", "Выбрать соседнее окно"},
    {"Enter", "Развернуть выбранное окно / вернуть"},
    {"Delete", "Остановить видео выбранного окна"},
    {"Стрелки", "Поворот камеры в выбранном окне"},
    {"F1", "Эта справка"},
}};

enum class StepDirection { Left, Right, Up, Down };

// The cell the selection moves to from `from` (an index into `cells`), stepping in `direction`:
// of the cells that lie wholly on that side, the one whose centre is nearest, with the distance
// across the step counting double so that the next cell in line wins over a diagonal one.
// Nothing when no cell lies on that side.
std::optional<std::size_t> StepSelection(const std::vector<PaneRect>& cells, std::size_t from,
                                         StepDirection direction);

}  // namespace nimbrel
