// Screenshots: the shown screen is captured, then written at a chosen size
// as a bitmap file under the game directory.
#include <algorithm>
#include <cstdio>

#include "engine/Velmora.h"
#include "graphics/PictureSurface.h"
#include "graphics/Resample.h"
#include "persist/BitmapFile.h"

namespace velmora {

int32_t Velmora::getscreenshotCommand() {
    int32_t w = script.readInteger();
    int32_t h = script.readInteger();
    if (disable_rescale) {
        w = toScreen(w);
        h = toScreen(h);
    }
    // No size is 1 x 1, so a later savescreenshot always has a picture to write.
    screenshot_width = w <= 0 ? 1 : w;
    screenshot_height = h <= 0 ? 1 : h;
    if (screen.screen_surface && screen.screenshot_surface)
        copyArea(screen.screen_surface, screen.screenshot_surface, screen.bounds());
    return RESULT_PROCEED;
}

int32_t Velmora::savescreenshotCommand() {
    std::string path = archive_path + script.readStr();
    // Scripts may write either separator; files are opened with this platform's.
    std::replace(path.begin(), path.end(), '\\', '/');
    SDL_Surface* shot = screen.screenshot_surface;
    const int32_t w = screenshot_width, h = screenshot_height;
    if (!shot || w <= 0 || h <= 0 || int64_t{w} * h > MAX_SURFACE_PIXELS) {
        std::fprintf(stderr, "savescreenshot: no screenshot of %d x %d to write to %s\n", w, h,
                     path.c_str());
        return RESULT_PROCEED;
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    ResampleScratch scratch;
    {
        SurfaceLock lock(shot);
        if (!lock.locked()) return RESULT_PROCEED;
        resampleImage(PixelBlock{pixels.data(), w, h, w},
                      ConstPixelBlock{pixelRow(shot, 0), shot->w, shot->h, shot->pitch / 4},
                      scratch);
    }
    if (!writeBitmap24(path, pixels.data(), w, h, w))
        std::fprintf(stderr, "savescreenshot: can't write %s\n", path.c_str());
    return RESULT_PROCEED;
}

} // namespace velmora
