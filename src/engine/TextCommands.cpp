// The text commands: the text window's geometry and look, the text speed,
// showing and clearing text, the pen, and the writing direction.
#include <algorithm>
#include <cstdio>

#include "engine/Velmora.h"

namespace velmora {

void Velmora::readWindowLook(const std::string& look) {
    AnimImage& window = screen.window_image;
    if (!look.empty() && look[0] == '#') {
        uint8_t colour[3];
        script.readColor(colour, look.c_str());
        story_font.shaded_window = true;
        story_font.window_shade_color = {colour[0], colour[1], colour[2]};
        window.discard();
        const int32_t x1 = script.readInteger();
        const int32_t y1 = script.readInteger();
        const int32_t x2 = script.readInteger();
        const int32_t y2 = script.readInteger();
        placeOnScreen(window, x1, y1);
        window.script_rect.w = clampToUint16(int64_t{x2} - x1 + 1);
        window.script_rect.h = clampToUint16(int64_t{y2} - y1 + 1);
    } else {
        window.setTagString(look);
        parseAndLoad(window);
        const int32_t x = script.readInteger();
        const int32_t y = script.readInteger();
        placeOnScreen(window, x, y);
        story_font.shaded_window = false;
        story_font.window_shade_color = {255, 255, 255};
    }
    window.screen_rect.w = clampToUint16(toScreen(window.script_rect.w));
    window.screen_rect.h = clampToUint16(toScreen(window.script_rect.h));
}

int32_t Velmora::setwindowCommand() {
    // setwindow3 keeps the pages read so far; setwindow forgets them.
    const bool keep_history = script.tokenIs("setwindow3");
    story_font.face = story_font.outline_face = nullptr;
    story_font.area_origin.x = script.readInteger();
    story_font.area_origin.y = script.readInteger();
    // A grid or glyph of no size cannot hold text.
    story_font.area_cells.x = std::max(script.readInteger(), 1);
    story_font.area_cells.y = std::max(script.readInteger(), 1);
    story_font.glyph_size.x = std::max(script.readInteger(), 1);
    story_font.glyph_size.y = std::max(script.readInteger(), 1);
    story_font.cell_pitch.x = wrapAdd(script.readInteger(), story_font.glyph_size.x);
    story_font.cell_pitch.y = wrapAdd(script.readInteger(), story_font.glyph_size.y);
    story_font.char_wait = script.readInteger();
    story_font.bold = script.readInteger() != 0;
    story_font.shadow = script.readInteger() != 0;
    const std::string look = script.readStr();
    screen.damage.add(screen.window_image.screen_rect);
    readWindowLook(look);
    story_font.last_glyph_origin = {story_font.pixelX(true), story_font.pixelY(true)};

    if (!keep_history) lookback.flush();
    clearPage();
    text.indent_count = 0;
    line_enter_state = 0;
    pagetag_started = false;
    screen.window_shown = false;
    screen.damageAll();
    flushText();
    return RESULT_PROCEED;
}

int32_t Velmora::setwindow2Command() {
    const std::string look = script.readStr();
    AnimImage& window = screen.window_image;
    if (!look.empty() && look[0] == '#') {
        uint8_t colour[3];
        script.readColor(colour, look.c_str());
        story_font.shaded_window = true;
        story_font.window_shade_color = {colour[0], colour[1], colour[2]};
        window.freeImage(true);
    } else {
        const SDL_Rect at = window.script_rect;
        window.setTagString(look);
        parseAndLoad(window);
        placeOnScreen(window, at.x, at.y);
        story_font.shaded_window = false;
        story_font.window_shade_color = {255, 255, 255};
    }
    screen.damageAll();
    flushText();
    return RESULT_PROCEED;
}

int32_t Velmora::textspeedCommand() {
    story_font.char_wait = script.readInteger();
    return RESULT_PROCEED;
}

int32_t Velmora::textspeeddefaultCommand() {
    story_font.char_wait = -1;
    return RESULT_PROCEED;
}

int32_t Velmora::textshowCommand() {
    const bool show = script.tokenIs("textshow");
    screen.text_refresh_flags = show ? REFRESH_TEXT_WINDOW : REFRESH_PICTURES | REFRESH_WINDOW;
    screen.damageAll();
    flushText();
    return RESULT_PROCEED;
}

void Velmora::showWindowChip(bool visible) {
    if (window_chip_sprite < 0 || window_chip_sprite >= SPRITE_COUNT) return;
    AnimImage& chip = screen.sprites[window_chip_sprite];
    chip.visible = visible;
    screen.damagePicture(chip);
}

int32_t Velmora::textonCommand() {
    showWindowChip(true);
    showTextWindow(true);
    return RESULT_PROCEED;
}

int32_t Velmora::textoffCommand() {
    showWindowChip(false);
    hideTextWindow(true);
    return RESULT_PROCEED;
}

int32_t Velmora::textclearCommand() {
    startNewPage();
    return RESULT_PROCEED;
}

int32_t Velmora::texecCommand() {
    if (text.textgosub_kind == 2) {
        startNewPage();
    } else if (text.textgosub_kind == 5) {
        endOfText();
        pagetag_started = false;
    }
    return RESULT_PROCEED;
}

int32_t Velmora::erasetextwindowCommand() {
    text.erase_window = script.readInteger();
    return RESULT_PROCEED;
}

int32_t Velmora::locateCommand() {
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    story_font.setPosition(x, y);
    return RESULT_PROCEED;
}

int32_t Velmora::indentCommand() {
    text.indent_count = script.readInteger();
    return RESULT_PROCEED;
}

int32_t Velmora::brCommand() {
    showTextWindow(true);
    story_font.breakLine();
    text.page_text += '\n';
    return RESULT_PROCEED;
}

int32_t Velmora::puttextCommand() {
    const std::string shown = script.readStr();
    const bool one_byte = script.end_flags & END_ONE_BYTE;
    showTextWindow(false);
    const char* saved_source = text_source;
    const bool saved_one_byte = text_one_byte;
    const int32_t saved_offset = token_offset;
    const int32_t saved_state = line_enter_state;
    text_source = shown.c_str();
    text_one_byte = one_byte;
    token_offset = one_byte && !shown.empty() ? 1 : 0;
    text.in_word = false;
    while (textStep()) {
    }
    text_source = saved_source;
    text_one_byte = saved_one_byte;
    token_offset = saved_offset;
    line_enter_state = saved_state;
    return RESULT_PROCEED;
}

int32_t Velmora::ispageCommand() {
    script.readInteger();
    script.setInt(script.last_ref, text.textgosub_kind == 2 ? 1 : 0);
    return RESULT_PROCEED;
}

int32_t Velmora::getcursorposCommand() {
    const bool last_glyph = script.tokenIs("getcursorpos2");
    FontState at = story_font;
    if (!last_glyph && at.reachesLineEnd(0)) {
        at.breakLine();
        for (int32_t i = 0; i < text.indent_count; ++i) at.advance(2);
    }
    script.readInteger();
    script.setInt(script.last_ref, last_glyph ? at.last_glyph_origin.x : at.pixelX(false));
    script.readInteger();
    script.setInt(script.last_ref, last_glyph ? at.last_glyph_origin.y : at.pixelY(false));
    return RESULT_PROCEED;
}

int32_t Velmora::inputCommand() {
    script.readVariableRef();
    if (script.last_ref.kind != RefString) parseError("input: no string variable.");
    const int32_t number = script.last_ref.number;
    script.readStr(); // title
    const std::string initial = script.readStr();
    script.readInteger();
    script.readInteger();
    for (int32_t i = 0; i < 4 && (script.end_flags & END_COMMA); ++i) script.readInteger();
    script.variableSlot(number).text = initial;
    std::printf("*** inputCommand(): $%d is set to the default value: %s\n", number,
                initial.c_str());
    return RESULT_PROCEED;
}

int32_t Velmora::tateyokoCommand() {
    story_font.setDirection(script.readInteger());
    return RESULT_PROCEED;
}

int32_t Velmora::kinsokuCommand() {
    kinsoku.setSwitch(script.readLabelToken());
    return RESULT_PROCEED;
}

} // namespace velmora
