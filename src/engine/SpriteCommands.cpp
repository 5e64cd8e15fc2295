// The sprite commands that change sprites already loaded: visibility, moves,
// cells, reloading, the hide-all switches, the queries, the colour gradient
// and the sprite control string.
#include <algorithm>
#include <cctype>

#include "engine/Velmora.h"
#include "graphics/PictureSurface.h"
#include "graphics/RectClip.h"

namespace velmora {

namespace {

bool overlaps(const SDL_Rect& a, const SDL_Rect* b) {
    if (!b) return false;
    SDL_Rect cut = a;
    return clipRect(cut, *b) >= 0 && cut.w > 0 && cut.h > 0;
}

// A run of decimal digits at `p`, moved past; 0 when there is none.
int32_t readDigits(const char*& p) {
    int64_t value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        value = std::min<int64_t>(value * 10 + (*p - '0'), INT32_MAX);
        ++p;
    }
    return static_cast<int32_t>(value);
}

int32_t clampOpacity(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, 255));
}

} // namespace

AnimImage* Velmora::spriteAt(int32_t n, bool rotated) {
    std::vector<AnimImage>& slots = rotated ? screen.rotated_sprites : screen.sprites;
    if (n < 0 || n >= static_cast<int32_t>(slots.size())) return nullptr;
    return &slots[n];
}

int32_t Velmora::vspCommand() {
    const bool rotated = script.tokenIs("vsp2");
    const int32_t n = script.readInteger();
    const int32_t v = script.readInteger();
    AnimImage* sprite = spriteAt(n, rotated);
    if (!sprite) return RESULT_PROCEED;
    hideTextWindow(false);
    sprite->visible = v == 1;
    screen.damage.add(rotated ? sprite->bounding_rect : sprite->screen_rect);
    return RESULT_PROCEED;
}

int32_t Velmora::mspCommand() {
    const bool rotated = script.tokenIs("msp2") || script.tokenIs("amsp2");
    const bool absolute = script.tokenIs("amsp");
    const int32_t n = script.readInteger();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    int32_t transform[3] = {0, 0, 0};
    if (rotated)
        for (int32_t& value : transform) value = script.readInteger();
    const bool has_opacity = script.end_flags & END_COMMA;
    const int32_t opacity = has_opacity ? script.readInteger() : 0;
    AnimImage* sprite = spriteAt(n, rotated);
    if (!sprite) return RESULT_PROCEED;
    hideTextWindow(false);

    screen.damage.add(rotated ? sprite->bounding_rect : sprite->screen_rect);
    if (absolute)
        placeOnScreen(*sprite, x, y);
    else
        placeOnScreen(*sprite, clampToInt32(int64_t{sprite->script_rect.x} + x),
                      clampToInt32(int64_t{sprite->script_rect.y} + y));
    if (rotated) {
        if (absolute) {
            sprite->scale_x = transform[0];
            sprite->scale_y = transform[1];
            sprite->rotation = transform[2];
        } else {
            sprite->scale_x = clampToInt32(int64_t{sprite->scale_x} + transform[0]);
            sprite->scale_y = clampToInt32(int64_t{sprite->scale_y} + transform[1]);
            sprite->rotation = clampToInt32(int64_t{sprite->rotation} + transform[2]);
        }
        sprite->computeAffine();
    }
    screen.damage.add(rotated ? sprite->bounding_rect : sprite->screen_rect);
    if (has_opacity) {
        if (absolute)
            sprite->alpha = clampOpacity(opacity);
        else
            sprite->alpha =
                clampOpacity(int64_t{sprite->alpha == -1 ? 255 : sprite->alpha} + opacity);
    }
    return RESULT_PROCEED;
}

int32_t Velmora::cellCommand() {
    const int32_t n = script.readInteger();
    const int32_t c = script.readInteger();
    AnimImage* sprite = spriteAt(n, false);
    if (!sprite) return RESULT_PROCEED;
    sprite->selectCell(c);
    screen.damage.add(sprite->screen_rect);
    return RESULT_PROCEED;
}

int32_t Velmora::spreloadCommand() {
    const int32_t n = script.readInteger();
    AnimImage* picture = n == -1 ? &screen.window_image : spriteAt(n, false);
    if (!picture) return RESULT_PROCEED;
    parseAndLoad(*picture);
    if (picture->visible) screen.damagePicture(*picture);
    return RESULT_PROCEED;
}

int32_t Velmora::allsphideCommand() {
    screen.all_sprites_hidden = script.tokenIs("allsphide");
    for (const AnimImage& standing : screen.standing_images)
        if (standing.visible && standing.surface) screen.damagePicture(standing);
    for (const AnimImage& sprite : screen.sprites)
        if (sprite.visible && sprite.surface) screen.damagePicture(sprite);
    return RESULT_PROCEED;
}

int32_t Velmora::allsp2hideCommand() {
    screen.all_rotated_hidden = script.tokenIs("allsp2hide");
    for (const AnimImage& sprite : screen.rotated_sprites)
        if (sprite.visible && sprite.surface) screen.damage.add(sprite.bounding_rect);
    return RESULT_PROCEED;
}

int32_t Velmora::getspsizeCommand() {
    const int32_t n = script.readInteger();
    const AnimImage* sprite = spriteAt(n, false);
    script.readVariableRef();
    if (sprite) script.setInt(script.last_ref, sprite->script_rect.w);
    script.readVariableRef();
    if (sprite) script.setInt(script.last_ref, sprite->script_rect.h);
    if (script.end_flags & END_COMMA) {
        script.readVariableRef();
        if (sprite) script.setInt(script.last_ref, sprite->cell_count);
    }
    return RESULT_PROCEED;
}

int32_t Velmora::getspposCommand() {
    const int32_t n = script.readInteger();
    const AnimImage* sprite = spriteAt(n, false);
    script.readVariableRef();
    if (sprite) script.setInt(script.last_ref, sprite->script_rect.x);
    script.readVariableRef();
    if (sprite) script.setInt(script.last_ref, sprite->script_rect.y);
    return RESULT_PROCEED;
}

int32_t Velmora::getspmodeCommand() {
    script.readVariableRef();
    const VarRef target = script.last_ref;
    const AnimImage* sprite = spriteAt(script.readInteger(), false);
    if (sprite) script.setInt(target, sprite->visible ? 1 : 0);
    return RESULT_PROCEED;
}

int32_t Velmora::spRgbGradationCommand() {
    const int32_t n = script.readInteger();
    int32_t values[10];
    for (int32_t& value : values) value = script.readInteger();
    AnimImage* picture = n == -1 ? &screen.window_image : spriteAt(n, false);
    if (!picture || !isPixelSurface32(picture->surface)) return RESULT_PROCEED;
    SDL_Surface* surface = picture->surface;
    const uint32_t mask = RED_MASK | GREEN_MASK | BLUE_MASK;
    // The mapped colour carries an opaque alpha byte; pixels are compared without it.
    const uint32_t key =
        mask & SDL_MapRGB(surface->format, static_cast<uint8_t>(values[6]),
                          static_cast<uint8_t>(values[7]), static_cast<uint8_t>(values[8]));
    SurfaceLock lock(surface);
    if (!lock.locked()) return RESULT_PROCEED;
    const auto rowHasKey = [&](int y) {
        const uint32_t* row = pixelRow(surface, y);
        return std::any_of(row, row + surface->w, [&](uint32_t p) { return (p & mask) == key; });
    };
    int32_t top = 0, bottom = 0;
    for (int y = 0; y < surface->h; ++y)
        if (rowHasKey(y)) {
            top = y;
            break;
        }
    for (int y = surface->h - 1; y >= 0; --y)
        if (rowHasKey(y)) {
            bottom = y;
            break;
        }
    const uint32_t alpha = static_cast<uint32_t>(static_cast<uint8_t>(values[9])) << 24;
    for (int32_t y = top; y <= bottom; ++y) {
        uint32_t channel[3];
        for (int k = 0; k < 3; ++k) {
            const int64_t c1 = values[k], c2 = values[k + 3];
            const int64_t c = top == bottom ? c1 : c1 + (c2 - c1) * (y - top) / (bottom - top);
            channel[k] = static_cast<uint8_t>(c);
        }
        const uint32_t colour = alpha | channel[0] << 16 | channel[1] << 8 | channel[2];
        uint32_t* row = pixelRow(surface, y);
        for (int x = 0; x < surface->w; ++x)
            if ((row[x] & mask) == key) row[x] = colour;
    }
    if (picture->visible) screen.damage.add(picture->screen_rect);
    return RESULT_PROCEED;
}

int32_t Velmora::spstrCommand() {
    const std::string control = script.readStr();
    runExbtnControl(control.c_str(), nullptr, nullptr);
    return RESULT_PROCEED;
}

void Velmora::setSpriteState(int32_t n, bool visible, int32_t cell, const SDL_Rect* area1,
                             const SDL_Rect* area2) {
    AnimImage* sprite = spriteAt(n, false);
    if (!sprite || !sprite->surface) return;
    const bool unchanged = sprite->visible == visible && (cell < 0 || cell == sprite->cell_index);
    if (unchanged && !overlaps(sprite->screen_rect, area1) && !overlaps(sprite->screen_rect, area2))
        return;
    if (cell >= 0) sprite->selectCell(cell);
    sprite->visible = visible;
    screen.damage.add(sprite->screen_rect);
}

void Velmora::runExbtnControl(const char* control, const SDL_Rect* area1, const SDL_Rect* area2) {
    const char* p = control;
    while (*p) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        if (letter == 'C') {
            ++p;
            const int32_t first = readDigits(p);
            int32_t last = first;
            if (*p == '-') {
                ++p;
                last = readDigits(p);
            }
            // Hiding beyond the last sprite changes nothing, so the range is cut there.
            last = std::min(last, SPRITE_COUNT - 1);
            for (int32_t n = first; n <= last; ++n) setSpriteState(n, false, -1, area1, area2);
        } else if (letter == 'P') {
            ++p;
            const int32_t n = readDigits(p);
            int32_t cell = 0;
            if (*p == ',') {
                ++p;
                cell = readDigits(p);
            }
            setSpriteState(n, true, cell, area1, area2);
        } else if (letter == 'M') {
            ++p;
            const int32_t n = readDigits(p);
            AnimImage* sprite = spriteAt(n, false);
            if (*p != ',') continue;
            ++p;
            const int32_t x = readDigits(p);
            if (sprite) sprite->script_rect.x = clampToInt16(x);
            if (*p != ',') continue;
            ++p;
            const int32_t y = readDigits(p);
            if (!sprite) continue;
            screen.damage.add(sprite->screen_rect);
            placeOnScreen(*sprite, x, y);
            screen.damage.add(sprite->screen_rect);
            sprite->visible = true;
        } else if (letter == 'S') {
            ++p;
            const int32_t channel = std::clamp(readDigits(p), 0, LAST_EFFECT_CHANNEL);
            if (*p == ',' && p[1] == '(') {
                p += 2;
                const char* name = p;
                while (*p && *p != ')') ++p;
                sound.playSoundFile(std::string(name, p), SOUND_AS_CHUNK, false, channel);
                if (*p == ')') ++p;
            }
        } else {
            ++p;
        }
    }
}

} // namespace velmora
