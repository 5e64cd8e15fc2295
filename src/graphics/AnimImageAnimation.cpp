// Animation stepping: cell timing and the loop modes.
#include "graphics/AnimImage.h"

#include <algorithm>
#include <cstdint>

namespace velmora {

void AnimImage::advanceTime(int32_t ms) {
    // Saturating, so a long stall cannot wrap the remaining time to positive.
    if (visible && animating)
        remaining_ms =
            static_cast<int32_t>(std::max<int64_t>(int64_t{remaining_ms} - ms, INT32_MIN));
}

bool AnimImage::stepCell() {
    if (!visible || !animating || remaining_ms > 0) return false;
    bool changed = false;
    if (loop_mode != LoopMode::Static && cell_count >= 2) {
        cell_index += cell_step;
        changed = true;
    }
    if (cell_index < 0) {
        cell_index = 1;
        cell_step = 1;
    } else if (cell_index >= cell_count) {
        if (loop_mode == LoopMode::Cycle) {
            cell_index = 0;
        } else if (loop_mode == LoopMode::Once) {
            cell_index = cell_count - 1;
            changed = false;
        } else if (loop_mode == LoopMode::PingPong) {
            cell_index = cell_count - 2;
            cell_step = -1;
        }
    }
    const bool known = cell_index >= 0 && static_cast<size_t>(cell_index) < cell_durations.size();
    remaining_ms = known ? cell_durations[cell_index] : 0;
    return changed;
}

void AnimImage::selectCell(int32_t n) {
    if (n < 0)
        cell_index = 0;
    else if (n >= cell_count)
        cell_index = cell_count - 1;
    else
        cell_index = n;
}

} // namespace velmora
