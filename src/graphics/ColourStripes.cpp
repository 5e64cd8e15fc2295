// Stripe pictures: name parsing with bounded sizes, and the stripe fill.
#include "graphics/ColourStripes.h"

#include <cstddef>

namespace velmora {
namespace {

constexpr size_t COLOUR_LENGTH = 7;

// Collects the decimal digits up to the next ',' (which is consumed); other
// characters are ignored. Values beyond `limit` read as limit + 1.
int32_t collectDigits(std::string_view text, size_t& pos, int32_t limit) {
    int64_t value = 0;
    for (; pos < text.size() && text[pos] != ','; ++pos) {
        char c = text[pos];
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            if (value > limit) value = int64_t{limit} + 1;
        }
    }
    if (pos < text.size()) ++pos;
    return static_cast<int32_t>(value);
}

void skipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
}

// First column of stripe `index` of `count` (count >= 1) across `width` columns.
int32_t stripeStart(int32_t index, int32_t count, int32_t width) {
    return static_cast<int32_t>(int64_t{index} * width / count);
}

} // namespace

std::optional<StripeLayout> parseStripeName(std::string_view name) {
    if (name.empty() || name[0] != '>') return std::nullopt;
    size_t pos = 1;
    StripeLayout layout;
    layout.width = collectDigits(name, pos, MAX_STRIPE_SIDE);
    layout.height = collectDigits(name, pos, MAX_STRIPE_SIDE);
    if (layout.width < 1 || layout.height < 1 || layout.width > MAX_STRIPE_SIDE ||
        layout.height > MAX_STRIPE_SIDE ||
        int64_t{layout.width} * layout.height > MAX_STRIPE_PIXELS)
        return std::nullopt;
    skipBlanks(name, pos);
    while (pos < name.size() && name[pos] == '#') {
        std::optional<Rgb> colour = parseHexColour(name.substr(pos));
        if (!colour) return std::nullopt;
        layout.colours.push_back(*colour);
        pos += COLOUR_LENGTH;
        skipBlanks(name, pos);
    }
    return layout;
}

void fillStripes(const StripeLayout& layout, uint32_t* pixels, int32_t pitch) {
    int32_t count = static_cast<int32_t>(layout.colours.size());
    for (int32_t i = 0; i < count; ++i) {
        const Rgb& rgb = layout.colours[static_cast<size_t>(i)];
        uint32_t pixel = 0xff000000u | uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
        int32_t left = stripeStart(i, count, layout.width);
        int32_t right = i == count - 1 ? layout.width : stripeStart(i + 1, count, layout.width);
        for (int32_t y = 0; y < layout.height; ++y) {
            uint32_t* row = pixels + static_cast<ptrdiff_t>(y) * pitch;
            for (int32_t x = left; x < right; ++x) row[x] = pixel;
        }
    }
}

} // namespace velmora
