// A saved game as plain values: everything a save file holds, grouped as the
// file groups it, with the engine's field names. Saving fills one from the
// engine and serialises it; loading parses a file into one, which is applied
// to the engine only when the whole file was read. Strings are empty when
// absent: the file writes both as a single 0 byte and reads that as absent.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/Colour.h"
#include "graphics/Screen.h"
#include "interp/CallStack.h"
#include "sound/SoundSystem.h"
#include "text/FontState.h"

namespace velmora {

// Versions are major × 100 + minor; files are written as the newest.
constexpr int32_t SAVE_VERSION_MAJOR = 2;
constexpr int32_t SAVE_VERSION_MINOR = 8;
constexpr int32_t SAVE_VERSION = SAVE_VERSION_MAJOR * 100 + SAVE_VERSION_MINOR;
constexpr int32_t OLDEST_SAVE_VERSION = 200;
// The first versions that hold more fields.
constexpr int32_t SAVE_RUBY_VERSION = 201;      // ruby settings
constexpr int32_t SAVE_ARRAYS_VERSION = 202;    // array cells
constexpr int32_t SAVE_ALPHA_VERSION = 203;     // sprite alpha; an extra byte after each page
constexpr int32_t SAVE_ROTATED_VERSION = 204;   // rotated sprites
constexpr int32_t SAVE_PAGE_TAGS_VERSION = 205; // page tags
constexpr int32_t SAVE_SCREEN_VERSION = 206;    // the screen width marks
constexpr int32_t SAVE_UNDERLINE_VERSION = 207; // underline_value

struct SavedRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    bool operator==(const SavedRect&) const = default;
};

// The sentence font and the text window (`story_font`, `window_image`).
struct SavedTextWindow {
    bool bold = false;
    bool shadow = false;
    bool rmenu_enabled = false;
    Rgb text_color{};
    int32_t window_effect_type = 0;
    int32_t window_effect_duration = 0;
    std::string window_effect_picture; // the mask's tag string; not loaded with the file
    Vec2 area_origin;
    Vec2 area_cells;
    Vec2 glyph_size;
    Vec2 cell_pitch;
    Rgb window_shade_color{};
    bool shaded_window = false;
    int32_t char_wait = 0;
    SavedRect script_rect;  // of `window_image`
    std::string tag_string; // of `window_image`
    bool operator==(const SavedTextWindow&) const = default;
};

// One click-wait cursor; its tag string is stored with the text window group.
struct SavedCursor {
    std::string tag_string;
    bool absolute_position = false; // false: the cursor follows the text
    Vec2 position;
    bool operator==(const SavedCursor&) const = default;
};

struct SavedStanding {
    std::string tag_string;
    Vec2 position;
    bool operator==(const SavedStanding&) const = default;
};

struct SavedSprite {
    std::string tag_string;
    Vec2 position;
    bool visible = false;
    int32_t cell_index = 0;
    int32_t alpha = 0; // from version 2.03
    bool operator==(const SavedSprite&) const = default;
};

struct SavedVariable {
    int32_t value = 0;
    std::string text;
    bool operator==(const SavedVariable&) const = default;
};

// A call-stack frame; `address` is its offset from the start of the script buffer.
struct SavedFrame {
    FrameKind kind = FrameKind::Gosub;
    int32_t address = 0;
    int32_t var_number = 0; // for frames only, as `to` and `step`
    int32_t to = 0;
    int32_t step = 0;
    bool operator==(const SavedFrame&) const = default;
};

struct SavedBar {
    int32_t value = 0;
    Vec2 position;
    int32_t full_width = 0;
    int32_t height = 0;
    int32_t max_value = 0;
    Rgb fill_colour{};
    bool operator==(const SavedBar&) const = default;
};

struct SavedNumber {
    int32_t value = 0;
    Vec2 position;
    int32_t font_size_x = 0;
    int32_t font_size_y = 0;
    Rgb colour{}; // the text colour (cell 0's)
    bool operator==(const SavedNumber&) const = default;
};

struct SavedRotatedSprite {
    std::string tag_string;
    Vec2 position;
    int32_t scale_x = 0;
    int32_t scale_y = 0;
    int32_t rotation = 0;
    bool visible = false;
    int32_t alpha = 0;
    int32_t blend_mode = 0; // a BlendMode value, unchecked
    bool operator==(const SavedRotatedSprite&) const = default;
};

// One lookback page before the active one.
struct SavedPage {
    std::string text;
    std::string tag; // from version 2.05
    bool operator==(const SavedPage&) const = default;
};

// Fields that a file of an older version lacks keep their defaults here; the
// version tells which ones the file held.
struct SaveState {
    int32_t version = SAVE_VERSION;

    SavedTextWindow text_window;
    std::array<SavedCursor, 2> cursor_images; // click wait, page wait

    std::string background_image_name; // a file name or a colour
    std::array<SavedStanding, STANDING_COUNT> standing_images;
    std::array<SavedSprite, SPRITE_COUNT> sprites;

    std::vector<SavedVariable> variables; // 0 up to `global_border`
    std::vector<SavedFrame> frames;       // oldest first

    bool monochrome = false;
    Rgb monochrome_colour{};
    int32_t nega_mode = 0;

    SoundRecord sound; // the loop sound's names included

    int32_t erase_window = 0;
    std::array<std::optional<SavedBar>, BAR_COUNT> bar_images;
    std::array<std::optional<SavedNumber>, NUMBER_COUNT> number_images;

    std::string btndef_tag_string; // of `btndef_picture`
    // Every cell of every declared array, in declaration and storage order
    // (from version 2.02; the file holds no extents).
    std::vector<int32_t> array_cells;

    bool ruby_space = false; // from version 2.01, as the two fields below
    Vec2 ruby_glyph_size;
    std::string ruby_font_name;

    std::array<SavedRotatedSprite, ROTATED_SPRITE_COUNT> rotated_sprites; // from 2.04

    // The script screen width / 4, / 2 and × 3 / 4 (from 2.06; not loaded).
    std::array<int32_t, 3> screen_marks{};
    int32_t underline_value = 0; // from version 2.07

    std::vector<SavedPage> pages; // oldest first

    // The script position: the script-wide line, and the number of `:` from
    // the line's start to the statement that resumes (0 in text).
    int32_t line = 0;
    int32_t colon_count = 0;

    bool operator==(const SaveState&) const = default;
};

} // namespace velmora
