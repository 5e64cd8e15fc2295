// Animated pictures over the whole screen: the standing pictures, the
// sprites and the selected click-wait cursor advance together while a wait
// runs; a picture whose cell changed is redrawn at once.
#include "engine/Velmora.h"

namespace velmora {

AnimImage* Velmora::selectedCursor() {
    if (input.text_wait_state != 1 && input.text_wait_state != 2) return nullptr;
    return &screen.cursor_images[input.text_wait_state - 1];
}

int32_t Velmora::nextAnimationDelay() {
    int32_t delay = 0;
    const auto consider = [&delay](const AnimImage& image) {
        if (!image.visible || !image.animating) return;
        if (delay == 0 || image.remaining_ms < delay) delay = image.remaining_ms;
    };
    for (const AnimImage& standing : screen.standing_images) consider(standing);
    for (const AnimImage& sprite : screen.sprites) consider(sprite);
    if (const AnimImage* cursor = selectedCursor()) consider(*cursor);
    return delay;
}

void Velmora::advanceAnimations(int32_t ms) {
    for (AnimImage& standing : screen.standing_images) standing.advanceTime(ms);
    for (int32_t i = SPRITE_COUNT - 1; i >= 0; --i) screen.sprites[i].advanceTime(ms);
    if (AnimImage* cursor = selectedCursor()) cursor->advanceTime(ms);
}

void Velmora::stepAnimations() {
    const uint32_t flags = screen.refreshFlags() | (input.text_wait_state ? REFRESH_CURSOR : 0);
    const LayerSettings settings = layerSettings();
    const auto step = [&](AnimImage& image) {
        if (image.stepCell()) screen.show(image.screen_rect, flags, settings);
    };
    for (AnimImage& standing : screen.standing_images) step(standing);
    for (int32_t i = SPRITE_COUNT - 1; i >= 0; --i) step(screen.sprites[i]);
    if (AnimImage* cursor = selectedCursor()) step(*cursor);
}

} // namespace velmora
