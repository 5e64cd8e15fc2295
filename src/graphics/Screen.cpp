#include "graphics/Screen.h"

#include <algorithm>

#include "graphics/PictureSurface.h"
#include "graphics/RectClip.h"
#include "input/ButtonList.h"

namespace velmora {

Screen::Screen() : sprites(SPRITE_COUNT), rotated_sprites(ROTATED_SPRITE_COUNT) {
    for (AnimImage& sprite : rotated_sprites) sprite.affine = true;
}

Screen::~Screen() {
    freeSurfaces();
}

void Screen::freeSurfaces() {
    for (SDL_Surface** surface : {&compose_surface, &windowless_surface, &effect_source_surface,
                                  &effect_target_surface, &screenshot_surface}) {
        if (*surface) SDL_FreeSurface(*surface);
        *surface = nullptr;
    }
}

bool Screen::createSurfaces(int32_t w, int32_t h) {
    freeSurfaces();
    width = w;
    height = h;
    damage.setBounds(w, h);
    for (SDL_Surface** surface : {&compose_surface, &windowless_surface, &effect_source_surface,
                                  &effect_target_surface, &screenshot_surface}) {
        *surface = createSurface32(w, h, ENGINE_FORMAT_CODE);
        if (!*surface) return false;
    }
    // The story text layer starts fully transparent.
    text_layer_image.cell_count = 1;
    text_layer_image.allocSurface(w, h, ENGINE_FORMAT_CODE);
    text_layer_image.paint(0, 0, 0, 0);
    return true;
}

void Screen::resetPictures() {
    background_image.restoreDefaults();
    for (AnimImage& image : standing_images) image.restoreDefaults();
    for (AnimImage& sprite : sprites) sprite.restoreDefaults();
    for (AnimImage& sprite : rotated_sprites) sprite.restoreDefaults();
    for (AnimImage& cursor : cursor_images) cursor.restoreDefaults();
    standing_order = {2, 1, 0};
    background_name = "black";
    for (auto& bar : bar_images) bar.reset();
    for (auto& number : number_images) number.reset();
    nega_mode = 0;
    monochrome = false;
    dialog_shown = false;
    text_refresh_flags = REFRESH_TEXT_WINDOW;
    damageAll();
}

void Screen::setMonochromeColour(Rgb colour) {
    monochrome_colour = colour;
    monochrome_table = buildMonochromeTable(colour);
}

SDL_Rect Screen::bounds() const {
    return SDL_Rect{0, 0, clampToUint16(width), clampToUint16(height)};
}

SDL_Rect Screen::textArea() const {
    return rectUnion(window_image.screen_rect, text_layer_image.glyph_rect);
}

void Screen::clearTextLayer() {
    damage.add(text_layer_image.glyph_rect);
    text_layer_image.paint(0, 0, 0, 0);
}

void Screen::damagePicture(const AnimImage& image) {
    damage.add(image.affine ? image.bounding_rect : image.screen_rect);
}

void Screen::drawImage(SDL_Surface* target, const AnimImage& image, const SDL_Rect& clip,
                       const LayerSettings& settings) const {
    int32_t x = image.screen_rect.x;
    int32_t y = image.screen_rect.y;
    if (!image.absolute_position) {
        x += settings.pen_x;
        y += settings.pen_y;
    }
    if (image.affine)
        image.blendAffineOnto(target, x, y, clip, image.alpha);
    else
        image.blendOnto(target, x, y, clip, image.alpha);
}

void Screen::drawSprites(SDL_Surface* target, int32_t high, int32_t low, const SDL_Rect& clip,
                         const LayerSettings& settings) const {
    high = std::min(high, SPRITE_COUNT - 1);
    low = std::max(low, 0);
    for (int32_t i = high; i >= low; --i) {
        const AnimImage& sprite = sprites[i];
        if (sprite.visible && sprite.surface) drawImage(target, sprite, clip, settings);
    }
}

void Screen::drawRotatedSprites(SDL_Surface* target, const SDL_Rect& clip,
                                const LayerSettings& settings) const {
    if (all_rotated_hidden) return;
    for (int32_t i = ROTATED_SPRITE_COUNT - 1; i >= 0; --i) {
        const AnimImage& sprite = rotated_sprites[i];
        if (sprite.visible && sprite.surface) drawImage(target, sprite, clip, settings);
    }
}

void Screen::applyFilters(SDL_Surface* target, const SDL_Rect& clip) const {
    if (nega_mode == 1) invertRect(target, clip);
    if (monochrome) monochromeRect(target, clip, monochrome_table);
    if (nega_mode == 2) invertRect(target, clip);
}

void Screen::drawTextWindow(SDL_Surface* target, const SDL_Rect& clip, uint32_t flags,
                            const LayerSettings& settings) const {
    if (flags & REFRESH_WINDOW) {
        if (!settings.shaded_window) {
            if (window_image.surface) drawImage(target, window_image, clip, settings);
        } else {
            SDL_Rect rect = settings.story_layout ? window_image.screen_rect : bounds();
            if (clipRect(rect, clip) == 0) shadeRect(target, rect, settings.window_shade);
        }
    }
    if (flags & REFRESH_TEXT) text_layer_image.blendOnto(target, 0, 0, clip, 255);
}

void Screen::compose(SDL_Surface* target, const SDL_Rect* clip, uint32_t flags,
                     const LayerSettings& settings) {
    if (flags == 0 || !target) return;
    SDL_Rect c{0, 0, clampToUint16(target->w), clampToUint16(target->h)};
    if (clip && clipRect(c, *clip) < 0) return;

    if (background_image.surface) copyArea(background_image.surface, target, c);
    const bool skip_low = flags & REFRESH_SKIP_LOW_SPRITES;
    const int32_t z = std::clamp(settings.sprite_z_order, -1, SPRITE_COUNT - 1);
    if (!all_sprites_hidden) {
        drawSprites(target, SPRITE_COUNT - 1, skip_low && z < 10 ? 10 : z + 1, c, settings);
        for (int32_t k = STANDING_COUNT - 1; k >= 0; --k) {
            const int32_t slot = standing_order[k];
            if (slot < 0 || slot >= STANDING_COUNT) continue;
            if (standing_images[slot].surface)
                drawImage(target, standing_images[slot], c, settings);
        }
    }
    if (settings.window_back) {
        applyFilters(target, c);
        drawRotatedSprites(target, c, settings);
        drawTextWindow(target, c, flags, settings);
    }
    if (!all_sprites_hidden) drawSprites(target, z, skip_low ? 10 : 0, c, settings);
    if (!settings.window_back) {
        drawRotatedSprites(target, c, settings);
        applyFilters(target, c);
    }
    if (!skip_low) {
        for (const auto& bar : bar_images)
            if (bar) drawImage(target, *bar, c, settings);
        for (const auto& number : number_images)
            if (number) drawImage(target, *number, c, settings);
    }
    if (!settings.window_back) drawTextWindow(target, c, flags, settings);
    if ((flags & REFRESH_CURSOR) && !settings.text_gosub_set &&
        (settings.text_wait_state == 1 || settings.text_wait_state == 2)) {
        const AnimImage& cursor = cursor_images[settings.text_wait_state - 1];
        if (cursor.surface) drawImage(target, cursor, c, settings);
    }
    if (dialog_shown && dialog_image.surface) drawImage(target, dialog_image, c, settings);
    if (settings.buttons)
        settings.buttons->forEach([&](const ButtonEntry& button) {
            const AnimImage* picture = button.state == ButtonState::On    ? button.on_image
                                       : button.state == ButtonState::Off ? button.off_image
                                                                          : nullptr;
            if (picture && picture->surface) drawImage(target, *picture, c, settings);
        });
}

void Screen::show(const SDL_Rect& rect, uint32_t flags, const LayerSettings& settings) {
    compose(compose_surface, &rect, flags, settings);
    if (!screen_surface) return;
    SDL_Rect cut = rect;
    if (clipRect(cut, bounds()) < 0) return;
    copyArea(compose_surface, screen_surface, cut);
    SDL_UpdateRect(screen_surface, cut.x, cut.y, cut.w, cut.h);
}

void Screen::present() {
    if (!screen_surface || !compose_surface) return;
    copyArea(compose_surface, screen_surface, bounds());
    SDL_UpdateRect(screen_surface, 0, 0, 0, 0);
    damage.clear();
}

void Screen::showDamage(uint32_t flags, const SDL_Rect* rect, bool clear_after, bool immediate,
                        const LayerSettings& settings) {
    if (immediate) {
        if (rect) show(*rect, flags, settings);
    } else {
        if (rect) damage.add(*rect);
        if (!damage.empty()) show(damage.area, flags, settings);
    }
    if (clear_after) damage.clear();
}

} // namespace velmora
