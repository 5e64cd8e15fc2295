// The state of the story text being shown: where the line stands, its waits,
// the text hooks, the ruby group in progress and the current page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "text/FontState.h"

namespace velmora {

struct TextState {
    int32_t chars_since_wait = 0; // characters drawn since the last click or page wait
    bool tag_open = false;        // a '<' tag is open
    bool line_continues = false;  // the text ended in '/': no line break at its end
    int32_t indent_count = 0;     // full-width spaces that start a wrapped line
    bool in_word = false;         // word wrap: the last character drawn was inside a word
    int32_t textgosub_kind = 0;   // 1 click wait, 2 page wait, 5 click wait at the end of the text
    bool in_text_wait = false;    // a click or page wait is running: the cursor shows
    int32_t erase_window = 1;     // picture commands take the window away first
    bool save_allowed = true;
    bool save_point_pending = true;

    // The ruby group being shown: 0 none, 1 inside the base text.
    int32_t ruby_stage = 0;
    int32_t ruby_margin = 0;
    size_t ruby_text_start = 0; // offsets into the text token
    size_t ruby_text_end = 0;
    FontState ruby_font;

    // The current page: the text drawn since the page began, and its name tag.
    std::string page_text;
    std::string page_tag;
};

} // namespace velmora
