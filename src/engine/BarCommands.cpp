// Bar pictures: plain coloured rectangles whose width shows a value against
// its maximum.
#include "engine/Velmora.h"
#include "graphics/RectClip.h"

namespace velmora {

int32_t Velmora::barCommand() {
    const int32_t n = script.readInteger();
    const int32_t value = script.readInteger();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    const int32_t full_width = script.readInteger();
    const int32_t height = script.readInteger();
    const int32_t max_value = script.readInteger();
    uint8_t colour[3];
    script.readColor(colour, script.readStr());
    if (n < 0 || n >= BAR_COUNT) return RESULT_PROCEED;
    buildBar(
        n,
        SavedBar{value, {x, y}, full_width, height, max_value, {colour[0], colour[1], colour[2]}});
    return RESULT_PROCEED;
}

void Velmora::buildBar(int32_t n, const SavedBar& settings) {
    std::unique_ptr<AnimImage>& slot = screen.bar_images[n];
    if (slot) {
        screen.damage.add(slot->screen_rect);
        slot->discard();
    } else {
        slot = std::make_unique<AnimImage>();
    }
    AnimImage& bar = *slot;
    bar.transparency_mode = TransparencyMode::Opaque;
    bar.cell_count = 1;
    bar.cell_index = 0;
    bar.value = settings.value;
    bar.full_width = settings.full_width;
    bar.max_value = settings.max_value;
    bar.fill_colour = toRgbColour(settings.fill_colour);
    placeOnScreen(bar, settings.position.x, settings.position.y);
    // A maximum of 0 has no proportion: the bar stays empty. The product is
    // taken in 64 bits, where no pair of int32 values overflows.
    int64_t width = 0;
    if (settings.full_width > 0 && settings.max_value != 0) {
        const int64_t proportional =
            int64_t{settings.full_width} * settings.value / settings.max_value;
        if (proportional > 0) width = proportional;
    }
    bar.script_rect.w = clampToUint16(width);
    bar.script_rect.h = clampToUint16(settings.height);
    bar.screen_rect.w = clampToUint16(toScreen(clampToInt32(width)));
    bar.screen_rect.h = clampToUint16(toScreen(settings.height));
    if (bar.allocSurface(bar.screen_rect.w, bar.screen_rect.h, ENGINE_FORMAT_CODE))
        bar.paint(bar.fill_colour.r, bar.fill_colour.g, bar.fill_colour.b, 255);
    screen.damage.add(bar.screen_rect);
}

int32_t Velmora::barclearCommand() {
    for (std::unique_ptr<AnimImage>& bar : screen.bar_images) {
        if (!bar) continue;
        screen.damage.add(bar->screen_rect);
        bar.reset();
    }
    return RESULT_PROCEED;
}

} // namespace velmora
