// Parser of tagged image strings. The input comes from scripts: every read is
// bounded by the end of the string, numbers saturate, cell counts are capped.
#include "graphics/TaggedString.h"

#include <algorithm>
#include <climits>

namespace velmora {
namespace {

using Transparency = ImageTag::Transparency;
using Loop = ImageTag::Loop;
using Error = ImageTag::Error;

constexpr size_t COLOUR_LENGTH = 7; // '#' and six hexadecimal digits

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A cursor over the string; reading past the end yields '\0'.
struct Cursor {
    std::string_view text;
    size_t pos = 0;

    bool atEnd() const { return pos >= text.size(); }
    char peek() const { return atEnd() ? '\0' : text[pos]; }
    void skip() {
        if (!atEnd()) ++pos;
    }
    std::string_view rest() const { return atEnd() ? std::string_view{} : text.substr(pos); }

    // A run of decimal digits, saturating at INT32_MAX; none reads as 0.
    int32_t readDecimal() {
        int64_t value = 0;
        while (isDigit(peek())) {
            value = value * 10 + (peek() - '0');
            if (value > INT32_MAX) value = INT32_MAX;
            ++pos;
        }
        return static_cast<int32_t>(value);
    }
    void skipUntilAny(std::string_view stops) {
        while (!atEnd() && stops.find(text[pos]) == std::string_view::npos) ++pos;
    }
};

// A signed decimal literal with leading blanks, the fallback integer reader.
size_t readDecimalLiteral(std::string_view text, int32_t& value) {
    Cursor c{text};
    while (c.peek() == ' ' || c.peek() == '\t') c.skip();
    bool negative = false;
    if (c.peek() == '-' || c.peek() == '+') {
        negative = c.peek() == '-';
        c.skip();
    }
    if (!isDigit(c.peek())) return 0;
    int32_t magnitude = c.readDecimal();
    value = negative ? -magnitude : magnitude;
    return c.pos;
}

// Reads one integer of a text size list and reports whether a comma followed
// (the comma is consumed, as the script tokenizer does).
int32_t readSizeValue(Cursor& c, const TagParseOptions& options, bool& comma) {
    int32_t value = 0;
    std::string_view rest = c.rest();
    size_t used =
        options.read_integer ? options.read_integer(rest, value) : readDecimalLiteral(rest, value);
    if (used > rest.size()) used = rest.size(); // a faulty reader cannot move past the end
    c.pos += used;
    while (c.peek() == ' ' || c.peek() == '\t') c.skip();
    comma = c.peek() == ',';
    if (comma) c.skip();
    return value;
}

// The text form after 's': optional "/x,y[,extra pitch[,ignored]]", colours, text.
void parseTextForm(Cursor& c, const TagParseOptions& options, ImageTag& tag) {
    tag.cell_count = 0;
    if (c.peek() == '/') {
        c.skip();
        bool comma = false;
        tag.font_size_x = readSizeValue(c, options, comma);
        tag.font_size_y = readSizeValue(c, options, comma);
        tag.pitch_x = tag.font_size_x;
        tag.pitch_y = tag.font_size_x;
        if (comma) {
            int32_t extra = readSizeValue(c, options, comma);
            int64_t sum = int64_t{tag.pitch_x} + extra;
            tag.pitch_x = static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
            if (comma) readSizeValue(c, options, comma);
        }
    } else {
        tag.font_size_x = options.window_font_size_x;
        tag.font_size_y = options.window_font_size_y;
        tag.pitch_x = options.window_pitch_x;
        tag.pitch_y = options.window_pitch_y;
    }
    c.skipUntilAny("#");
    while (c.peek() == '#') {
        std::optional<Rgb> colour = parseHexColour(c.rest());
        if (!colour) {
            tag.error = Error::BadColour;
            return;
        }
        if (tag.cell_count == MAX_CELL_COUNT) {
            tag.error = Error::TooManyCells;
            return;
        }
        tag.cell_colours.push_back(*colour);
        ++tag.cell_count;
        c.pos += COLOUR_LENGTH;
    }
    if (tag.cell_count == 0) {
        // No colour gives no cell, and a picture of no cells has no size.
        tag.error = Error::ZeroCells;
        return;
    }
    tag.text_is_expression = c.peek() == '$';
    tag.image_name = std::string(c.rest());
}

// "/count,durations,loop": the cursor is on the '/'. A string that ends early
// leaves the missing durations 0 and the loop mode Cycle.
void parseCells(Cursor& c, ImageTag& tag) {
    c.skip();
    int32_t count = c.readDecimal();
    if (count == 0) {
        tag.cell_count = 0;
        tag.error = Error::ZeroCells;
        return;
    }
    if (count > MAX_CELL_COUNT) {
        tag.cell_count = 0;
        tag.error = Error::TooManyCells;
        return;
    }
    tag.cell_count = count;
    tag.cell_durations.assign(static_cast<size_t>(count), 0);
    c.skip(); // separator
    if (c.peek() == '<') {
        c.skip();
        for (int32_t i = 0; i < count && !c.atEnd(); ++i) {
            tag.cell_durations[static_cast<size_t>(i)] = c.readDecimal();
            c.skip(); // separator, normally ',' and '>' after the last
        }
    } else {
        int32_t duration = c.readDecimal();
        for (int32_t& d : tag.cell_durations) d = duration;
    }
    c.skip(); // separator
    char digit = c.peek();
    tag.loop_mode = digit >= '0' && digit <= '3' ? static_cast<Loop>(digit - '0') : Loop::Cycle;
    c.skip();
    tag.animating = tag.loop_mode != Loop::Static;
    tag.remaining_ms = tag.cell_durations[0];
    c.skipUntilAny(";");
}

} // namespace

std::optional<Rgb> parseHexColour(std::string_view text) {
    if (text.size() < COLOUR_LENGTH || text[0] != '#') return std::nullopt;
    Rgb rgb{};
    for (size_t i = 0; i < 3; ++i) {
        int hi = hexValue(text[1 + 2 * i]);
        int lo = hexValue(text[2 + 2 * i]);
        if (hi < 0 || lo < 0) return std::nullopt;
        rgb[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return rgb;
}

ImageTag parseTaggedString(std::string_view text, const TagParseOptions& options) {
    // Script strings end at their first 0 byte.
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);

    ImageTag tag;
    tag.transparency_mode = options.default_transparency;
    if (text.empty() || text[0] != ':') {
        tag.image_name = std::string(text);
        return tag;
    }
    Cursor c{text, 1};
    while (c.peek() == ' ') c.skip();
    switch (c.peek()) {
    case 'a':
        tag.transparency_mode = Transparency::Alpha;
        c.skip();
        break;
    case 'l':
        tag.transparency_mode = Transparency::TopLeftKey;
        c.skip();
        break;
    case 'r':
        tag.transparency_mode = Transparency::TopRightKey;
        c.skip();
        break;
    case 'c':
        tag.transparency_mode = Transparency::Opaque;
        c.skip();
        break;
    case '#': {
        tag.transparency_mode = Transparency::ColourKey;
        std::optional<Rgb> colour = parseHexColour(c.rest());
        if (!colour) {
            tag.error = Error::BadColour;
            return tag;
        }
        tag.key_colour = *colour;
        c.pos += COLOUR_LENGTH;
        break;
    }
    case '!':
        tag.transparency_mode = Transparency::Palette;
        c.skip();
        tag.palette_index = c.readDecimal();
        break;
    case 'm': {
        tag.transparency_mode = Transparency::MaskImage;
        c.skip();
        size_t start = c.pos;
        while (!c.atEnd() && c.peek() != ';' && c.peek() != '\n') c.skip();
        if (c.peek() == ';') tag.mask_name = std::string(text.substr(start, c.pos - start));
        break;
    }
    case 's':
        tag.transparency_mode = Transparency::Text;
        c.skip();
        parseTextForm(c, options, tag);
        return tag;
    default: break;
    }

    c.skipUntilAny("/;");
    if (c.peek() == '/') {
        parseCells(c, tag);
        if (tag.error != Error::None) return tag;
    }
    if (c.peek() == ';') c.skip();
    tag.image_name = std::string(c.rest());
    return tag;
}

} // namespace velmora
