// From a picture's tagged string to its pixels, and the background picture
// built from a colour or a picture.
#include <algorithm>

#include "engine/Velmora.h"
#include "graphics/RectClip.h"
#include "graphics/TaggedString.h"

namespace velmora {

namespace {

constexpr const char* DEFAULT_CURSORS[2] = {":l/3,160,2;cursor0.bmp", ":l/3,160,2;cursor1.bmp"};

} // namespace

LayerSettings Velmora::layerSettings() const {
    LayerSettings settings;
    settings.sprite_z_order = sprite_z_order;
    settings.window_back = window_back;
    // A system screen shades the whole screen in the menu's colour.
    const FontState& font = menu_layout ? menu_font : story_font;
    settings.shaded_window = font.shaded_window;
    settings.window_shade = font.window_shade_color;
    settings.story_layout = !menu_layout;
    settings.text_wait_state = input.text_wait_state;
    settings.text_gosub_set = !textgosub_label.empty();
    settings.pen_x = toScreen(story_font.pixelX(true));
    settings.pen_y = toScreen(story_font.pixelY(true));
    settings.buttons = &buttons;
    return settings;
}

int32_t Velmora::toScreen(int32_t value) const {
    return clampToInt32(int64_t{value} * scale_num / scale_den);
}

void Velmora::placeOnScreen(AnimImage& image, int32_t x, int32_t y) {
    image.script_rect.x = clampToInt16(x);
    image.script_rect.y = clampToInt16(y);
    image.screen_rect.x = clampToInt16(toScreen(x));
    image.screen_rect.y = clampToInt16(toScreen(y));
}

void Velmora::parseTaggedImage(AnimImage& image) {
    if (image.tag_string.empty()) return;
    image.resetCells();
    TagParseOptions options;
    options.default_transparency = static_cast<TransparencyMode>(default_transparency);
    options.window_font_size_x = story_font.glyph_size.x;
    options.window_font_size_y = story_font.glyph_size.y;
    options.window_pitch_x = story_font.cell_pitch.x;
    options.window_pitch_y = story_font.cell_pitch.y;
    // Text sizes are full integer expressions. The tag string ends in a 0
    // byte, which stops the expression reader.
    options.read_integer = [this](std::string_view text, int32_t& value) -> size_t {
        const char* p = text.data();
        value = script.evalIntExpr(p);
        return static_cast<size_t>(p - text.data());
    };
    const ImageTag tag = parseTaggedString(image.tag_string, options);
    if (tag.error == ImageTag::Error::ZeroCells)
        std::fprintf(stderr, "Velmora::parseTaggedString  The number of cells is 0\n");

    image.transparency_mode = tag.transparency_mode;
    image.key_colour = toRgbColour(tag.key_colour);
    image.palette_index = tag.palette_index;
    image.cell_count = tag.cell_count;
    image.cell_durations = tag.cell_durations;
    image.cell_colours.clear();
    for (const Rgb& colour : tag.cell_colours) image.cell_colours.push_back(toRgbColour(colour));
    image.loop_mode = tag.loop_mode;
    image.animating = tag.animating;
    image.remaining_ms = tag.remaining_ms;
    if (tag.transparency_mode == TransparencyMode::Text) {
        image.font_size_x = tag.font_size_x;
        image.font_size_y = tag.font_size_y;
        image.pitch_x = tag.pitch_x;
        image.pitch_y = tag.pitch_y;
    }
    image.image_name = tag.image_name.value_or("");
    image.mask_name = tag.mask_name.value_or("");
}

void Velmora::loadPicture(AnimImage& image) {
    const bool text = image.transparency_mode == TransparencyMode::Text;
    // Re-issuing a picture's tagged string costs nothing; any change to what
    // decides the pixels (file, mask, transparency, cells) reads the files again.
    const PixelSource wanted = image.pixelSource();
    if (!text && !wanted.image_name.empty() && wanted == image.loaded_source) return;
    image.freeImage(true);
    image.absolute_position = true;
    image.loaded_source = wanted;
    if (image.image_name.empty()) return;
    if (text) {
        loadTextPicture(image, nullptr);
        return;
    }

    picture_loader->setReader(*script.reader);
    LoadedPicture picture = picture_loader->loadImageSurface(image.image_name);
    if (!picture.surface) return;
    LoadedPicture mask;
    if (image.transparency_mode == TransparencyMode::MaskImage && !image.mask_name.empty())
        mask = picture_loader->loadImageSurface(image.mask_name);
    SDL_Surface* ready =
        image.applyTransparency(picture.surface, mask.surface, picture.has_own_alpha);
    image.adoptSurface(ready, ENGINE_FORMAT_CODE);
    if (mask.surface) SDL_FreeSurface(mask.surface);
}

void Velmora::buildBackground() {
    AnimImage& background = screen.background_image;
    background.cell_count = 1;
    background.transparency_mode = TransparencyMode::Opaque;
    placeOnScreen(background, 0, 0);
    if (!background.allocSurface(screen.width, screen.height, ENGINE_FORMAT_CODE)) return;

    const std::string& name = screen.background_name;
    uint8_t colour[3] = {0, 0, 0};
    if (name == "white") {
        colour[0] = colour[1] = colour[2] = 255;
    } else if (!name.empty() && name[0] == '#') {
        script.readColor(colour, name.c_str());
    } else if (name != "black" && name != "*bgcpy") {
        background.fill_colour = RgbColour{};
        background.paint(0, 0, 0, 255);
        AnimImage picture;
        picture.setTagString(name);
        parseTaggedImage(picture);
        picture.transparency_mode = TransparencyMode::Opaque;
        loadPicture(picture);
        if (!picture.surface) return;
        // Centred: a larger picture gives its middle, a smaller one sits on black.
        const int32_t w = picture.surface->w, h = picture.surface->h;
        const int32_t sx = w > screen.width ? (w - screen.width) / 2 : 0;
        const int32_t sy = h > screen.height ? (h - screen.height) / 2 : 0;
        const int32_t dx = w > screen.width ? 0 : (screen.width - w) / 2;
        const int32_t dy = h > screen.height ? 0 : (screen.height - h) / 2;
        SDL_Rect source{clampToInt16(sx), clampToInt16(sy),
                        clampToUint16(std::min(w, screen.width)),
                        clampToUint16(std::min(h, screen.height))};
        background.copyFromSurface(picture.surface, &source, dx, dy);
        return;
    }
    background.fill_colour = RgbColour{colour[0], colour[1], colour[2]};
    background.paint(colour[0], colour[1], colour[2], 255);
}

void Velmora::setCursorImage(int32_t number, const char* tag, int32_t x, int32_t y, bool absolute) {
    if (number < 0 || number > 1) return;
    AnimImage& cursor = screen.cursor_images[number];
    screen.damagePicture(cursor);
    const bool use_default = tag == nullptr;
    cursor.setTagString(use_default ? DEFAULT_CURSORS[number] : tag);
    placeOnScreen(cursor, x, y);
    parseTaggedImage(cursor);
    // A game without cursor pictures of its own simply shows none: the
    // default files are not looked for noisily.
    if (use_default && script.reader->fileLength(cursor.image_name) <= 0) {
        cursor.discard();
        return;
    }
    loadPicture(cursor);
    if (filelog_on) script.findInLog(script.file_log, cursor.image_name.c_str(), true);
    cursor.absolute_position = absolute;
    if (cursor.surface)
        cursor.visible = true;
    else
        cursor.discard();
    if (use_default) cursor.freeTagString();
}

} // namespace velmora
