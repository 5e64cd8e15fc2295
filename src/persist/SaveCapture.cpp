// The engine's state copied into a SaveState, as a save file holds it: the
// text window, the pictures, the variables, the call stack, the sound record
// the lookback pages before the current one and the script position.
#include <algorithm>
#include <cstdint>

#include "engine/Velmora.h"
#include "text/WordWrap.h"

namespace velmora {

namespace {

// The colon bytes (statement separators) in [from, to).
int32_t colonsBetween(const char* from, const char* to) {
    return from < to ? static_cast<int32_t>(std::count(from, to, ':')) : 0;
}

Rgb toRgb(const RgbColour& colour) {
    return {colour.r, colour.g, colour.b};
}

} // namespace

SaveLayout Velmora::saveLayout() const {
    SaveLayout layout;
    // The variables that a reset clears: below the global border, and within
    // the declared count.
    layout.variable_count = static_cast<size_t>(
        std::clamp<int64_t>(script.global_border, 0, static_cast<int64_t>(script.slots.size())));
    for (const ArrayVar& array : script.arrays) layout.array_cells += array.cells.size();
    return layout;
}

SaveState Velmora::captureSaveState() {
    SaveState s;
    SavedTextWindow& w = s.text_window;
    w.bold = story_font.bold;
    w.shadow = story_font.shadow;
    w.rmenu_enabled = rmenu_enabled;
    w.text_color = story_font.text_color;
    w.window_effect_type = window_effect.type;
    w.window_effect_duration = window_effect.duration;
    w.window_effect_picture = window_effect.picture;
    w.area_origin = story_font.area_origin;
    w.area_cells = story_font.area_cells;
    w.glyph_size = story_font.glyph_size;
    w.cell_pitch = story_font.cell_pitch;
    w.window_shade_color = story_font.window_shade_color;
    w.shaded_window = story_font.shaded_window;
    w.char_wait = story_font.char_wait;
    const SDL_Rect& window = screen.window_image.script_rect;
    w.script_rect = {window.x, window.y, window.w, window.h};
    w.tag_string = screen.window_image.tag_string;

    for (size_t i = 0; i < s.cursor_images.size(); ++i) {
        const AnimImage& cursor = screen.cursor_images[i];
        s.cursor_images[i] = {cursor.tag_string,
                              cursor.absolute_position,
                              {cursor.script_rect.x, cursor.script_rect.y}};
    }

    s.background_image_name = screen.background_name;
    for (size_t i = 0; i < s.standing_images.size(); ++i) {
        const AnimImage& standing = screen.standing_images[i];
        s.standing_images[i] = {standing.tag_string,
                                {standing.script_rect.x, standing.script_rect.y}};
    }
    for (size_t i = 0; i < s.sprites.size(); ++i) {
        const AnimImage& sprite = screen.sprites[i];
        s.sprites[i] = {sprite.tag_string,
                        {sprite.script_rect.x, sprite.script_rect.y},
                        sprite.visible,
                        sprite.cell_index,
                        sprite.alpha};
    }

    const SaveLayout layout = saveLayout();
    s.variables.reserve(layout.variable_count);
    for (size_t n = 0; n < layout.variable_count; ++n) {
        const VariableSlot& slot = script.slots[n];
        s.variables.push_back({slot.value, slot.text});
    }

    // Gosub and for frames only: the file has no form for any other kind.
    for (const CallFrame& frame : call_stack.all()) {
        const int32_t address =
            frame.address ? static_cast<int32_t>(script.offsetOf(frame.address)) : 0;
        s.frames.push_back({frame.kind, address, frame.var_number, frame.to, frame.step});
    }

    s.monochrome = screen.monochrome;
    s.monochrome_colour = screen.monochrome_colour;
    s.nega_mode = screen.nega_mode;
    s.sound = sound.record;

    s.erase_window = text.erase_window;
    for (size_t i = 0; i < s.bar_images.size(); ++i) {
        const AnimImage* bar = screen.bar_images[i].get();
        if (!bar) continue;
        s.bar_images[i] = SavedBar{bar->value,      {bar->script_rect.x, bar->script_rect.y},
                                   bar->full_width, bar->script_rect.h,
                                   bar->max_value,  toRgb(bar->fill_colour)};
    }
    for (size_t i = 0; i < s.number_images.size(); ++i) {
        const AnimImage* number = screen.number_images[i].get();
        if (!number) continue;
        const RgbColour colour =
            number->cell_colours.empty() ? RgbColour{} : number->cell_colours.front();
        s.number_images[i] = SavedNumber{number->value,
                                         {number->script_rect.x, number->script_rect.y},
                                         number->font_size_x,
                                         number->font_size_y,
                                         toRgb(colour)};
    }

    s.btndef_tag_string = btndef_picture.tag_string;
    s.array_cells.reserve(layout.array_cells);
    for (const ArrayVar& array : script.arrays)
        s.array_cells.insert(s.array_cells.end(), array.cells.begin(), array.cells.end());

    s.ruby_space = story_font.ruby_space;
    s.ruby_glyph_size = ruby_glyph_size;
    s.ruby_font_name = ruby_font_name;

    for (size_t i = 0; i < s.rotated_sprites.size(); ++i) {
        const AnimImage& sprite = screen.rotated_sprites[i];
        s.rotated_sprites[i] = {sprite.tag_string, {sprite.script_rect.x, sprite.script_rect.y},
                                sprite.scale_x,    sprite.scale_y,
                                sprite.rotation,   sprite.visible,
                                sprite.alpha,      static_cast<int32_t>(sprite.blend_mode)};
    }

    constexpr int32_t QUARTERS = 4;
    s.screen_marks = {script.screen_width / QUARTERS, script.screen_width / 2,
                      script.screen_width * 3 / QUARTERS};
    s.underline_value = underline_value;
    for (const LookbackPages::Page& page : lookback.history())
        s.pages.push_back({withoutKeptSpaces(page.text), page.tag});

    // The statement that runs next: its script-wide line, and the colons
    // before it on that line; text resumes at the start of its line.
    s.line = current_line + current_label.first_line;
    if (!script.lastTokenWasText())
        s.colon_count = colonsBetween(script.addressOfLine(s.line), script.token_start);
    return s;
}

} // namespace velmora
