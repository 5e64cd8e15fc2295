// The text window: showing and taking it away, new pages, ruby over the
// story text, and the reset of the text display.
#include "engine/Velmora.h"
#include "graphics/PictureSurface.h"
#include "text/TextRenderer.h"

namespace velmora {

void Velmora::showTextWindow(bool take_save_point) {
    if (line_enter_state <= 1 && (pretextgosub_label.empty() || text.save_allowed) &&
        text.save_point_pending && take_save_point) {
        takeSaveImage();
        text.save_point_pending = false;
    }
    if (screen.window_shown) return;
    screen.window_shown = true;
    screen.compose(screen.effect_target_surface, nullptr, screen.text_refresh_flags,
                   layerSettings());
    screen.damage.clear();
    screen.damage.add(screen.textArea());
    // The window prepares its own after picture.
    runEffect(window_effect, false, true, false);
}

void Velmora::hideTextWindow(bool forced) {
    if (!screen.window_shown || (!forced && text.erase_window == 0)) return;
    // The screen without the window is the picture the effect ends on.
    screen.compose(screen.windowless_surface, nullptr, REFRESH_PICTURES, layerSettings());
    copyArea(screen.windowless_surface, screen.effect_target_surface, screen.bounds());
    screen.window_shown = false;
    screen.damage.add(screen.textArea());
    runEffect(window_effect, false, false, false);
}

void Velmora::clearPage() {
    story_font.clearPosition();
    text.page_text.clear();
    text.page_tag.clear();
    text.chars_since_wait = 0;
    text.save_point_pending = true;
    screen.clearTextLayer();
}

void Velmora::startNewPage() {
    lookback.keep(text.page_text, text.page_tag);
    clearPage();
    pagetag_started = false;
    screen.damage.add(screen.window_image.screen_rect);
    flushText();
    screen.damage.clear();
}

bool Velmora::startRuby() {
    const char* t = text_source;
    text.page_text += '(';
    size_t at = token_offset + 1;
    int32_t base_bytes = 0;
    int32_t ruby_bytes = 0;
    bool in_ruby = false;
    text.ruby_text_start = 0;
    while (t[at] != '\0' && t[at] != ')') {
        if (!in_ruby && t[at] == '/') {
            in_ruby = true;
            text.ruby_text_start = at + 1;
        } else if (in_ruby) {
            ++ruby_bytes;
        } else {
            ++base_bytes;
        }
        ++at;
    }
    if (!in_ruby) text.ruby_text_start = at;
    text.ruby_text_end = at;
    text.ruby_stage = 1;
    FontState& ruby = text.ruby_font;
    ruby = story_font;
    ruby.face = ruby.outline_face = nullptr;
    ruby.glyph_size = {ruby_glyph_size.x >= 0 ? ruby_glyph_size.x : story_font.glyph_size.x / 2,
                       ruby_glyph_size.y >= 0 ? ruby_glyph_size.y : story_font.glyph_size.y / 2};
    text.ruby_margin = ruby.layoutRuby(story_font, base_bytes / 2, ruby_bytes / 2);
    ++token_offset;
    return true;
}

bool Velmora::endRubyBase() {
    text.page_text += '/';
    story_font.shiftLine(text.ruby_margin);
    token_offset = static_cast<int32_t>(text.ruby_text_end);
    if (text_source[token_offset] == ')') {
        if (story_font.ruby_space) {
            FontState& ruby = text.ruby_font;
            ruby.clearPosition();
            const bool flush = !skippingText();
            for (size_t at = text.ruby_text_start; at + 1 <= text.ruby_text_end; at += 2) {
                const uint8_t second =
                    at + 1 < text.ruby_text_end ? static_cast<uint8_t>(text_source[at + 1]) : 0;
                drawTextCharacter({static_cast<uint8_t>(text_source[at]), second}, ruby, flush);
            }
        }
        text.page_text += ')';
        ++token_offset;
    }
    text.ruby_stage = 0;
    return true;
}

void Velmora::resetTextDisplay(bool window_too) {
    text = TextState{};
    screen.window_shown = false;
    input.text_wait_state = 0;
    story_font.clearPosition();
    screen.clearTextLayer();
    // A new game keeps the window the define section set up.
    if (!window_too) return;
    // The shaded window covers the whole screen until setwindow says otherwise.
    AnimImage& window = screen.window_image;
    window.discard();
    window.script_rect = SDL_Rect{0, 0, static_cast<uint16_t>(screen_width + 1),
                                  static_cast<uint16_t>(screen_height + 1)};
    window.screen_rect = SDL_Rect{0, 0, static_cast<uint16_t>(toScreen(screen_width + 1)),
                                  static_cast<uint16_t>(toScreen(screen_height + 1))};
    story_font.resetLayout();
    story_font.clearPosition();
}

} // namespace velmora
