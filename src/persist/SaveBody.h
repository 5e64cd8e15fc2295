// The body of a save file, field by field in file order. One walk serves
// both directions: the writer walks a const SaveState and writes each field,
// the reader walks a SaveState and fills it, so the two cannot drift apart.
// `Io::reading` picks the direction where a field is stored otherwise than
// it is held; `io.version` leaves out what older files lack.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "persist/SaveState.h"

namespace velmora::save_body {

constexpr size_t INT_BYTES = 4;
constexpr size_t FOR_FRAME_VALUES = 4; // var_number, to, step, negated address
constexpr uint8_t UNSHADED_WINDOW = 0xFF;
// The one `erase_window` value above 1 that the file keeps, in a byte of its own.
constexpr int32_t ERASE_WINDOW_IN_BYTE = 2;

// The records written for a bar or number display that does not exist.
inline const SavedBar MISSING_BAR{0, {-1, 0}, 0, 0, 0, {}};
inline const SavedNumber MISSING_NUMBER{0, {-1, 0}, 0, 0, {}};

// A value the file holds but loading ignores.
template <class Io> void ignored(Io& io, int32_t written) {
    io.int32(written);
}

template <class Io> void ignoredByte(Io& io, uint8_t written) {
    io.byte(written);
}

// An int32 written as 1 or 0; only 1 reads as true.
template <class Io, class Flag> void flag(Io& io, Flag& value) {
    int32_t stored = value ? 1 : 0;
    io.int32(stored);
    if constexpr (Io::reading) value = stored == 1;
}

// A colour component stored as an int32; loading keeps its low byte.
template <class Io, class Byte> void lowByte(Io& io, Byte& component) {
    int32_t stored = component;
    io.int32(stored);
    if constexpr (Io::reading) component = static_cast<uint8_t>(stored);
}

template <class Io, class Point> void point(Io& io, Point& p) {
    io.int32(p.x);
    io.int32(p.y);
}

// Three bytes blue, green, red.
template <class Io, class Colour> void colourBytes(Io& io, Colour& rgb) {
    for (int c = 2; c >= 0; --c) io.byte(rgb[c]);
}

// A rectangle stored by its corners; the sums wrap rather than overflow, so
// any corners read back as the rectangle that writes them again.
template <class Io, class Rect> void corners(Io& io, Rect& r) {
    io.int32(r.x);
    io.int32(r.y);
    int32_t right = static_cast<int32_t>(uint32_t(r.x) + uint32_t(r.w) - 1u);
    int32_t bottom = static_cast<int32_t>(uint32_t(r.y) + uint32_t(r.h) - 1u);
    io.int32(right);
    io.int32(bottom);
    if constexpr (Io::reading) {
        r.w = static_cast<int32_t>(uint32_t(right) - uint32_t(r.x) + 1u);
        r.h = static_cast<int32_t>(uint32_t(bottom) - uint32_t(r.y) + 1u);
    }
}

template <class Io, class State> void textWindowGroup(Io& io, State& s) {
    auto& w = s.text_window;
    ignored(io, 2);
    flag(io, w.bold);
    flag(io, w.shadow);
    ignored(io, 0);
    flag(io, w.rmenu_enabled);
    for (auto& component : w.text_color) lowByte(io, component);
    for (auto& cursor : s.cursor_images) io.string(cursor.tag_string);
    io.int32(w.window_effect_type);
    io.int32(w.window_effect_duration);
    io.string(w.window_effect_picture);
    point(io, w.area_origin);
    point(io, w.area_cells);
    point(io, w.glyph_size);
    point(io, w.cell_pitch);
    colourBytes(io, w.window_shade_color);
    uint8_t unshaded = w.shaded_window ? 0 : UNSHADED_WINDOW;
    io.byte(unshaded);
    if constexpr (Io::reading) w.shaded_window = unshaded == 0;
    io.int32(w.char_wait);
    corners(io, w.script_rect);
    io.string(w.tag_string);
}

template <class Io, class State> void cursorGroup(Io& io, State& s) {
    // 1 when the cursor follows the text; anything else reads as absolute.
    for (auto& cursor : s.cursor_images) {
        int32_t follows = cursor.absolute_position ? 0 : 1;
        io.int32(follows);
        if constexpr (Io::reading) cursor.absolute_position = follows != 1;
    }
    for (auto& cursor : s.cursor_images) io.int32(cursor.position.x);
    for (auto& cursor : s.cursor_images) io.int32(cursor.position.y);
}

template <class Io, class State> void pictureGroups(Io& io, State& s) {
    io.string(s.background_image_name);
    for (auto& standing : s.standing_images) io.string(standing.tag_string);
    for (auto& standing : s.standing_images) io.int32(standing.position.x);
    for (auto& standing : s.standing_images) io.int32(standing.position.y);
    for (size_t i = 0; i < s.standing_images.size(); ++i) ignored(io, 0);
    if (io.version >= SAVE_ALPHA_VERSION)
        for (size_t i = 0; i < s.standing_images.size(); ++i) ignored(io, -1);

    for (auto& sprite : s.sprites) {
        io.string(sprite.tag_string);
        point(io, sprite.position);
        flag(io, sprite.visible);
        io.int32(sprite.cell_index);
        if (io.version >= SAVE_ALPHA_VERSION) io.int32(sprite.alpha);
    }
}

template <class Io, class State> void variableGroup(Io& io, State& s) {
    if constexpr (Io::reading)
        s.variables.resize(io.fitting(io.layout.variable_count, INT_BYTES + 1));
    for (auto& variable : s.variables) {
        io.int32(variable.value);
        io.string(variable.text);
    }
}

// The number of int32 values, then per frame oldest first: a gosub's address,
// or a for frame's var_number, to, step and negated address. The reader takes
// the values from the last: one above 0 ends a gosub frame, any other a for frame.
template <class Io, class State> void callStackGroup(Io& io, State& s) {
    if constexpr (Io::reading) {
        int32_t count = 0;
        io.int32(count);
        if (count < 0) return io.fail("the call stack has a negative size");
        std::vector<int32_t> values(io.fitting(size_t(count), INT_BYTES));
        for (int32_t& value : values) io.int32(value);
        for (size_t end = values.size(); end > 0;) {
            int32_t last = values[end - 1];
            if (last > 0) {
                s.frames.push_back({FrameKind::Gosub, last});
                --end;
                continue;
            }
            if (end < FOR_FRAME_VALUES || last == INT32_MIN)
                return io.fail("a for frame on the call stack is incomplete");
            const int32_t* f = &values[end - FOR_FRAME_VALUES];
            s.frames.push_back({FrameKind::For, -last, f[0], f[1], f[2]});
            end -= FOR_FRAME_VALUES;
        }
        std::reverse(s.frames.begin(), s.frames.end());
    } else {
        int32_t count = 0;
        for (const SavedFrame& frame : s.frames)
            count += frame.kind == FrameKind::For ? int32_t{FOR_FRAME_VALUES} : 1;
        io.int32(count);
        for (const SavedFrame& frame : s.frames) {
            if (frame.kind != FrameKind::For) {
                io.int32(frame.address);
                continue;
            }
            io.int32(frame.var_number);
            io.int32(frame.to);
            io.int32(frame.step);
            io.int32(static_cast<int32_t>(0u - uint32_t(frame.address)));
        }
    }
}

template <class Io, class State> void filterAndSoundGroups(Io& io, State& s) {
    flag(io, s.monochrome);
    for (int c = 2; c >= 0; --c) lowByte(io, s.monochrome_colour[c]);
    io.int32(s.nega_mode);

    auto& sound = s.sound;
    io.string(sound.midi_name);
    io.string(sound.wave_name);
    int32_t cd_track = std::max(sound.cd_track, SoundRecord::CD_NONE);
    io.int32(cd_track);
    if constexpr (Io::reading) sound.cd_track = std::max(cd_track, SoundRecord::CD_NONE);
    flag(io, sound.midi_loop);
    flag(io, sound.wave_loop);
    flag(io, sound.cd_loop);
    flag(io, sound.music_loop);
    flag(io, sound.music_save);
    if constexpr (Io::reading)
        io.string(sound.music_name);
    else
        io.string(sound.music_save ? sound.music_name : std::string());
}

// Each slot is a record of fixed size; only the exact record of a missing
// one reads as missing, so a bar or display showing 0 survives.
template <class Io, class Slots, class Record, class Fields>
void optionalRecords(Io& io, Slots& slots, const Record& missing, Fields fields) {
    for (auto& slot : slots) {
        if constexpr (Io::reading) {
            Record record;
            fields(io, record);
            if (record == missing)
                slot.reset();
            else
                slot = record;
        } else {
            fields(io, slot ? *slot : missing);
        }
    }
}

template <class Io, class State> void barAndNumberGroups(Io& io, State& s) {
    int32_t erase_flag = s.erase_window > 0 ? 1 : 0;
    io.int32(erase_flag);
    if constexpr (Io::reading) s.erase_window = erase_flag;
    ignored(io, 1);
    optionalRecords(io, s.bar_images, MISSING_BAR, [](Io& io, auto& bar) {
        io.int32(bar.value);
        point(io, bar.position);
        io.int32(bar.full_width);
        io.int32(bar.height);
        io.int32(bar.max_value);
        colourBytes(io, bar.fill_colour);
        ignoredByte(io, 0);
    });
    optionalRecords(io, s.number_images, MISSING_NUMBER, [](Io& io, auto& number) {
        io.int32(number.value);
        point(io, number.position);
        io.int32(number.font_size_x);
        io.int32(number.font_size_y);
        colourBytes(io, number.colour);
        ignoredByte(io, 0);
    });
}

template <class Io, class State> void buttonArrayLoopGroup(Io& io, State& s) {
    ignored(io, 1);
    ignored(io, 0);
    ignored(io, 1);
    io.string(s.btndef_tag_string);
    if (io.version >= SAVE_ARRAYS_VERSION) {
        if constexpr (Io::reading)
            s.array_cells.resize(io.fitting(io.layout.array_cells, INT_BYTES));
        for (auto& cell : s.array_cells) io.int32(cell);
    }
    ignored(io, 0);
    uint8_t erase_byte = s.erase_window == ERASE_WINDOW_IN_BYTE ? 1 : 0;
    io.byte(erase_byte);
    if constexpr (Io::reading)
        if (erase_byte == 1) s.erase_window = ERASE_WINDOW_IN_BYTE;
    for (int i = 0; i < 3; ++i) ignoredByte(io, 0);
    for (auto& name : s.sound.loopbgm_names) io.string(name);
}

template <class Io, class State> void rubyAndRotatedGroups(Io& io, State& s) {
    if (io.version >= SAVE_RUBY_VERSION) {
        flag(io, s.ruby_space);
        point(io, s.ruby_glyph_size);
        io.string(s.ruby_font_name);
    }
    if (io.version < SAVE_ROTATED_VERSION) return;
    ignored(io, 0);
    for (auto& sprite : s.rotated_sprites) {
        io.string(sprite.tag_string);
        point(io, sprite.position);
        io.int32(sprite.scale_x);
        io.int32(sprite.scale_y);
        io.int32(sprite.rotation);
        flag(io, sprite.visible);
        io.int32(sprite.alpha);
        io.int32(sprite.blend_mode);
    }
    ignored(io, 0);
    ignored(io, 0);
    if (io.version >= SAVE_PAGE_TAGS_VERSION) ignored(io, 1);
    for (int i = 0; i < 4; ++i) ignored(io, 0);
    if (io.version >= SAVE_PAGE_TAGS_VERSION) ignoredByte(io, 0);
}

template <class Io, class State> void screenGroup(Io& io, State& s) {
    if (io.version < SAVE_SCREEN_VERSION) return;
    ignored(io, 0);
    for (auto& mark : s.screen_marks) io.int32(mark);
    if (io.version >= SAVE_UNDERLINE_VERSION)
        io.int32(s.underline_value);
    else
        ignored(io, 0);
}

// The texts as strings, then (from 2.05) the count again and the tags.
template <class Io, class State> void pageGroup(Io& io, State& s) {
    int32_t count = static_cast<int32_t>(s.pages.size());
    io.int32(count);
    if constexpr (Io::reading) {
        if (count < 0) return io.fail("the number of pages is negative");
        s.pages.resize(io.fitting(size_t(count), 1));
    }
    for (auto& page : s.pages) {
        io.string(page.text);
        if (io.version == SAVE_ALPHA_VERSION) ignoredByte(io, 0);
    }
    if (io.version == SAVE_ROTATED_VERSION) {
        ignored(io, 0);
        ignored(io, 0);
    }
    if (io.version < SAVE_PAGE_TAGS_VERSION) return;
    io.int32(count);
    if constexpr (Io::reading)
        if (size_t(count) != s.pages.size()) return io.fail("the page tags do not match the pages");
    for (auto& page : s.pages) io.string(page.tag);
}

template <class Io, class State> void walkSaveBody(Io& io, State& s) {
    static_assert(std::is_const_v<State> != Io::reading, "the writer walks a const state");
    textWindowGroup(io, s);
    cursorGroup(io, s);
    pictureGroups(io, s);
    variableGroup(io, s);
    callStackGroup(io, s);
    filterAndSoundGroups(io, s);
    barAndNumberGroups(io, s);
    buttonArrayLoopGroup(io, s);
    rubyAndRotatedGroups(io, s);
    screenGroup(io, s);
    pageGroup(io, s);
    io.int32(s.line);
    io.int32(s.colon_count);
}

} // namespace velmora::save_body
