// Story text: a text line is shown character by character in the text
// window at the text speed, with its embedded waits, speed and colour
// changes, ruby and line continuation.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/ShiftJis.h"
#include "engine/Velmora.h"
#include "text/TextRenderer.h"
#include "text/WordWrap.h"

namespace velmora {

namespace {

constexpr CharacterBytes FULL_WIDTH_SPACE{0x81, 0x40};

bool isBlank(char c, bool one_byte) {
    return c == '\t' || (!one_byte && c == ' ');
}

int32_t readDigits(const char* text, size_t& at) {
    int64_t value = 0;
    while (text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        if (value > INT32_MAX) value = INT32_MAX;
        ++at;
    }
    return static_cast<int32_t>(value);
}

} // namespace

TextRenderContext Velmora::textContext() {
    TextRenderContext context;
    context.font_path = font_path;
    context.render_outline = render_outline;
    context.shade_distance = shade_distance;
    context.scale_num = scale_num;
    context.scale_den = scale_den;
    context.indent_count = text.indent_count;
    context.kinsoku = &kinsoku;
    context.compose_surface = screen.compose_surface;
    context.damage = [this](const SDL_Rect& rect) { screen.damage.add(rect); };
    context.show_now = [this](const SDL_Rect& rect) {
        screen.show(rect, screen.refreshFlags(), layerSettings());
    };
    context.record = [this](std::string_view bytes) { text.page_text.append(bytes); };
    context.fatal_cleanup = [this] { writeQuitFiles(); };
    return context;
}

bool Velmora::skippingText() const {
    return skip_mode != 0 || input.ctrl_held != 0;
}

void Velmora::drawTextCharacter(CharacterBytes character, FontState& font, bool flush) {
    drawCharacter(textContext(), character, font, flush, true, screen.compose_surface,
                  &screen.text_layer_image, nullptr);
}

void Velmora::characterTime() {
    const int32_t ms =
        story_font.char_wait >= 0 ? story_font.char_wait : default_speeds[text_speed_index % 3];
    input.event_mode = MODE_CLICK;
    runWait(ms);
}

void Velmora::flushText() {
    if (!screen.damage.empty())
        screen.showDamage(screen.refreshFlags(), nullptr, true, false, layerSettings());
}

void Velmora::skipTextBlanks() {
    while (isBlank(text_source[token_offset], text_one_byte)) ++token_offset;
}

bool Velmora::atTextEnd() const {
    return text_source[token_offset] == '\0';
}

int32_t Velmora::textLine() {
    if (line_enter_state <= 1 && (pretextgosub_label.empty() || text.save_allowed) &&
        text.save_point_pending) {
        takeSaveImage();
        text.save_point_pending = false;
    }
    text_source = script.token_buffer.data();
    text_one_byte = script.end_flags & END_ONE_BYTE;
    text.in_word = false;

    // A name tag in brackets begins the line.
    std::string tag;
    const char* t = text_source;
    const bool square = t[token_offset] == '[';
    const bool full_width = zenkakko && static_cast<uint8_t>(t[token_offset]) == 0x81 &&
                            static_cast<uint8_t>(t[token_offset + 1]) == 0x79;
    if (square || full_width) {
        size_t at = token_offset + (square ? 1 : 2);
        const size_t start = at;
        for (;;) {
            if (t[at] == '\0') {
                tag.clear();
                token_offset = static_cast<int32_t>(at);
                break;
            }
            if (square && t[at] == ']') {
                tag.assign(t + start, at - start);
                token_offset = static_cast<int32_t>(at + 1);
                break;
            }
            if (full_width && static_cast<uint8_t>(t[at]) == 0x81 &&
                static_cast<uint8_t>(t[at + 1]) == 0x7A) {
                tag.assign(t + start, at - start);
                token_offset = static_cast<int32_t>(at + 2);
                break;
            }
            at += isLeadByte(t[at]) && t[at + 1] ? 2 : 1;
        }
    }
    if (!pretextgosub_label.empty() && (!pagetag_mode || !pagetag_started) &&
        line_enter_state == 0) {
        text.page_tag = tag;
        text.save_allowed = false;
        callSubroutine(pretextgosub_label, script.token_start, CallKind::PretextLine);
        line_enter_state = 1;
        return RESULT_PROCEED;
    }
    showTextWindow(true);
    line_enter_state = 2;
    if (pagetag_mode) pagetag_started = true;
    while (textStep()) {
    }
    return RESULT_PROCEED;
}

bool Velmora::textStep() {
    const char* t = text_source;
    if (word_wrap.on() && !text_one_byte && keepsSpace()) return keptSpace();
    skipTextBlanks();
    if (atTextEnd()) {
        endOfText();
        return false;
    }
    text.line_continues = false;
    const char c = t[token_offset];
    const bool one_byte = text_one_byte;
    if (isLeadByte(c)) return doubleByteCharacter();

    switch (c) {
    case '`': {
        text.page_text += '`';
        const char literal = t[token_offset + 1];
        if (literal != '\0') {
            if (word_wrap.on()) wrapBeforeWord();
            drawTextCharacter({static_cast<uint8_t>(literal), 0}, story_font, !skippingText());
            ++text.chars_since_wait;
            if (!skippingText()) characterTime();
            token_offset += 2;
        } else {
            ++token_offset;
        }
        return true;
    }
    case '@': return waitAtClick(nullptr, 1);
    case '\\': return waitAtPage(nullptr, 1);
    case '_': {
        const char* next = t + token_offset + 1;
        const int32_t kind = *next == '@' || *next == '\\' ? 0 : script.clickWaitKind(next, false);
        ++token_offset;
        if (kind > 0) {
            CharacterBytes bytes{static_cast<uint8_t>(next[0]),
                                 kind == 2 ? static_cast<uint8_t>(next[1]) : uint8_t{0}};
            drawTextCharacter(bytes, story_font, !skippingText());
            token_offset += kind;
        }
        return true;
    }
    case '(': return startRuby();
    case '<': {
        size_t at = token_offset + 1;
        text.page_text += '<';
        while (t[at] >= '0' && t[at] <= '9') text.page_text += t[at++];
        text.tag_open = true;
        token_offset = static_cast<int32_t>(at);
        return true;
    }
    case '>':
        if (!text.tag_open) break;
        text.page_text += '>';
        text.tag_open = false;
        ++token_offset;
        return true;
    case '/':
        if (text.ruby_stage == 1 && !one_byte) return endRubyBase();
        return continueLine();
    default: break;
    }
    if (!one_byte) {
        if (c == '!') return speedOrPause();
        if (c == '#') {
            uint8_t colour[3];
            char colour_text[8] = {};
            std::strncpy(colour_text, t + token_offset, 7);
            script.readColor(colour, colour_text);
            story_font.text_color = text.ruby_font.text_color = {colour[0], colour[1], colour[2]};
            token_offset += static_cast<int32_t>(std::strlen(colour_text));
            return true;
        }
        if (c == ')' && text.ruby_stage == 1) {
            text.page_text += ')';
            ++token_offset;
            text.ruby_stage = 0;
            return true;
        }
    }
    return singleByteCharacter();
}

bool Velmora::speedOrPause() {
    const char* t = text_source;
    size_t at = token_offset + 1;
    const char kind = t[at];
    if (kind == 's' && t[at + 1] == 'd') {
        story_font.char_wait = -1;
        token_offset = static_cast<int32_t>(at + 2);
    } else if (kind == 's' || kind == 'w' || kind == 'd') {
        ++at;
        const int32_t value = readDigits(t, at);
        token_offset = static_cast<int32_t>(at);
        skipTextBlanks();
        if (kind == 's') {
            story_font.char_wait = value;
        } else if (!skippingText()) {
            flushText();
            input.event_mode = kind == 'w' ? MODE_TIMED : MODE_CLICK;
            if (runWait(value)) return false;
        }
    } else {
        ++token_offset; // a lone '!' is dropped
    }
    return true;
}

bool Velmora::continueLine() {
    const char* t = text_source;
    size_t at = token_offset + 1;
    while (t[at] == ' ' || t[at] == '\t') ++at;
    if (t[at] != '\0') parseError("'new line' must follow '/'.");
    text.line_continues = true;
    token_offset = static_cast<int32_t>(at);
    return true;
}

bool Velmora::doubleByteCharacter() {
    const char* t = text_source;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(t + token_offset);
    if (p[1] == 0) { // a lone lead byte ends the text
        ++token_offset;
        return true;
    }
    text.in_word = false;
    if (isKinsokuBreak(p, story_font, &kinsoku)) {
        story_font.breakLine();
        for (int32_t i = 0; i < text.indent_count; ++i) {
            text.page_text.append(reinterpret_cast<const char*>(FULL_WIDTH_SPACE.data()), 2);
            story_font.advance(2);
        }
    }
    const CharacterBytes character{p[0], p[1]};
    if (script.clickWaitKind(t + token_offset, false) == 2) return clickstrWait(&character, 2);
    input.text_wait_state = 0;
    drawTextCharacter(character, story_font, !skippingText());
    if (!skippingText()) characterTime();
    ++text.chars_since_wait;
    token_offset += 2;
    return true;
}

bool Velmora::singleByteCharacter() {
    const char* t = text_source;
    const uint8_t c = static_cast<uint8_t>(t[token_offset]);
    const uint8_t next = static_cast<uint8_t>(t[token_offset + 1]);
    if (word_wrap.on() && c == ' ' && story_font.reachesLineEnd(0)) {
        // A space that would begin the next row is kept in the page, not drawn.
        text.page_text += ' ';
        text.in_word = false;
        ++token_offset;
        return true;
    }
    // The last byte of a Shift_JIS line is not drawn, so it moves no row.
    if (word_wrap.on() && (text_one_byte || next != 0)) wrapBeforeWord();
    if (script.clickWaitKind(t + token_offset, false) > 0) {
        const CharacterBytes character{c, 0};
        return clickstrWait(&character, 1);
    }
    if (text_one_byte && next != 0 && !isLeadByte(static_cast<char>(next)) &&
        script.clickWaitKind(t + token_offset + 1, false) == 1) {
        const CharacterBytes single{c, 0};
        if (next == '@') return waitAtClick(&single, 2);
        if (next == '\\') return waitAtPage(&single, 2);
        const CharacterBytes pair{c, next};
        return clickstrWait(&pair, 2);
    }
    input.text_wait_state = 0;
    const bool pairs = !text_one_byte && next != 0 && !isLeadByte(static_cast<char>(next));
    if (!text_one_byte && next == 0) { // the last byte of a text is not drawn
        ++token_offset;
        return true;
    }
    drawTextCharacter({c, pairs ? next : uint8_t{0}}, story_font, !skippingText());
    text.in_word = (pairs ? next : c) != ' ';
    ++text.chars_since_wait;
    if (!skippingText()) characterTime();
    token_offset += pairs ? 2 : 1;
    return true;
}

bool Velmora::keepsSpace() const {
    const char* t = text_source + token_offset;
    if (*t != ' ' || !text.in_word) return false;
    while (*t == ' ') ++t;
    // Only a space between two half-width characters that are drawn is kept.
    const char next = *t;
    return next != '\0' && next != '\t' && next != '@' && next != '\\' && next != '/' &&
           !isLeadByte(next);
}

bool Velmora::keptSpace() {
    // A space that would begin the next row is not drawn.
    if (!story_font.reachesLineEnd(0)) {
        drawCharacter(textContext(), {' ', 0}, story_font, !skippingText(), false,
                      screen.compose_surface, &screen.text_layer_image, nullptr);
    }
    text.page_text += KEPT_SPACE_MARK;
    text.in_word = false;
    ++token_offset;
    return true;
}

void Velmora::wrapBeforeWord() {
    if (text.in_word) return;
    text.in_word = true;
    const WordSource source = text_one_byte ? WordSource::OneByteLine : WordSource::DoubleByteLine;
    const int32_t cells = wordCells(text_source + token_offset, source);
    // Only the row changes: the page keeps the text as it is without word wrap.
    breakRowBeforeWord(story_font, cells, text.indent_count);
}

bool Velmora::clickstrWait(const CharacterBytes* character, int32_t length) {
    if (story_font.remainingLines() <= clickstr_line) return waitAtPage(character, length);
    return waitAtClick(character, length);
}

bool Velmora::waitAtClick(const CharacterBytes* character, int32_t length) {
    flushText();
    skip_mode &= ~SKIP_SHOW_REST;
    token_offset += length;
    const bool skipping = (skip_mode & (SKIP_TEXT | SKIP_TO_PAGE_END)) || input.ctrl_held;
    if (skipping && textgosub_label.empty()) {
        input.text_wait_state = 0;
        if (character) drawTextCharacter(*character, story_font, false);
        flushText();
        text.chars_since_wait = 0;
        input.event_mode = 0;
        return !runWait(0);
    }
    if (character) {
        drawTextCharacter(*character, story_font, true);
        ++text.chars_since_wait;
    }
    skipTextBlanks();
    if (!textgosub_label.empty()) {
        text.save_allowed = false;
        text.textgosub_kind = atTextEnd() ? 5 : 1;
        callSubroutine(textgosub_label, script.read_position, CallKind::TextWait);
        input.event_mode = 0;
        runWait(0);
        return false;
    }
    if (atTextEnd()) line_enter_state = 0;
    input.text_wait_state = 1;
    if (textWait()) return false;
    input.text_wait_state = 0;
    if (pagetag_mode) endOfText();
    pagetag_started = false;
    return true;
}

bool Velmora::waitAtPage(const CharacterBytes* character, int32_t length) {
    if (character) {
        drawTextCharacter(*character, story_font, true);
        ++text.chars_since_wait;
    }
    flushText();
    skip_mode &= ~SKIP_SHOW_REST;
    token_offset += length;
    if (((skip_mode & SKIP_TEXT) || input.ctrl_held) && textgosub_label.empty()) {
        text.chars_since_wait = 0;
        input.text_wait_state = 2;
        input.event_mode = 0;
        if (runWait(0)) return false;
    } else {
        skipTextBlanks();
        if (!textgosub_label.empty()) {
            text.save_allowed = false;
            text.textgosub_kind = 2;
            callSubroutine(textgosub_label, script.read_position, CallKind::TextWait);
            input.event_mode = 0;
            runWait(0);
            return false;
        }
        if (atTextEnd()) line_enter_state = 0;
        input.text_wait_state = 2;
        if (textWait()) return false;
    }
    startNewPage();
    input.text_wait_state = 0;
    return true;
}

bool Velmora::textWait() {
    text.in_text_wait = true;
    int32_t ms = -1;
    if (input.automode) {
        ms = automode_time >= 0 ? automode_time : -automode_time * text.chars_since_wait;
        input.event_mode = WAIT_TEXT | WAIT_VOICE | MODE_CLICK;
    } else if (input.autoclick_time > 0) {
        ms = input.autoclick_time;
        input.event_mode = MODE_TIMED;
    } else {
        input.event_mode = WAIT_TEXT | MODE_CLICK;
    }
    showClickCursor();
    const bool stop = runWait(ms);
    text.chars_since_wait = 0;
    text.in_text_wait = false;
    return stop;
}

void Velmora::showClickCursor() {
    AnimImage* cursor = selectedCursor();
    if (!cursor || !cursor->surface) return;
    SDL_Rect rect = cursor->screen_rect;
    if (!cursor->absolute_position) {
        const LayerSettings settings = layerSettings();
        rect.x = static_cast<int16_t>(rect.x + settings.pen_x);
        rect.y = static_cast<int16_t>(rect.y + settings.pen_y);
    }
    screen.show(rect, screen.refreshFlags() | REFRESH_CURSOR, layerSettings());
}

void Velmora::endOfText() {
    skip_mode &= ~SKIP_SHOW_REST;
    flushText();
    if (!story_font.isLineStart() && !text.line_continues) {
        if (!story_font.reachesLineEnd(0)) text.page_text += '\n';
        story_font.breakLine();
    }
    if (!text.line_continues && !pagetag_mode) line_enter_state = 0;
}

} // namespace velmora
