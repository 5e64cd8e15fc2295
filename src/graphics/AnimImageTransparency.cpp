// Building the alpha channel of a freshly loaded picture from its
// transparency mode.
#include "graphics/AnimImage.h"
#include "graphics/PictureSurface.h"
#include "graphics/RectClip.h"

namespace velmora {

namespace {

constexpr uint32_t COLOUR_BITS = 0x00ffffffu;

void setAlphaByKey(SDL_Surface* picture, uint32_t key) {
    for (int y = 0; y < picture->h; ++y) {
        uint32_t* row = pixelRow(picture, y);
        for (int x = 0; x < picture->w; ++x) {
            const uint32_t colour = row[x] & COLOUR_BITS;
            row[x] = colour | (colour == (key & COLOUR_BITS) ? 0u : ALPHA_MASK);
        }
    }
}

void setAlphaOpaque(SDL_Surface* picture) {
    for (int y = 0; y < picture->h; ++y) {
        uint32_t* row = pixelRow(picture, y);
        for (int x = 0; x < picture->w; ++x) row[x] |= ALPHA_MASK;
    }
}

// The mask's inverted grey level, tiled from each cell's left edge and from the top.
void setAlphaByMask(SDL_Surface* picture, SDL_Surface* mask, int cell_width) {
    SurfaceLock lock(mask);
    if (!lock.locked()) return;
    for (int y = 0; y < picture->h; ++y) {
        uint32_t* row = pixelRow(picture, y);
        const uint32_t* mask_row = pixelRow(mask, y % mask->h);
        for (int x = 0; x < picture->w; ++x) {
            const uint32_t grey = mask_row[(x % cell_width) % mask->w] & 0xffu;
            row[x] = (row[x] & COLOUR_BITS) | (255u - grey) << 24;
        }
    }
}

// Each cell holds its colours in the left half and an inverted grey mask in
// the right half; the result keeps the left halves only.
SDL_Surface* joinColourAndMask(SDL_Surface* picture, int cell_count) {
    const int half = picture->w / cell_count / 2;
    if (half < 1) return nullptr;
    SDL_Surface* joined = createSurface32(cell_count * half, picture->h, ENGINE_FORMAT_CODE);
    if (!joined) return nullptr;
    SurfaceLock lock(joined);
    if (!lock.locked()) {
        SDL_FreeSurface(joined);
        return nullptr;
    }
    for (int y = 0; y < picture->h; ++y) {
        const uint32_t* from = pixelRow(picture, y);
        uint32_t* to = pixelRow(joined, y);
        for (int cell = 0; cell < cell_count; ++cell) {
            const uint32_t* left = from + cell * 2 * half;
            for (int x = 0; x < half; ++x) {
                const uint32_t grey = left[x + half] & 0xffu;
                to[cell * half + x] = (left[x] & COLOUR_BITS) | (255u - grey) << 24;
            }
        }
    }
    return joined;
}

bool usableMask(const SDL_Surface* mask) {
    return isPixelSurface32(mask) && mask->w > 0 && mask->h > 0;
}

} // namespace

SDL_Surface* AnimImage::applyTransparency(SDL_Surface* loaded, SDL_Surface* mask,
                                          bool has_own_alpha) {
    if (!loaded) return nullptr;
    const bool cells_fit = cell_count >= 1 && cell_count <= loaded->w;
    const bool needs_cells = (transparency_mode == TransparencyMode::Alpha && !has_own_alpha) ||
                             (transparency_mode == TransparencyMode::MaskImage && mask);
    if (!isPixelSurface32(loaded) || loaded->w < 1 || loaded->h < 1 ||
        (needs_cells && !cells_fit)) {
        SDL_FreeSurface(loaded);
        return nullptr;
    }
    script_rect.w = clampToUint16(loaded->w);
    script_rect.h = clampToUint16(loaded->h);
    if (transparency_mode == TransparencyMode::Alpha) {
        if (has_own_alpha) return loaded;
        SDL_Surface* joined = nullptr;
        {
            SurfaceLock lock(loaded);
            if (lock.locked()) joined = joinColourAndMask(loaded, cell_count);
        }
        if (joined) script_rect.w = clampToUint16(joined->w);
        SDL_FreeSurface(loaded);
        return joined;
    }

    SurfaceLock lock(loaded);
    if (!lock.locked()) return loaded;
    switch (transparency_mode) {
    case TransparencyMode::TopLeftKey: setAlphaByKey(loaded, pixelRow(loaded, 0)[0]); break;
    case TransparencyMode::TopRightKey:
        setAlphaByKey(loaded, pixelRow(loaded, 0)[loaded->w - 1]);
        break;
    case TransparencyMode::ColourKey:
        setAlphaByKey(loaded, SDL_MapRGB(loaded->format, key_colour.r, key_colour.g, key_colour.b));
        break;
    case TransparencyMode::Text: break;
    case TransparencyMode::MaskImage:
        if (usableMask(mask)) setAlphaByMask(loaded, mask, loaded->w / cell_count);
        break;
    default: setAlphaOpaque(loaded); break;
    }
    return loaded;
}

} // namespace velmora
