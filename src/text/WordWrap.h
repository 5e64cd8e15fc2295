// Word wrap for half-width text (the --word-wrap option): how many half-cells
// the next word takes, whether the row must break before it, and the mark
// that keeps a drawn space in the page buffer without changing its text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/FontState.h"

namespace velmora {

// Stands in the page buffer for a half-width space that a Shift_JIS text line
// skips by default but word wrap draws. The buffer holds no tab otherwise
// (text steps skip tabs), so a redraw can place the space again while the
// text read back from the buffer stays as it is without the option.
constexpr char KEPT_SPACE_MARK = '\t';

// Where a word is read from, which decides what of it is drawn.
enum class WordSource {
    Recorded,       // the page buffer: every byte is a character
    OneByteLine,    // a text line begun with a backquote
    DoubleByteLine, // a Shift_JIS text line, with speed and colour changes
};

// The half-cells the word at the start of `text` takes: its half-width
// characters up to a space, a double-byte character, a line feed or the end.
// In a script's text a backquote pair is one character, and the waits, the
// '/' that continues a line, tags and (in Shift_JIS lines) speed and colour
// changes take no room.
int32_t wordCells(std::string_view text, WordSource source);

// Moves the pen to the next row, `indent` full-width cells in, when a word of
// `cells` half-cells does not fit in the rest of the row but would fit in
// such a row; only the pen moves.
void breakRowBeforeWord(FontState& font, int32_t cells, int32_t indent);

// The page buffer as the game reads it back and saves it: kept spaces removed.
std::string withoutKeptSpaces(std::string_view page_text);

} // namespace velmora
