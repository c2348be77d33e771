#include "app/Shortcuts.h"

#include <cstdlib>
#include <limits>

namespace nimbrel {

std::optional<std::size_t> StepSelection(const std::vector<PaneRect>& cells, std::size_t from,
                                         StepDirection direction) {
    if (from >= cells.size()) return std::nullopt;
    const PaneRect& a = cells[from];
    // Doubled centres keep the arithmetic in integers.
    const long ax = 2L * a.x + a.w, ay = 2L * a.y + a.h;
    std::optional<std::size_t> best;
    long bestScore = std::numeric_limits<long>::max();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i == from) continue;
        const PaneRect& b = cells[i];
        bool beyond = false;
        switch (direction) {
            case StepDirection::Left:
                beyond = b.x + b.w <= a.x;
                break;
            case StepDirection::Right:
                beyond = b.x >= a.x + a.w;
                break;
            case StepDirection::Up:
                beyond = b.y + b.h <= a.y;
                break;
            case StepDirection::Down:
                beyond = b.y >= a.y + a.h;
                break;
        }
        if (!beyond) continue;
        const long dx = std::labs(2L * b.x + b.w - ax), dy = std::labs(2L * b.y + b.h - ay);
        const bool horizontal =
            direction == StepDirection::Left || direction == StepDirection::Right;
        const long score = horizontal ? dx + 2 * dy : dy + 2 * dx;
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
}

}  // namespace nimbrel
