// Commands that define the buttons of the next button wait: the picture that
// `btn` and `blt` cut from, picture and sprite buttons with their control
// strings, clearing the definitions, and the click-wait cursors.
#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "engine/Velmora.h"
#include "graphics/RectClip.h"

namespace velmora {

namespace {

// The command being run, without the underscore that may call the built-in one.
std::string commandName(const ScriptStream& script) {
    const char* name = script.token_buffer.data();
    return name[0] == '_' ? name + 1 : name;
}

int32_t clampSize(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, UINT16_MAX));
}

} // namespace

AnimImage* Velmora::buttonSprite(const std::string& command, int32_t n) {
    AnimImage* sprite = spriteAt(n, false);
    if (!sprite) std::fprintf(stderr, "%s: sprite %d is out of range\n", command.c_str(), n);
    return sprite;
}

void Velmora::clearButtonDefinitions() {
    input.btntime_ms = -1;
    buttons.transparent_hits = false;
    deleteButtons();
    input.resetButtonSwitches();
}

int32_t Velmora::btndefCommand() {
    if (script.tokenIs("btndef") && !script.takeKeyword("clear")) {
        loadButtonPicture(script.readStr());
    }
    clearButtonDefinitions();
    return RESULT_PROCEED;
}

void Velmora::loadButtonPicture(const std::string& tag) {
    btndef_picture.discard();
    if (tag.empty()) return;
    btndef_picture.setTagString(tag);
    parseTaggedImage(btndef_picture);
    // Button pictures are cut out as they are: no key colour, no alpha.
    btndef_picture.transparency_mode = TransparencyMode::Opaque;
    loadPicture(btndef_picture);
    if (btndef_picture.surface) SDL_SetAlpha(btndef_picture.surface, 0, 255);
}

int32_t Velmora::btnCommand() {
    const int32_t number = script.readInteger();
    int32_t values[6];
    for (int32_t& value : values) value = script.readInteger();
    const int32_t x = toScreen(values[0]), y = toScreen(values[1]);
    int32_t w = clampSize(toScreen(values[2])), h = clampSize(toScreen(values[3]));
    const int32_t sx = toScreen(values[4]), sy = toScreen(values[5]);

    ButtonEntry& button = buttons.prepend(ButtonKind::Picture, number);
    SDL_Surface* source = btndef_picture.surface;
    // Without a button picture there is nothing to cut: the button only reacts.
    if (source) {
        w = clampSize(std::min<int64_t>(w, int64_t{source->w} - sx));
        h = clampSize(std::min<int64_t>(h, int64_t{source->h} - sy));
    }
    button.hit_rect = SDL_Rect{clampToInt16(x), clampToInt16(y), static_cast<uint16_t>(w),
                               static_cast<uint16_t>(h)};
    button.image_rect = button.hit_rect;
    if (!source || w == 0 || h == 0) return RESULT_PROCEED;

    AnimImage& picture = button.ownImage();
    picture.transparency_mode = TransparencyMode::Opaque;
    picture.cell_count = 1;
    if (!picture.allocSurface(w, h, ENGINE_FORMAT_CODE)) return RESULT_PROCEED;
    SDL_Rect cut{clampToInt16(sx), clampToInt16(sy), static_cast<uint16_t>(w),
                 static_cast<uint16_t>(h)};
    picture.copyFromSurface(source, &cut, 0, 0);
    placeOnScreen(picture, values[0], values[1]);
    picture.visible = true;
    return RESULT_PROCEED;
}

ButtonEntry& Velmora::addSpriteButton(int32_t n, int32_t number) {
    ButtonEntry& button = buttons.prepend(ButtonKind::Sprite, number);
    button.sprite = n;
    const AnimImage& sprite = screen.sprites[static_cast<size_t>(n)];
    // A sprite without a picture gives a button that nothing can point at.
    if (sprite.surface || sprite.transparency_mode == TransparencyMode::Text)
        button.hit_rect = button.image_rect = sprite.screen_rect;
    return button;
}

int32_t Velmora::spbtnCommand() {
    const std::string command = commandName(script);
    const bool exbtn = command.find("exbtn") != std::string::npos;
    const int32_t needed_cells = command.find("cellcheck") != std::string::npos ? 2 : 1;
    const int32_t n = script.readInteger();
    const int32_t number = script.readInteger();
    const std::string control = exbtn ? script.readStr() : "";
    const AnimImage* sprite = buttonSprite(command, n);
    if (!sprite || sprite->cell_count < needed_cells) return RESULT_PROCEED;
    ButtonEntry& button = addSpriteButton(n, number);
    if (exbtn) {
        button.enter_control = control;
        buttons.exbtn_used = true;
    }
    return RESULT_PROCEED;
}

int32_t Velmora::exbtnDefaultCommand() {
    buttons.exbtn_default = script.readStr();
    return RESULT_PROCEED;
}

int32_t Velmora::bspCommand() {
    const std::string command = commandName(script);
    const int32_t n = script.readInteger();
    std::string controls[3];
    for (std::string& control : controls)
        if (script.end_flags & END_COMMA) control = script.readStr();
    if (!buttonSprite(command, n)) return RESULT_PROCEED;
    ButtonEntry& button = addSpriteButton(n, n);
    button.leave_control = controls[0];
    button.enter_control = controls[1];
    button.spare_control = controls[2];
    return RESULT_PROCEED;
}

int32_t Velmora::transbtnCommand() {
    buttons.transparent_hits = true;
    return RESULT_PROCEED;
}

int32_t Velmora::btndownCommand() {
    input.btndown_mode = script.readInteger() == 1;
    return RESULT_PROCEED;
}

int32_t Velmora::setcursorCommand() {
    const std::string command = commandName(script);
    const bool absolute = script.tokenIs("abssetcursor");
    const int32_t which = script.readInteger();
    const std::string file = script.readStr();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    if (which != 0 && which != 1) {
        std::fprintf(stderr, "%s: cursor %d is out of range\n", command.c_str(), which);
        return RESULT_PROCEED;
    }
    // The old picture goes first, so that an empty or missing file removes it.
    AnimImage& cursor = screen.cursor_images[static_cast<size_t>(which)];
    screen.damagePicture(cursor);
    cursor.discard();
    setCursorImage(which, file.c_str(), x, y, absolute);
    return RESULT_PROCEED;
}

} // namespace velmora
