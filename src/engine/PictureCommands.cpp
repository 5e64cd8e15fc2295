// The picture commands: the background, the standing pictures, sprites and
// rotated sprites, and the colour filters. Each changes picture slots and
// adds what changed to the damage; whatever shows the screen next shows it.
#include <cctype>
#include <cstring>

#include "engine/Velmora.h"
#include "graphics/RectClip.h"

namespace velmora {

namespace {

// The slot a position word names: l, c or r (any case); -1 otherwise.
int32_t standingSlot(const char* word) {
    switch (std::tolower(static_cast<unsigned char>(word[0]))) {
    case 'l': return 0;
    case 'c': return 1;
    case 'r': return 2;
    default: return -1;
    }
}

} // namespace

int32_t Velmora::bgCommand() {
    hideTextWindow(false);
    if (script.takeKeyword("white"))
        screen.background_name = "white";
    else if (script.takeKeyword("black"))
        screen.background_name = "black";
    else
        screen.background_name = script.readStr();
    for (AnimImage& standing : screen.standing_images) standing.discard();
    screen.background_image.discard();
    buildBackground();
    screen.damageAll();
    runEffect(resolveEffect());
    return RESULT_PROCEED;
}

int32_t Velmora::ldCommand() {
    hideTextWindow(false);
    const int32_t slot = standingSlot(script.readLabelToken());
    const std::string tag = script.readStr();
    if (slot >= 0) {
        AnimImage& standing = screen.standing_images[slot];
        if (standing.surface) screen.damage.add(standing.screen_rect);
        standing.setTagString(tag);
        parseAndLoad(standing);
        if (standing.surface) {
            standing.visible = true;
            // Centred on its quarter of the screen, standing on the stand line.
            const int64_t x = (int64_t{slot} + 1) * screen_width * scale_den / (scale_num * 4) -
                              standing.script_rect.w / 2;
            const int64_t y =
                underline_value - int64_t{standing.surface->h} * scale_den / scale_num;
            placeOnScreen(standing, clampToInt32(x), clampToInt32(y));
            screen.damage.add(standing.screen_rect);
        }
    }
    runEffect(resolveEffect());
    return RESULT_PROCEED;
}

int32_t Velmora::clCommand() {
    hideTextWindow(false);
    const char* word = script.readLabelToken();
    const bool all = std::tolower(static_cast<unsigned char>(word[0])) == 'a';
    const int32_t slot = standingSlot(word);
    for (int32_t i = 0; i < STANDING_COUNT; ++i) {
        if (!all && i != slot) continue;
        AnimImage& standing = screen.standing_images[i];
        screen.damage.add(standing.screen_rect);
        standing.discard();
    }
    runEffect(resolveEffect());
    return RESULT_PROCEED;
}

int32_t Velmora::lspCommand() {
    const bool hidden = script.tokenIs("lsph");
    const int32_t n = script.readInteger();
    const std::string tag = script.readStr();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    const bool has_opacity = script.end_flags & END_COMMA;
    const int32_t opacity = has_opacity ? script.readInteger() : -1;
    if (n < 0 || n >= SPRITE_COUNT) return RESULT_PROCEED;
    hideTextWindow(false);

    AnimImage& sprite = screen.sprites[n];
    if (sprite.surface && sprite.visible) screen.damage.add(sprite.screen_rect);
    sprite.visible = !hidden;
    sprite.setTagString(tag);
    placeOnScreen(sprite, x, y);
    sprite.alpha = opacity;
    parseAndLoad(sprite);
    if (sprite.visible) screen.damage.add(sprite.screen_rect);
    return RESULT_PROCEED;
}

int32_t Velmora::lsp2Command() {
    const bool hidden = script.tokenIs("lsph2");
    const char* name = script.token_buffer.data();
    const size_t length = std::strlen(name);
    const auto endsWith = [&](const char* tail) {
        const size_t n = std::strlen(tail);
        return length >= n && std::strcmp(name + length - n, tail) == 0;
    };
    const BlendMode mode = endsWith("add")   ? BlendMode::Add
                           : endsWith("sub") ? BlendMode::Subtract
                                             : BlendMode::Normal;
    const int32_t n = script.readInteger();
    const std::string tag = script.readStr();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    const int32_t scale_x = script.readInteger();
    const int32_t scale_y = script.readInteger();
    const int32_t rotation = script.readInteger();
    const bool has_opacity = script.end_flags & END_COMMA;
    const int32_t opacity = has_opacity ? script.readInteger() : -1;
    if (n < 0 || n >= ROTATED_SPRITE_COUNT) return RESULT_PROCEED;
    hideTextWindow(false);

    AnimImage& sprite = screen.rotated_sprites[n];
    if (sprite.surface && sprite.visible) screen.damage.add(sprite.bounding_rect);
    sprite.visible = !hidden;
    sprite.blend_mode = mode;
    sprite.setTagString(tag);
    placeOnScreen(sprite, x, y);
    sprite.scale_x = scale_x;
    sprite.scale_y = scale_y;
    sprite.rotation = rotation;
    sprite.alpha = opacity;
    parseAndLoad(sprite);
    sprite.computeAffine();
    if (sprite.visible) screen.damage.add(sprite.bounding_rect);
    return RESULT_PROCEED;
}

int32_t Velmora::cspCommand() {
    const bool rotated = script.tokenIs("csp2");
    const int32_t n = script.readInteger();
    hideTextWindow(false);
    std::vector<AnimImage>& slots = rotated ? screen.rotated_sprites : screen.sprites;
    const int32_t count = static_cast<int32_t>(slots.size());
    const auto remove = [&](AnimImage& sprite, bool move_away) {
        if (sprite.visible) screen.damagePicture(sprite);
        if (move_away && !sprite.tag_string.empty()) placeOnScreen(sprite, -1000, -1000);
        sprite.discard();
    };
    if (n == -1) {
        for (AnimImage& sprite : slots) remove(sprite, true);
    } else if (n >= 0 && n < count) {
        remove(slots[n], false);
    }
    // A sprite taken away takes its buttons with it.
    if (!rotated && n >= -1 && n < count) buttons.removeSpriteButtons(n);
    return RESULT_PROCEED;
}

int32_t Velmora::printCommand() {
    hideTextWindow(false);
    runEffect(resolveEffect());
    return RESULT_PROCEED;
}

int32_t Velmora::negaCommand() {
    screen.nega_mode = script.readInteger();
    screen.damageAll();
    return RESULT_PROCEED;
}

int32_t Velmora::monocroCommand() {
    if (script.takeKeyword("off")) {
        screen.monochrome = false;
    } else {
        uint8_t colour[3];
        script.readColor(colour, script.readStr());
        screen.monochrome = true;
        screen.setMonochromeColour({colour[0], colour[1], colour[2]});
    }
    screen.damageAll();
    return RESULT_PROCEED;
}

} // namespace velmora
