#include "interp/RandomSource.h"

#include <chrono>

namespace velmora {

RandomSource::RandomSource() {
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    // Sub-second ticks, so runs started within the same second get different seeds.
    const auto wide = static_cast<uint64_t>(ticks);
    seed(static_cast<uint32_t>(wide ^ (wide >> 32)));
    next();
}

int32_t RandomSource::next() {
    state = state * 1103515245u + 12345u;
    // The low bits of a power-of-two modulus sequence have short periods; use the high ones.
    return static_cast<int32_t>((state >> 16) & RANDOM_MAX);
}

} // namespace velmora
