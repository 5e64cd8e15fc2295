// libFuzzer target for the tagged image string parser.
//
// Input layout: the first byte selects the options, the rest is the string.
//   bits 0-1: default transparency mode, one of those `transmode` can set;
//   bit 3 set: text sizes are read by a reader that claims the byte count
//              given by the next text byte, even past the end.
// Every parse is checked for the invariants a picture object relies on; a
// name that is a stripe picture is parsed as one and, when small, filled.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include <vector>

#include "graphics/ColourStripes.h"
#include "graphics/TaggedString.h"

namespace {

using velmora::ImageTag;

void check(bool condition) {
    if (!condition) std::abort();
}

void checkInvariants(const ImageTag& tag) {
    int32_t mode = static_cast<int32_t>(tag.transparency_mode);
    check(mode >= 1 && mode <= 8);
    int32_t loop = static_cast<int32_t>(tag.loop_mode);
    check(loop >= 0 && loop <= 3);
    check(tag.cell_count >= 0 && tag.cell_count <= velmora::MAX_CELL_COUNT);
    if (tag.error != ImageTag::Error::None) {
        check(!tag.image_name);
        return;
    }
    check(tag.image_name.has_value());
    check(tag.cell_count >= 1);
    if (tag.transparency_mode == ImageTag::Transparency::Text) {
        check(tag.cell_colours.size() == static_cast<size_t>(tag.cell_count));
        check(!tag.animating);
    } else {
        check(tag.cell_colours.empty());
        check(tag.cell_durations.empty() ||
              tag.cell_durations.size() == static_cast<size_t>(tag.cell_count));
        if (tag.animating) check(!tag.cell_durations.empty());
        for (int32_t d : tag.cell_durations) check(d >= 0);
        check(tag.remaining_ms >= 0);
    }
    if (tag.mask_name) check(tag.transparency_mode == ImageTag::Transparency::MaskImage);
}

// Stripe pictures up to this many pixels are filled (larger ones only parsed,
// to keep runs fast).
constexpr int64_t FILLED_STRIPE_PIXELS = 1 << 16;

void checkStripes(const std::string& name) {
    std::optional<velmora::StripeLayout> layout = velmora::parseStripeName(name);
    if (!layout) return;
    check(layout->width >= 1 && layout->width <= velmora::MAX_STRIPE_SIDE);
    check(layout->height >= 1 && layout->height <= velmora::MAX_STRIPE_SIDE);
    int64_t pixels = int64_t{layout->width} * layout->height;
    check(pixels <= velmora::MAX_STRIPE_PIXELS);
    if (pixels > FILLED_STRIPE_PIXELS) return;
    // One extra column of pitch must stay untouched.
    int32_t pitch = layout->width + 1;
    std::vector<uint32_t> picture(static_cast<size_t>(pitch) * layout->height, 1);
    velmora::fillStripes(*layout, picture.data(), pitch);
    for (int32_t y = 0; y < layout->height; ++y)
        check(picture[static_cast<size_t>(y) * pitch + layout->width] == 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    velmora::TagParseOptions options;
    constexpr ImageTag::Transparency DEFAULT_MODES[] = {
        ImageTag::Transparency::TopLeftKey, ImageTag::Transparency::Opaque,
        ImageTag::Transparency::Alpha, ImageTag::Transparency::TopRightKey};
    options.default_transparency = DEFAULT_MODES[data[0] & 3];
    if (data[0] & 8) {
        options.read_integer = [](std::string_view text, int32_t& value) -> size_t {
            value = -7;
            return text.empty() ? 0 : static_cast<uint8_t>(text[0]);
        };
    }
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    ImageTag tag = velmora::parseTaggedString(text, options);
    checkInvariants(tag);
    // Parsing is deterministic: a reparse gives the same description.
    check(tag == velmora::parseTaggedString(text, options));
    if (tag.image_name) checkStripes(*tag.image_name);
    return 0;
}
