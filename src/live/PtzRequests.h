// The four pan/tilt requests of one video pane: set by the pane's arrow buttons and arrow keys,
// consumed one at a time by the pan/tilt thread of the camera in the pane, in the order left,
// right, up, down.
// Threading: set on the UI thread, taken on the camera's control thread (atomics, no Qt).
#pragma once

#include <atomic>
#include <optional>

namespace nimbrel {

struct PtzRequests {
    enum class Direction { Left, Right, Up, Down };

    std::atomic<int> up{0};
    std::atomic<int> down{0};
    std::atomic<int> left{0};
    std::atomic<int> right{0};

    std::atomic<int>& Flag(Direction d) {
        switch (d) {
            case Direction::Left:
                return left;
            case Direction::Right:
                return right;
            case Direction::Up:
                return up;
            case Direction::Down:
                break;
        }
        return down;
    }
    void Request(Direction d) { Flag(d).store(1); }
    // The first set flag in the order left, right, up, down, cleared as it is taken.
    std::optional<Direction> TakeNext() {
        for (Direction d : {Direction::Left, Direction::Right, Direction::Up, Direction::Down})
            if (Flag(d).exchange(0) != 0) return d;
        return std::nullopt;
    }
};

}  // namespace nimbrel
