// How a picture's pixels become transparent, and how its cells animate: shared
// by the tagged-string parser and the picture object.
#pragma once

#include <cstdint>

namespace velmora {

enum class TransparencyMode : int32_t {
    Alpha = 1,
    TopLeftKey = 2,
    Opaque = 3,
    Text = 4,
    ColourKey = 5,
    Palette = 6,
    TopRightKey = 7,
    MaskImage = 8,
};

enum class LoopMode : int32_t { Cycle = 0, Once = 1, PingPong = 2, Static = 3 };

} // namespace velmora
