// Generated stripe pictures: a name ">width,height,#rrggbb..." stands for a
// picture cut into vertical stripes of the given colours.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "graphics/TaggedString.h"

namespace velmora {

struct StripeLayout {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<Rgb> colours; // left to right; none leaves the picture as created
};

// Bounds on a stripe picture named by a script.
constexpr int32_t MAX_STRIPE_SIDE = 16384;
constexpr int64_t MAX_STRIPE_PIXELS = int64_t{1} << 24;

// Reads a stripe name. Nothing when the name does not begin with '>', a side
// is 0 or beyond the bounds, or a colour is malformed.
std::optional<StripeLayout> parseStripeName(std::string_view name);

// Fills a width x height picture of 32-bit pixels, rows `pitch` pixels apart,
// with the stripes at full opacity: stripe i of k starts at column i * width / k
// and the last runs to the right edge.
void fillStripes(const StripeLayout& layout, uint32_t* pixels, int32_t pitch);

} // namespace velmora
