// Drawing a recorded page again: after a system screen has cleared the text
// layer, and for the earlier pages of the lookback screen.
#include "common/ShiftJis.h"
#include "engine/Velmora.h"
#include "text/TextRenderer.h"
#include "text/WordWrap.h"

namespace velmora {

namespace {

bool isSpace(uint8_t byte) {
    return byte == ' ' || byte == static_cast<uint8_t>(KEPT_SPACE_MARK);
}

} // namespace

void Velmora::redrawPage(SDL_Surface* target, const std::string& page_text) {
    screen.clearTextLayer();
    FontState font = story_font;
    font.clearPosition();
    const TextRenderContext context = textContext();
    const bool wrapping = word_wrap.on();
    bool in_word = false;
    const auto* p = reinterpret_cast<const uint8_t*>(page_text.c_str());
    const uint8_t* end = p + page_text.size();
    while (p < end) {
        const uint8_t c = *p;
        if (c == '\n') {
            font.breakLine();
            in_word = false;
            ++p;
            continue;
        }
        CharacterBytes character{c, 0};
        if (isLeadByte(static_cast<char>(c))) {
            if (p + 1 >= end) break; // a lead byte without its second byte
            if (isKinsokuBreak(p, font, context.kinsoku)) font.breakLine();
            character[1] = p[1];
            in_word = false;
            p += 2;
        } else if (wrapping) {
            // One character at a time, placed as word wrap placed it.
            ++p;
            if (isSpace(c)) {
                in_word = false;
                if (font.reachesLineEnd(0)) continue;
                character[0] = ' ';
            } else if (!in_word) {
                in_word = true;
                const std::string_view rest(reinterpret_cast<const char*>(p - 1), end - p + 1);
                breakRowBeforeWord(font, wordCells(rest, WordSource::Recorded),
                                   context.indent_count);
            }
        } else {
            // Two half-width characters share a step, as when they were first shown.
            const bool pairs =
                p + 1 < end && p[1] != '\n' && p[1] != 0 && !isLeadByte(static_cast<char>(p[1]));
            if (pairs) character[1] = p[1];
            p += pairs ? 2 : 1;
        }
        drawCharacter(context, character, font, false, false, target, &screen.text_layer_image,
                      nullptr);
    }
}

} // namespace velmora
