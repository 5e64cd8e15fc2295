// Tagged image strings: the optional tag before a picture's name that sets its
// transparency, animation cells and timing, or describes a text picture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Colour.h"
#include "graphics/ImageModes.h"

namespace velmora {

// The description of a picture as its tagged string gives it; a picture object
// copies these fields before loading pixels.
struct ImageTag {
    using Transparency = TransparencyMode;
    using Loop = LoopMode;
    // Why a string yields no picture (or, for BadColour, is a script error).
    enum class Error { None, ZeroCells, TooManyCells, BadColour };

    Transparency transparency_mode = Transparency::TopLeftKey;
    Rgb key_colour{0, 0, 0};
    int32_t palette_index = 0;
    int32_t cell_count = 1;
    std::vector<int32_t> cell_durations; // one per cell when the tag lists cells
    std::vector<Rgb> cell_colours;       // one per cell of a text picture
    Loop loop_mode = Loop::Static;
    bool animating = false;
    int32_t remaining_ms = 0; // the first cell's duration
    // Text pictures: glyph size and pitch; -1 means the current text font's.
    int32_t font_size_x = -1;
    int32_t font_size_y = -1;
    int32_t pitch_x = -1;
    int32_t pitch_y = -1;
    bool text_is_expression = false;       // the text begins with '$': a string expression
    std::optional<std::string> image_name; // file name, or the text of a text picture
    std::optional<std::string> mask_name;
    Error error = Error::None;
    bool operator==(const ImageTag&) const = default;
};

// The largest cell count accepted: no surface is wider than 65535 pixels, so
// more cells could never each get a column.
constexpr int32_t MAX_CELL_COUNT = 65535;

struct TagParseOptions {
    ImageTag::Transparency default_transparency = ImageTag::Transparency::TopLeftKey;
    // Text pictures without an explicit size take these (the text window's
    // glyph size and pitch).
    int32_t window_font_size_x = -1;
    int32_t window_font_size_y = -1;
    int32_t window_pitch_x = -1;
    int32_t window_pitch_y = -1;
    // Reads one integer at the start of the text and returns the bytes it
    // consumed (0: no integer). Empty: a plain signed decimal literal.
    std::function<size_t(std::string_view text, int32_t& value)> read_integer;
};

ImageTag parseTaggedString(std::string_view text, const TagParseOptions& options = {});

// Reads '#' and six hexadecimal digits at the start of text.
std::optional<Rgb> parseHexColour(std::string_view text);

} // namespace velmora
