// Resampling of 32-bit pixel buffers to another size (screenshots): a box
// pre-filter when shrinking, then bilinear sampling in eighth-pixel steps.
// The four corner pixels are kept exactly.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora {

// A block of 32-bit pixels, rows `pitch` pixels apart (pitch >= width).
struct PixelBlock {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
};

struct ConstPixelBlock {
    const uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
};

// Working memory kept between calls so repeated resamples do not allocate.
struct ResampleScratch {
    std::vector<uint32_t> filtered;   // the pre-filtered source, width x height
    std::vector<int64_t> column_sums; // per column and channel, over the row window
};

// Fills every pixel of `destination` (and zeroes the pitch padding of its
// rows) from `source`. Does nothing when either block is empty or a pitch is
// shorter than its width.
void resampleImage(PixelBlock destination, ConstPixelBlock source, ResampleScratch& scratch);

} // namespace velmora
