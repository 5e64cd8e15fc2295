// The screen: every picture slot, the off-screen surfaces, the layer
// switches and the damage. Pictures are composed in a fixed layer order into
// an off-screen surface and only the damaged rectangle is sent to the window.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Colour.h"
#include "graphics/AnimImage.h"
#include "graphics/DamageRect.h"
#include "graphics/ScreenFilters.h"

namespace velmora {

class ButtonList;

// Refresh flags: which optional layers a composition includes.
constexpr uint32_t REFRESH_PICTURES = 0x01;         // any non-zero set composes the pictures
constexpr uint32_t REFRESH_SKIP_LOW_SPRITES = 0x02; // leaves out sprites 0-9, bars and numbers
constexpr uint32_t REFRESH_WINDOW = 0x04;
constexpr uint32_t REFRESH_TEXT = 0x08;
constexpr uint32_t REFRESH_CURSOR = 0x10;
constexpr uint32_t REFRESH_TEXT_WINDOW = REFRESH_PICTURES | REFRESH_WINDOW | REFRESH_TEXT;

constexpr int32_t SPRITE_COUNT = 1000;
constexpr int32_t ROTATED_SPRITE_COUNT = 256;
constexpr int32_t BAR_COUNT = 100;
constexpr int32_t NUMBER_COUNT = 100;
constexpr int32_t STANDING_COUNT = 3; // left, centre, right

// The arrow pictures of the lookback screen, by their place in lookback_images.
enum LookbackPicture : size_t {
    LOOKBACK_UP_ON = 0,
    LOOKBACK_UP_OFF,
    LOOKBACK_DOWN_ON,
    LOOKBACK_DOWN_OFF,
    LOOKBACK_PICTURE_COUNT
};
// The files of those pictures when the game names none of its own.
inline constexpr std::array<const char*, LOOKBACK_PICTURE_COUNT> LOOKBACK_CURSOR_FILES = {
    "uoncur.bmp", "uoffcur.bmp", "doncur.bmp", "doffcur.bmp"};

// What a composition needs to know from the rest of the engine.
struct LayerSettings {
    int32_t sprite_z_order = 499; // sprites above this number lie under the standing pictures
    bool window_back = false;     // the text window lies under the low sprites
    int32_t text_wait_state = 0;  // 1 click wait, 2 page wait: selects the cursor
    bool text_gosub_set = false;  // a text-wait routine draws its own cursor
    bool shaded_window = true;    // the text window is a darkened rectangle, not a picture
    Rgb window_shade{0, 0, 0};
    bool story_layout = true; // the story text window (else the menu: the whole screen)
    int32_t pen_x = 0;        // the text pen in screen pixels, for pictures that follow it
    int32_t pen_y = 0;
    const ButtonList* buttons = nullptr; // drawn over everything else
};

class Screen {
  public:
    Screen();
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // Creates the off-screen surfaces at the window size; false when one
    // cannot be made.
    bool createSurfaces(int32_t width, int32_t height);
    // Empties every picture slot and restores the switches that an engine
    // reset restores; the background name becomes "black" (rebuilt by the caller).
    void resetPictures();

    // Redraws the layers inside `clip` (the whole target when null) into `target`.
    void compose(SDL_Surface* target, const SDL_Rect* clip, uint32_t flags,
                 const LayerSettings& settings);
    // Composes `rect` into the composition surface and sends it to the window.
    void show(const SDL_Rect& rect, uint32_t flags, const LayerSettings& settings);
    // Sends the whole composition surface, as it is, to the window.
    void present();
    // Shows `rect` at once when `immediate`; otherwise adds it to the damage
    // and shows the whole damage. Clears the damage when `clear_after`.
    void showDamage(uint32_t flags, const SDL_Rect* rect, bool clear_after, bool immediate,
                    const LayerSettings& settings);
    // The flags of an ordinary refresh: the text window's when it is shown.
    uint32_t refreshFlags() const { return window_shown ? text_refresh_flags : REFRESH_PICTURES; }

    // Adds where a picture shows to the damage: the bounding box of a rotated
    // sprite, the screen rectangle of any other.
    void damagePicture(const AnimImage& image);
    void damageAll() { damage.damageAll(width, height); }
    // Where the text window and its text show: glyphs may reach past the window.
    SDL_Rect textArea() const;
    // Empties the text layer, damaging where its glyphs were.
    void clearTextLayer();
    // The whole screen as a rectangle.
    SDL_Rect bounds() const;

    void setMonochromeColour(Rgb colour);

    int32_t width = 0;
    int32_t height = 0;
    SDL_Surface* screen_surface = nullptr; // the window's own; not owned
    SDL_Surface* compose_surface = nullptr;
    SDL_Surface* windowless_surface = nullptr;
    SDL_Surface* effect_source_surface = nullptr;
    SDL_Surface* effect_target_surface = nullptr;
    SDL_Surface* screenshot_surface = nullptr;

    AnimImage background_image;
    std::string background_name =
        "black"; // "white", "black", "*bgcpy", a colour or a tagged string
    std::array<AnimImage, STANDING_COUNT> standing_images;
    std::array<int32_t, STANDING_COUNT> standing_order{2, 1, 0}; // drawing order; entry 0 on top
    std::vector<AnimImage> sprites;
    std::vector<AnimImage> rotated_sprites;
    std::array<std::unique_ptr<AnimImage>, BAR_COUNT> bar_images;
    std::array<std::unique_ptr<AnimImage>, NUMBER_COUNT> number_images;
    std::array<AnimImage, 2> cursor_images; // click wait, page wait
    // The lookback arrows; an engine reset keeps them, the define section sets them.
    std::array<AnimImage, LOOKBACK_PICTURE_COUNT> lookback_images;
    AnimImage text_layer_image;
    AnimImage window_image;
    AnimImage dialog_image;

    bool all_sprites_hidden = false;
    bool all_rotated_hidden = false;
    int32_t nega_mode = 0; // 1 invert before the grey filter, 2 after it
    bool monochrome = false;
    Rgb monochrome_colour{255, 255, 255};
    MonochromeTable monochrome_table = buildMonochromeTable({255, 255, 255});
    bool dialog_shown = false;
    bool window_shown = false; // the text window is displayed
    uint32_t text_refresh_flags = REFRESH_TEXT_WINDOW;

    DamageRect damage;

  private:
    void drawImage(SDL_Surface* target, const AnimImage& image, const SDL_Rect& clip,
                   const LayerSettings& settings) const;
    // Sprites from `high` down to `low`, those visible and with a surface.
    void drawSprites(SDL_Surface* target, int32_t high, int32_t low, const SDL_Rect& clip,
                     const LayerSettings& settings) const;
    void drawRotatedSprites(SDL_Surface* target, const SDL_Rect& clip,
                            const LayerSettings& settings) const;
    void applyFilters(SDL_Surface* target, const SDL_Rect& clip) const;
    void drawTextWindow(SDL_Surface* target, const SDL_Rect& clip, uint32_t flags,
                        const LayerSettings& settings) const;
    void freeSurfaces();
};

} // namespace velmora
