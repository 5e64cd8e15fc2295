// A parsed save put back into the engine. Everything in it that points into
// the script or sizes an engine table is checked first, so a save made before
// the script was edited, or a damaged one, is refused with the game unchanged;
// only then are the pictures rebuilt, the sound restarted, the call stack
// decoded, the lookback pages refilled and the script position restored.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/Velmora.h"
#include "graphics/RectClip.h"

namespace velmora {

namespace {

// The blend modes a rotated sprite may hold; a stored value outside them is clamped.
constexpr int32_t FIRST_BLEND_MODE = static_cast<int32_t>(BlendMode::Normal);
constexpr int32_t LAST_BLEND_MODE = static_cast<int32_t>(BlendMode::Subtract);
// "#" and six hexadecimal digits.
constexpr size_t COLOUR_TEXT_LENGTH = 7;

bool isColourText(const std::string& text) {
    return text.size() >= COLOUR_TEXT_LENGTH &&
           std::all_of(text.begin() + 1, text.begin() + COLOUR_TEXT_LENGTH,
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

// Where the stored position resumes: the start of `line`, past `colons`
// statement separators on that line. Null, with `problem` set, when the line
// is not a line of a label or the line has fewer separators.
const char* resumeAddress(const ScriptStream& script, int32_t line, int32_t colons,
                          std::string& problem) {
    const std::vector<LabelEntry>& labels = script.labelTable();
    // The table ends in a sentinel that is not a label.
    if (labels.size() < 2 || line < labels.front().first_line) {
        problem = "the line " + std::to_string(line) + " is not inside a label";
        return nullptr;
    }
    const LabelEntry& label = script.labelAtLine(line);
    const char* end = script.bufferEnd();
    const char* p = script.addressOfLine(line);
    if (!label.body || line - label.first_line >= label.line_count || p >= end) {
        problem = "the line " + std::to_string(line) + " is beyond the script";
        return nullptr;
    }
    if (colons < 0) {
        problem = "the statement count is negative";
        return nullptr;
    }
    const auto* line_feed = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    const char* line_end = line_feed ? line_feed : end;
    for (int32_t i = 0; i < colons; ++i) {
        const auto* colon = static_cast<const char*>(std::memchr(p, ':', size_t(line_end - p)));
        if (!colon) {
            problem = "the line " + std::to_string(line) + " has fewer than " +
                      std::to_string(colons + 1) + " statements";
            return nullptr;
        }
        p = colon + 1;
    }
    return p;
}

// Why the save cannot be applied to this script; empty when it can.
std::string saveProblem(const SaveState& s, const ScriptStream& script, const SaveLayout& layout) {
    if (s.variables.size() != layout.variable_count) return "its variables are not this script's";
    const size_t cells = s.version >= SAVE_ARRAYS_VERSION ? layout.array_cells : 0;
    if (s.array_cells.size() != cells) return "its arrays are not this script's";
    if (s.frames.size() > CallStack::MAX_DEPTH) return "its call stack is too deep";
    const int64_t length = static_cast<int64_t>(script.scriptLength());
    for (const SavedFrame& frame : s.frames) {
        // A gosub frame's address is above 0 by the file's own encoding.
        const int64_t lowest = frame.kind == FrameKind::Gosub ? 1 : 0;
        if (frame.address < lowest || frame.address > length)
            return "a call-stack frame lies outside the script";
        if (frame.kind == FrameKind::For && frame.var_number < 0)
            return "a loop counts a variable that does not exist";
    }
    const std::string& background = s.background_image_name;
    if (!background.empty() && background[0] == '#' && !isColourText(background))
        return "its background colour is not a colour";
    std::string problem;
    resumeAddress(script, s.line, s.colon_count, problem);
    return problem;
}

// The cell a picture of `cell_count` cells can show.
int32_t clampedCell(int32_t cell, int32_t cell_count) {
    return std::clamp(cell, 0, std::max(cell_count - 1, 0));
}

} // namespace

void Velmora::restorePicture(AnimImage& image, const std::string& tag, Vec2 position) {
    image.discard();
    image.setTagString(tag);
    placeOnScreen(image, position.x, position.y);
    if (!tag.empty()) parseAndLoad(image);
}

bool Velmora::applySaveState(const SaveState& s) {
    const std::string problem = saveProblem(s, script, saveLayout());
    if (!problem.empty()) {
        std::fprintf(stderr, "Save file does not fit this script: %s.\n", problem.c_str());
        return false;
    }
    std::string unused;
    const char* resume = resumeAddress(script, s.line, s.colon_count, unused);

    call_stack.clear();
    for (const SavedFrame& saved : s.frames) {
        CallFrame& frame = call_stack.push(saved.kind);
        frame.address = script.bufferStart() + saved.address;
        frame.var_number = saved.var_number;
        frame.to = saved.to;
        frame.step = saved.step;
    }

    // The sentence font and the text window.
    const SavedTextWindow& w = s.text_window;
    story_font.bold = w.bold;
    story_font.shadow = w.shadow;
    rmenu_enabled = w.rmenu_enabled;
    story_font.text_color = w.text_color;
    window_effect.type = w.window_effect_type;
    window_effect.duration = w.window_effect_duration;
    window_effect.picture = w.window_effect_picture;
    story_font.clearPosition();
    story_font.face = story_font.outline_face = nullptr;
    story_font.area_origin = w.area_origin;
    // As setwindow keeps them: a grid or glyph of no size cannot hold text.
    story_font.area_cells = {std::max(w.area_cells.x, 1), std::max(w.area_cells.y, 1)};
    story_font.glyph_size = {std::max(w.glyph_size.x, 1), std::max(w.glyph_size.y, 1)};
    story_font.cell_pitch = w.cell_pitch;
    story_font.window_shade_color = w.window_shade_color;
    story_font.shaded_window = w.shaded_window;
    story_font.char_wait = w.char_wait;
    AnimImage& window = screen.window_image;
    window.discard();
    window.setTagString(w.tag_string);
    if (!w.shaded_window && !w.tag_string.empty()) parseAndLoad(window);
    placeOnScreen(window, w.script_rect.x, w.script_rect.y);
    window.script_rect.w = clampToUint16(w.script_rect.w);
    window.script_rect.h = clampToUint16(w.script_rect.h);
    window.screen_rect.w = clampToUint16(toScreen(window.script_rect.w));
    window.screen_rect.h = clampToUint16(toScreen(window.script_rect.h));

    for (int32_t i = 0; i < int32_t(s.cursor_images.size()); ++i) {
        const SavedCursor& saved = s.cursor_images[size_t(i)];
        screen.cursor_images[size_t(i)].discard();
        setCursorImage(i, saved.tag_string.empty() ? nullptr : saved.tag_string.c_str(),
                       saved.position.x, saved.position.y, saved.absolute_position);
        screen.cursor_images[size_t(i)].absolute_position = saved.absolute_position;
    }

    // The pictures.
    screen.background_image.discard();
    screen.background_name = s.background_image_name;
    buildBackground();
    for (size_t i = 0; i < s.standing_images.size(); ++i) {
        AnimImage& standing = screen.standing_images[i];
        standing.discard();
        standing.setTagString(s.standing_images[i].tag_string);
        if (!standing.tag_string.empty()) parseAndLoad(standing);
        placeOnScreen(standing, s.standing_images[i].position.x, s.standing_images[i].position.y);
        standing.visible = standing.surface != nullptr;
    }
    for (size_t i = 0; i < s.sprites.size(); ++i) {
        const SavedSprite& saved = s.sprites[i];
        AnimImage& sprite = screen.sprites[i];
        restorePicture(sprite, saved.tag_string, saved.position);
        sprite.visible = saved.visible;
        sprite.cell_index = clampedCell(saved.cell_index, sprite.cell_count);
        sprite.alpha = saved.alpha;
    }

    for (size_t n = 0; n < s.variables.size(); ++n) {
        script.slots[n].value = s.variables[n].value;
        script.slots[n].text = s.variables[n].text;
    }

    screen.monochrome = s.monochrome;
    screen.setMonochromeColour(s.monochrome_colour);
    screen.nega_mode = s.nega_mode;

    // All sound stops at once, as stop does without its fade, then what the
    // record keeps playing starts again.
    sound.stopMusic(false);
    sound.stopWave();
    sound.stopLoopBgm();
    for (int32_t channel = VOICE_CHANNEL; channel <= LAST_EFFECT_CHANNEL; ++channel)
        sound.stopChannel(channel);
    sound.record = s.sound;
    SoundRecord& record = sound.record;
    if (record.midi_loop) {
        record.cd_track = SoundRecord::CD_MIDI;
        sound.playSoundFile(record.midi_name, SOUND_AS_MIDI, true, VOICE_CHANNEL);
    }
    if (record.wave_loop && !record.wave_name.empty())
        sound.playSoundFile(record.wave_name, SOUND_AS_CHUNK, true, WAVE_CHANNEL);
    if (record.cd_track >= 0) sound.playCdTrack();
    if (!record.music_name.empty())
        sound.playSoundFile(record.music_name, SOUND_AS_CHUNK | SOUND_AS_MUSIC, record.music_loop,
                            MUSIC_CHUNK_CHANNEL);

    text.erase_window = s.erase_window;
    barclearCommand();
    for (int32_t n = 0; n < BAR_COUNT; ++n)
        if (s.bar_images[size_t(n)]) buildBar(n, *s.bar_images[size_t(n)]);
    prnumclearCommand();
    for (int32_t n = 0; n < NUMBER_COUNT; ++n)
        if (s.number_images[size_t(n)]) buildNumber(n, *s.number_images[size_t(n)]);

    loadButtonPicture(s.btndef_tag_string);
    // Older files hold no cells: the arrays keep their values.
    auto cell = s.array_cells.begin();
    for (ArrayVar& array : script.arrays)
        for (int32_t& value : array.cells)
            if (cell != s.array_cells.end()) value = *cell++;

    const std::array<std::string, 2>& loop_parts = record.loopbgm_names;
    if (!loop_parts[0].empty()) {
        if (!loop_parts[1].empty())
            sound.playSoundFile(loop_parts[1], SOUND_AS_CHUNK | SOUND_LOAD_ONLY, false,
                                LOOPBGM_LOOP_CHANNEL);
        sound.playSoundFile(loop_parts[0], SOUND_AS_CHUNK, false, LOOPBGM_FIRST_CHANNEL);
    }

    story_font.ruby_space = s.ruby_space;
    ruby_glyph_size = s.ruby_glyph_size;
    ruby_font_name = s.ruby_font_name;

    for (size_t i = 0; i < s.rotated_sprites.size(); ++i) {
        const SavedRotatedSprite& saved = s.rotated_sprites[i];
        AnimImage& sprite = screen.rotated_sprites[i];
        restorePicture(sprite, saved.tag_string, saved.position);
        sprite.scale_x = saved.scale_x;
        sprite.scale_y = saved.scale_y;
        sprite.rotation = saved.rotation;
        sprite.visible = saved.visible;
        sprite.alpha = saved.alpha;
        sprite.blend_mode =
            static_cast<BlendMode>(std::clamp(saved.blend_mode, FIRST_BLEND_MODE, LAST_BLEND_MODE));
        sprite.computeAffine();
    }

    if (s.version >= SAVE_UNDERLINE_VERSION) underline_value = s.underline_value;

    // The pages before the saved one, oldest first; the game goes on on a new page.
    lookback.flush();
    for (const SavedPage& page : s.pages) lookback.keep(page.text, page.tag);
    clearPage();

    current_label = script.labelAtLine(s.line);
    current_line = s.line - current_label.first_line;
    script.jumpTo(resume);

    screen.window_shown = true;
    input.text_wait_state = 0;
    text.in_text_wait = false;
    screen.damageAll();
    return true;
}

} // namespace velmora
