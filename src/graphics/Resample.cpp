// Resampler. All arithmetic is integer: box means truncate, bilinear weights
// are eighths whose product is shifted down by 6.
#include "graphics/Resample.h"

#include <algorithm>
#include <cstddef>

namespace velmora {
namespace {

constexpr int CHANNELS = 4;

uint32_t channel(uint32_t pixel, int c) {
    return pixel >> (8 * c) & 0xff;
}

size_t at(int32_t x, int32_t y, int32_t pitch) {
    return static_cast<size_t>(y) * static_cast<size_t>(pitch) + static_cast<size_t>(x);
}

// Adds (sign +1) or removes (sign -1) one source row from the column sums.
void accumulateRow(const ConstPixelBlock& source, int32_t y, int64_t sign,
                   std::vector<int64_t>& sums) {
    const uint32_t* row = source.pixels + at(0, y, source.pitch);
    for (int32_t x = 0; x < source.width; ++x)
        for (int c = 0; c < CHANNELS; ++c)
            sums[static_cast<size_t>(x) * CHANNELS + c] += sign * channel(row[x], c);
}

// Replaces every pixel, per channel, by the truncated mean over the window of
// mx x my pixels that starts half a window up and left of it, clipped to the
// picture. Column sums follow the row window; a running sum crosses columns.
void boxFilter(const ConstPixelBlock& source, int32_t mx, int32_t my, ResampleScratch& scratch) {
    std::vector<int64_t>& sums = scratch.column_sums;
    sums.assign(static_cast<size_t>(source.width) * CHANNELS, 0);
    int32_t rows = 0;
    for (int32_t y = 0; y < std::min(my - my / 2 - 1, source.height - 1) + 1; ++y) {
        accumulateRow(source, y, 1, sums);
        ++rows;
    }
    for (int32_t y = 0; y < source.height; ++y) {
        if (y > 0) {
            int32_t leaving = y - my / 2 - 1;
            int32_t entering = y - my / 2 + my - 1;
            if (leaving >= 0) {
                accumulateRow(source, leaving, -1, sums);
                --rows;
            }
            if (entering < source.height) {
                accumulateRow(source, entering, 1, sums);
                ++rows;
            }
        }
        int64_t total[CHANNELS] = {};
        int32_t columns = 0;
        auto addColumn = [&](int32_t x, int64_t sign) {
            for (int c = 0; c < CHANNELS; ++c)
                total[c] += sign * sums[static_cast<size_t>(x) * CHANNELS + c];
            columns += static_cast<int32_t>(sign);
        };
        for (int32_t x = 0; x < std::min(mx - mx / 2 - 1, source.width - 1) + 1; ++x)
            addColumn(x, 1);
        uint32_t* out = scratch.filtered.data() + at(0, y, source.width);
        for (int32_t x = 0; x < source.width; ++x) {
            if (x > 0) {
                int32_t leaving = x - mx / 2 - 1;
                int32_t entering = x - mx / 2 + mx - 1;
                if (leaving >= 0) addColumn(leaving, -1);
                if (entering < source.width) addColumn(entering, 1);
            }
            int64_t count = int64_t{rows} * columns;
            uint32_t pixel = 0;
            for (int c = 0; c < CHANNELS; ++c)
                pixel |= static_cast<uint32_t>(total[c] / count) << (8 * c);
            out[x] = pixel;
        }
    }
}

void copySource(const ConstPixelBlock& source, ResampleScratch& scratch) {
    for (int32_t y = 0; y < source.height; ++y)
        std::copy_n(source.pixels + at(0, y, source.pitch), source.width,
                    scratch.filtered.data() + at(0, y, source.width));
}

// One destination channel from the four neighbours and the eighth fractions.
uint32_t blend(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, uint32_t fx, uint32_t fy,
               int c) {
    uint32_t lower = fx * channel(p11, c) + (8 - fx) * channel(p10, c);
    uint32_t upper = (8 - fx) * channel(p00, c) + fx * channel(p01, c);
    return (fy * lower + (8 - fy) * upper) >> 6;
}

} // namespace

void resampleImage(PixelBlock destination, ConstPixelBlock source, ResampleScratch& scratch) {
    if (destination.width <= 0 || destination.height <= 0 || source.width <= 0 ||
        source.height <= 0 || destination.pitch < destination.width ||
        source.pitch < source.width || !destination.pixels || !source.pixels)
        return;
    const int32_t sw = source.width, sh = source.height;
    const int32_t dw = destination.width, dh = destination.height;

    scratch.filtered.resize(static_cast<size_t>(sw) * static_cast<size_t>(sh));
    int32_t mx = std::max(sw / dw, 1);
    int32_t my = std::max(sh / dh, 1);
    if (mx == 1 && my == 1)
        copySource(source, scratch);
    else
        boxFilter(source, mx, my, scratch);

    const uint32_t* filtered = scratch.filtered.data();
    for (int32_t i = 0; i < dh; ++i) {
        int64_t s = int64_t{i} * 8 * (sh - 1) / std::max(dh - 1, 1);
        int32_t r = static_cast<int32_t>(s >> 3);
        uint32_t fy = static_cast<uint32_t>(s & 7);
        int32_t r1 = std::min(r + 1, sh - 1); // weight 0 whenever it is clamped
        uint32_t* out = destination.pixels + at(0, i, destination.pitch);
        for (int32_t j = 0; j < dw; ++j) {
            int64_t t = int64_t{j} * 8 * (sw - 1) / std::max(dw - 1, 1);
            int32_t c0 = static_cast<int32_t>(t >> 3);
            uint32_t fx = static_cast<uint32_t>(t & 7);
            int32_t c1 = std::min(c0 + 1, sw - 1);
            uint32_t p00 = filtered[at(c0, r, sw)], p01 = filtered[at(c1, r, sw)];
            uint32_t p10 = filtered[at(c0, r1, sw)], p11 = filtered[at(c1, r1, sw)];
            uint32_t pixel = 0;
            for (int c = 0; c < CHANNELS; ++c)
                pixel |= blend(p00, p01, p10, p11, fx, fy, c) << (8 * c);
            out[j] = pixel;
        }
        std::fill(out + dw, out + destination.pitch, 0u);
    }

    const int32_t dp = destination.pitch, sp = source.pitch;
    destination.pixels[at(0, 0, dp)] = source.pixels[at(0, 0, sp)];
    destination.pixels[at(dw - 1, 0, dp)] = source.pixels[at(sw - 1, 0, sp)];
    destination.pixels[at(0, dh - 1, dp)] = source.pixels[at(0, sh - 1, sp)];
    destination.pixels[at(dw - 1, dh - 1, dp)] = source.pixels[at(sw - 1, sh - 1, sp)];
}

} // namespace velmora
