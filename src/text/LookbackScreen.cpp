// The lookback screen: the pages before the current one drawn again in the
// text window in the lookback colour, one at a time, with up and down arrows
// (pictures, or the game's lookback sprites) to step between them.
#include <algorithm>

#include "engine/Velmora.h"
#include "graphics/RectClip.h"

namespace velmora {

namespace {

// Which arrow a button is, reported as the wait's result.
constexpr int32_t UP_ARROW = 1;
constexpr int32_t DOWN_ARROW = 2;
// Each arrow reacts over a third of the text window.
constexpr int32_t WINDOW_PARTS = 3;

} // namespace

void Velmora::buildLookbackArrows(int32_t pages_back) {
    deleteButtons();
    const SDL_Rect window = screen.window_image.screen_rect;
    const int32_t part = window.h / WINDOW_PARTS;
    struct Arrow {
        int32_t number;
        bool exists;
        int32_t sprite;
        LookbackPicture on, off;
        int32_t hit_y;
        bool at_top;
    };
    // Up leads to an older page while there is one; down to a newer one,
    // the newest being the page before the game's own.
    const Arrow arrows[] = {
        {UP_ARROW, lookback.before(pages_back + 1) != nullptr, lookback_sprites[0], LOOKBACK_UP_ON,
         LOOKBACK_UP_OFF, window.y, true},
        {DOWN_ARROW, pages_back > 1, lookback_sprites[1], LOOKBACK_DOWN_ON, LOOKBACK_DOWN_OFF,
         window.y + window.h * (WINDOW_PARTS - 1) / WINDOW_PARTS, false},
    };
    for (const Arrow& arrow : arrows) {
        if (arrow.sprite >= 0 && arrow.sprite < SPRITE_COUNT) {
            AnimImage& sprite = screen.sprites[static_cast<size_t>(arrow.sprite)];
            sprite.visible = arrow.exists;
            screen.damagePicture(sprite);
            if (arrow.exists) addSpriteButton(arrow.sprite, arrow.number);
            continue;
        }
        if (!arrow.exists) continue;
        ButtonEntry& button = buttons.prepend(ButtonKind::LookbackArrow, arrow.number);
        button.hit_rect =
            SDL_Rect{window.x, clampToInt16(arrow.hit_y), window.w, clampToUint16(part)};
        button.on_image = &screen.lookback_images[arrow.on];
        button.off_image = &screen.lookback_images[arrow.off];
        // Both pictures sit in the window's right corner, at its top or bottom.
        for (AnimImage* picture : {button.on_image, button.off_image}) {
            const int32_t w = picture->screen_rect.w, h = picture->screen_rect.h;
            picture->screen_rect.x = clampToInt16(window.x + window.w - w);
            picture->screen_rect.y =
                clampToInt16(arrow.at_top ? window.y : window.y + window.h - h);
            picture->absolute_position = true;
        }
        button.image_rect = rectUnion(button.off_image->screen_rect, button.on_image->screen_rect);
        button.state = ButtonState::Off;
    }
}

void Velmora::hideLookbackSprites() {
    for (const int32_t n : lookback_sprites) {
        if (n < 0 || n >= SPRITE_COUNT) continue;
        AnimImage& sprite = screen.sprites[static_cast<size_t>(n)];
        sprite.visible = false;
        screen.damagePicture(sprite);
    }
}

void Velmora::runLookback() {
    menu_layout = false;
    int32_t pages_back = 1; // the page shown, in steps before the game's own
    const LookbackPages::Page* page = lookback.before(pages_back);
    while (page) {
        buildLookbackArrows(pages_back);
        refreshButtons();

        // The game's pictures without its text, and the earlier page over them.
        screen.compose(screen.compose_surface, nullptr, screen.refreshFlags() & ~REFRESH_TEXT,
                       layerSettings());
        const Rgb colour = story_font.text_color;
        story_font.text_color = lookback_color;
        redrawPage(screen.compose_surface, page->text);
        story_font.text_color = colour;
        screen.present();

        input.event_mode = WAIT_BUTTONS;
        runWaitPlain(-1);
        const int32_t result = input.button_result;
        const bool older = result == UP_ARROW || result == RESULT_WHEEL_UP;
        const bool newer = result == DOWN_ARROW || result == RESULT_WHEEL_DOWN;
        if (result == RESULT_RIGHT_CLICK || result < RESULT_WHEEL_DOWN ||
            (newer && pages_back == 1))
            break;
        // Wheel up on the oldest page, or nothing chosen: the same page again.
        if (older && lookback.before(pages_back + 1)) ++pages_back;
        if (newer) --pages_back;
        page = lookback.before(pages_back);
    }
    input.event_mode = 0;
    deleteButtons();
    hideLookbackSprites();
}

} // namespace velmora
