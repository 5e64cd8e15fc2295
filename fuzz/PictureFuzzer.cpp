// libFuzzer target for picture files: decoding by the image library, the
// conversion to the engine's format, building the alpha channel in every
// transparency mode, and drawing the result plainly and transformed.
//
// Input layout: byte 0 picks the transparency mode (0-7 for modes 1-8, Text
// read as Alpha) and, in bit 3, whether the picture is its own mask; byte 1
// the cell count (1-8) and byte 2 the cell shown; byte 3 the rotation in
// degrees and byte 4 the scale in percent. The rest is the file.
#include <SDL.h>
#include <SDL_image.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "graphics/AnimImage.h"
#include "graphics/PictureHeader.h"
#include "graphics/PictureLoader.h"
#include "graphics/PictureSurface.h"

namespace {

constexpr int CANVAS_SIDE = 64;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "picture_fuzzer: invariant broken: %s\n", what);
    std::abort();
}

// As the picture loader decodes: headers claiming too large a picture are refused first.
SDL_Surface* decode(const uint8_t* data, size_t size) {
    if (velmora::refusedBeforeDecoding(data, size)) return nullptr;
    SDL_RWops* stream = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!stream) return nullptr;
    SDL_Surface* decoded = IMG_Load_RW(stream, 1);
    return decoded ? velmora::toEngineFormat(decoded) : nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6 || size > (1u << 20)) return 0;
    const int mode_number = (data[0] & 7) + 1;
    const bool own_mask = (data[0] & 8) != 0;
    const uint8_t* file = data + 5;
    const size_t file_size = size - 5;

    SDL_Surface* loaded = decode(file, file_size);
    if (!loaded) return 0;
    require(velmora::isPixelSurface32(loaded), "a decoded picture is 32-bit");
    SDL_Surface* mask = own_mask ? decode(file, file_size) : nullptr;

    velmora::AnimImage image;
    image.transparency_mode = mode_number == 4
                                  ? velmora::TransparencyMode::Alpha
                                  : static_cast<velmora::TransparencyMode>(mode_number);
    image.cell_count = data[1] % 8 + 1;
    SDL_Surface* ready = image.applyTransparency(loaded, mask, (data[0] & 16) != 0);
    image.adoptSurface(ready, velmora::ENGINE_FORMAT_CODE);
    if (mask) SDL_FreeSurface(mask);
    if (!image.surface) return 0;
    require(image.screen_rect.w <= image.surface->w, "a cell fits in its picture");
    image.selectCell(data[2]);

    SDL_Surface* canvas =
        velmora::createSurface32(CANVAS_SIDE, CANVAS_SIDE, velmora::ENGINE_FORMAT_CODE);
    require(canvas != nullptr, "the canvas is made");
    const SDL_Rect clip{-8, -8, CANVAS_SIDE + 16, CANVAS_SIDE + 16};
    image.blendOnto(canvas, -3, 5, clip, 200);
    image.blendOnto(canvas, 40, -7, clip, -1);
    image.alphaAt(1, 1);
    image.scale_x = data[4] + 1;
    image.scale_y = 100;
    image.rotation = data[3];
    image.screen_rect.x = 30;
    image.screen_rect.y = 20;
    image.computeAffine();
    image.blendAffineOnto(canvas, 30, 20, clip, 255);
    SDL_FreeSurface(canvas);
    return 0;
}
