// A colour as scripts write it: red, green, blue.
#pragma once

#include <array>
#include <cstdint>

namespace velmora {

using Rgb = std::array<uint8_t, 3>;

} // namespace velmora
