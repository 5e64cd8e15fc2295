// Creation and locking of the 32-bit pixel surfaces that pictures own.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>

namespace velmora {

constexpr uint32_t ALPHA_MASK = 0xff000000u;
constexpr uint32_t RED_MASK = 0x00ff0000u;
constexpr uint32_t GREEN_MASK = 0x0000ff00u;
constexpr uint32_t BLUE_MASK = 0x000000ffu;

// Larger pictures are refused rather than allocated: they come from
// untrusted files and the screen is never near this size.
constexpr int MAX_SURFACE_SIDE = 16384;
constexpr int64_t MAX_SURFACE_PIXELS = int64_t{1} << 25;

// A software surface of the given size; format code 0 is 16-bit 565, code 1
// is 32-bit with red in the low byte, any other code is 32-bit ARGB. The
// media layer's own alpha blending is switched off. Null when the size is
// not positive, too large, or the surface cannot be made.
SDL_Surface* createSurface(int width, int height, int format_code);
// As createSurface, except that format code 0 also gives 32-bit ARGB.
SDL_Surface* createSurface32(int width, int height, int format_code);

// True for a surface the pixel loops can walk: 4 bytes per pixel with rows
// at least as long as the width.
bool isPixelSurface32(const SDL_Surface* surface);

// Copies the rectangle `area` of `from` to the same place in `to`, cut to
// both surfaces. 32-bit surfaces are copied row by row as they are (the
// media layer's own blit would first save the destination's alpha); any
// other pair goes through the media layer's blit.
void copyArea(SDL_Surface* from, SDL_Surface* to, const SDL_Rect& area);

// Row `y` of a 32-bit surface; the caller keeps y inside the surface.
inline uint32_t* pixelRow(SDL_Surface* surface, int y) {
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                       static_cast<size_t>(y) * surface->pitch);
}

// Holds a surface locked for the lifetime of the object; a null surface or
// a failed lock leaves `locked()` false.
class SurfaceLock {
  public:
    explicit SurfaceLock(SDL_Surface* surface);
    ~SurfaceLock();
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    bool locked() const { return held != nullptr; }

  private:
    SDL_Surface* held = nullptr;
};

} // namespace velmora
