// Text pictures: sprites and numbers whose pixels are a string drawn by the
// text renderer, one cell per colour.
#include <cstdio>
#include <cstring>

#include "engine/Velmora.h"
#include "graphics/PictureSurface.h"
#include "graphics/RectClip.h"
#include "text/FontCache.h"
#include "text/TextRenderer.h"

namespace velmora {

namespace {

// One cell per colour argument that follows, or one white cell.
void readCellColours(ScriptStream& script, AnimImage& image) {
    image.cell_colours.clear();
    while (script.end_flags & END_COMMA) {
        uint8_t colour[3];
        script.readColor(colour, script.readStr());
        image.cell_colours.push_back(RgbColour{colour[0], colour[1], colour[2]});
    }
    if (image.cell_colours.empty()) image.cell_colours.push_back(RgbColour{255, 255, 255});
    image.cell_count = static_cast<int32_t>(image.cell_colours.size());
}

} // namespace

void Velmora::loadTextPicture(AnimImage& image, FontState* layout) {
    FontState font = layout ? *layout : story_font;
    if (image.font_size_x >= 0) {
        font.resetLayout();
        font.area_origin = Vec2{image.script_rect.x, image.script_rect.y};
        if (image.single_line)
            font.setSingleLine(static_cast<int32_t>(image.image_name.size() / 2 + 1));
        font.clearPosition();
        font.glyph_size = Vec2{image.font_size_x, image.font_size_y};
        font.cell_pitch = Vec2{image.pitch_x, image.pitch_y};
        font.face = nullptr;
        font.outline_face = nullptr;
        openFace(font, font_path, scale_num, scale_den);
    } else if (!font.face) {
        openFace(font, font_path, scale_num, scale_den);
    }
    font.ruby_space = image.draw_ruby;
    if (image.cell_colours.empty()) image.cell_colours.push_back(RgbColour{255, 255, 255});
    if (image.cell_count < 1) image.cell_count = 1;

    const TextRenderContext context = textContext();
    const auto colourOf = [&](int32_t i) {
        const RgbColour c = image.cell_colours[std::min<size_t>(static_cast<size_t>(i),
                                                                image.cell_colours.size() - 1)];
        return Rgb{c.r, c.g, c.b};
    };
    SDL_Rect size{};
    if (image.fit_to_text) {
        // Measuring moves the copy's pen past the text, as drawing it would.
        renderString(context, image.image_name.c_str(), colourOf(image.cell_index), font, false,
                     nullptr, &size, nullptr);
    } else {
        // The whole text area: from the first character cell to past the last.
        font.clearPosition();
        const Vec2 start = font.pen;
        FontState end = font;
        end.pen = Vec2{clampToInt32(int64_t{font.area_cells.x} * 2),
                       clampToInt32((int64_t{font.area_cells.y} - 1) * 2)};
        size = end.updatedArea(start);
    }
    if (layout) layout->pen = font.pen;

    image.script_rect.w = clampToUint16(size.w);
    image.script_rect.h = clampToUint16(size.h);
    image.screen_rect.w = clampToUint16(toScreen(size.w));
    image.screen_rect.h = clampToUint16(toScreen(size.h));
    const int64_t width = int64_t{image.screen_rect.w} * image.cell_count;
    if (width > MAX_SURFACE_SIDE ||
        !image.allocSurface(static_cast<int>(width), image.screen_rect.h, ENGINE_FORMAT_CODE))
        return;
    image.paint(0, 0, 0, 0);
    for (int32_t i = 0; i < image.cell_count; ++i) {
        font.clearPosition();
        font.area_origin = Vec2{clampToInt32(int64_t{i} * image.script_rect.w), 0};
        renderString(context, image.image_name.c_str(), colourOf(i), font, false, nullptr, nullptr,
                     &image);
    }
}

int32_t Velmora::strspCommand() {
    const bool hidden = script.tokenIs("strsph");
    const int32_t n = script.readInteger();
    const std::string text = script.readStr();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    int32_t values[8];
    for (int32_t& value : values) value = script.readInteger();
    AnimImage scratch;
    AnimImage* found = spriteAt(n, false);
    // An out-of-range number still reads its colours, into a picture thrown away.
    AnimImage& sprite = found ? *found : scratch;
    if (found) hideTextWindow(false);

    FontState layout;
    layout.area_cells = Vec2{values[0], values[1]};
    layout.glyph_size = Vec2{values[2], values[3]};
    layout.cell_pitch = Vec2{clampToInt32(int64_t{values[2]} + values[4]),
                             clampToInt32(int64_t{values[3]} + values[5])};
    layout.bold = values[6] != 0;
    layout.shadow = values[7] != 0;
    layout.backslash_newline = true;

    if (sprite.visible) screen.damage.add(sprite.screen_rect);
    sprite.resetCells();
    sprite.font_size_x = -1;
    sprite.image_name = text;
    placeOnScreen(sprite, x, y);
    sprite.transparency_mode = TransparencyMode::Text;
    sprite.alpha = -1;
    sprite.visible = !hidden;
    sprite.single_line = false;
    sprite.fit_to_text = false;
    sprite.draw_ruby = story_font.ruby_space;
    readCellColours(script, sprite);
    if (!found) return RESULT_PROCEED;
    layout.area_origin = Vec2{x, y};
    layout.clearPosition();
    openFace(layout, font_path, scale_num, scale_den);
    sprite.freeImage(true);
    sprite.loaded_source = sprite.pixelSource();
    loadTextPicture(sprite, &layout);
    if (sprite.visible) screen.damage.add(sprite.screen_rect);
    return RESULT_PROCEED;
}

int32_t Velmora::logspCommand() {
    const bool sized = script.tokenIs("logsp2");
    const int32_t n = script.readInteger();
    const std::string text = script.readStr();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    int32_t glyph[4] = {0, 0, 0, 0};
    if (sized)
        for (int32_t& value : glyph) value = script.readInteger();
    AnimImage scratch;
    AnimImage* found = spriteAt(n, false);
    AnimImage& sprite = found ? *found : scratch;
    if (found) hideTextWindow(false);

    if (sprite.visible) screen.damage.add(sprite.screen_rect);
    sprite.discard();
    sprite.image_name = text;
    placeOnScreen(sprite, x, y);
    sprite.transparency_mode = TransparencyMode::Text;
    if (sized) {
        sprite.font_size_x = glyph[0];
        sprite.font_size_y = glyph[1];
        sprite.pitch_x = clampToInt32(int64_t{glyph[0]} + glyph[2]);
        sprite.pitch_y = clampToInt32(int64_t{glyph[1]} + glyph[3]);
    } else {
        sprite.font_size_x = story_font.glyph_size.x;
        sprite.font_size_y = story_font.glyph_size.y;
        sprite.pitch_x = story_font.cell_pitch.x;
        sprite.pitch_y = story_font.cell_pitch.y;
    }
    readCellColours(script, sprite);
    if (!found) return RESULT_PROCEED;
    sprite.single_line = false;
    sprite.fit_to_text = false;
    sprite.draw_ruby = story_font.ruby_space;
    story_font.backslash_newline = true;
    loadPicture(sprite);
    story_font.backslash_newline = false;
    sprite.visible = true;
    screen.damage.add(sprite.screen_rect);
    return RESULT_PROCEED;
}

int32_t Velmora::prnumCommand() {
    const int32_t n = script.readInteger();
    const int32_t value = script.readInteger();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    const int32_t glyph_w = script.readInteger();
    const int32_t glyph_h = script.readInteger();
    const std::string colour_text = script.readStr();
    if (n < 0 || n >= NUMBER_COUNT) return RESULT_PROCEED;
    hideTextWindow(false);
    uint8_t colour[3];
    script.readColor(colour, colour_text.c_str());

    buildNumber(n, SavedNumber{value, {x, y}, glyph_w, glyph_h, {colour[0], colour[1], colour[2]}});
    return RESULT_PROCEED;
}

void Velmora::buildNumber(int32_t n, const SavedNumber& settings) {
    std::unique_ptr<AnimImage>& slot = screen.number_images[n];
    if (slot) screen.damage.add(slot->screen_rect);
    slot = std::make_unique<AnimImage>();
    AnimImage& number = *slot;
    number.transparency_mode = TransparencyMode::Text;
    number.cell_count = 1;
    number.cell_colours = {toRgbColour(settings.colour)};
    number.value = settings.value;
    placeOnScreen(number, settings.position.x, settings.position.y);
    number.font_size_x = number.pitch_x = settings.font_size_x;
    number.font_size_y = number.pitch_y = settings.font_size_y;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%3d", settings.value);
    number.image_name.assign(digits, 3);
    loadPicture(number);
    screen.damage.add(number.screen_rect);
}

int32_t Velmora::prnumclearCommand() {
    for (std::unique_ptr<AnimImage>& number : screen.number_images) {
        if (!number) continue;
        screen.damage.add(number->screen_rect);
        number.reset();
    }
    return RESULT_PROCEED;
}

} // namespace velmora
