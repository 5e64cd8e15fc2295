// The generator behind `rnd` and `rnd2`: 15-bit values from a linear
// congruential sequence, independent of any library generator's state.
#pragma once

#include <cstdint>

namespace velmora {

constexpr int32_t RANDOM_MAX = 32767;

class RandomSource {
  public:
    // Seeds from the clock, then draws one value and discards it.
    RandomSource();

    void seed(uint32_t value) { state = value; }
    // The next value, 0 ... RANDOM_MAX.
    int32_t next();

  private:
    uint32_t state = 1;
};

} // namespace velmora
