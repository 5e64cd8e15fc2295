#include "graphics/PictureLoader.h"

#include <SDL_image.h>

#include <cstdio>
#include <optional>

#include "common/Exit.h"
#include "graphics/ColourStripes.h"
#include "graphics/PictureHeader.h"
#include "graphics/PictureSurface.h"

namespace velmora {

namespace {

// Files are untrusted: pictures larger than any surface the engine makes
// itself are refused.
bool sizeAllowed(const SDL_Surface* surface) {
    return surface->w > 0 && surface->h > 0 && surface->w <= MAX_SURFACE_SIDE &&
           surface->h <= MAX_SURFACE_SIDE && int64_t{surface->w} * surface->h <= MAX_SURFACE_PIXELS;
}

bool isEngineLayout(const SDL_Surface* surface) {
    const SDL_PixelFormat* format = surface->format;
    return format->BitsPerPixel == 32 && format->Rmask == RED_MASK && format->Gmask == GREEN_MASK &&
           format->Bmask == BLUE_MASK && format->Amask == ALPHA_MASK &&
           surface->pitch == surface->w * 4;
}

// Decoders may leave JPEG files that carry an odd header to the dedicated
// JPEG decoder; only names that say JPG get that second try.
bool hasJpegExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string extension = name.substr(dot + 1);
    return extension == "JPG" || extension == "jpg";
}

void makeOpaque(SDL_Surface* surface) {
    SurfaceLock lock(surface);
    if (!lock.locked()) return;
    for (int y = 0; y < surface->h; ++y) {
        uint32_t* row = pixelRow(surface, y);
        for (int x = 0; x < surface->w; ++x) row[x] |= ALPHA_MASK;
    }
}

} // namespace

SDL_Surface* toEngineFormat(SDL_Surface* decoded) {
    if (!decoded) return nullptr;
    if (!sizeAllowed(decoded)) {
        SDL_FreeSurface(decoded);
        return nullptr;
    }
    if (isEngineLayout(decoded)) return decoded;
    SDL_Surface* reference = createSurface32(1, 1, 2);
    if (!reference) {
        SDL_FreeSurface(decoded);
        return nullptr;
    }
    // Copy the channels as they are: no blending with the source's alpha and
    // no skipping of a colour key during the conversion.
    const bool source_has_alpha = decoded->format->Amask != 0;
    SDL_SetAlpha(decoded, 0, 255);
    SDL_SetColorKey(decoded, 0, 0);
    SDL_Surface* converted = SDL_ConvertSurface(decoded, reference->format, SDL_SWSURFACE);
    SDL_FreeSurface(reference);
    SDL_FreeSurface(decoded);
    if (!converted) return nullptr;
    SDL_SetAlpha(converted, 0, 255);
    if (!source_has_alpha) makeOpaque(converted);
    return converted;
}

PictureLoader::PictureLoader(BaseReader& reader) : reader(&reader) {}

uint8_t* PictureLoader::bufferFor(size_t size, std::unique_ptr<uint8_t[]>& one_off) {
    load_count += 1;
    load_size_sum += static_cast<int64_t>(size) * 6 / 5;
    const size_t average = static_cast<size_t>(load_size_sum / load_count);
    if (file_buffer_size < average) {
        file_buffer_size = average;
        file_buffer.reset();
    }
    if (size > file_buffer_size) {
        one_off = tryAllocate<uint8_t>(size);
        return one_off.get();
    }
    if (!file_buffer) file_buffer = tryAllocate<uint8_t>(file_buffer_size);
    return file_buffer.get();
}

LoadedPicture PictureLoader::loadImageSurface(const std::string& name) {
    if (name.empty() || name[0] != '>') return readImageFile(name);
    LoadedPicture picture;
    const std::optional<StripeLayout> layout = parseStripeName(name);
    if (!layout) return picture;
    picture.surface = createSurface32(layout->width, layout->height, 2);
    if (!picture.surface) return picture;
    SurfaceLock lock(picture.surface);
    if (lock.locked())
        fillStripes(*layout, pixelRow(picture.surface, 0), picture.surface->pitch / 4);
    return picture;
}

LoadedPicture PictureLoader::readImageFile(const std::string& name) {
    LoadedPicture picture;
    const int32_t length = reader->fileLength(name);
    if (length <= 0) {
        std::fprintf(stderr, " *** can't find file [%s] ***\n", name.c_str());
        return picture;
    }
    if (file_log) file_log(name);

    const size_t size = static_cast<size_t>(length);
    std::unique_ptr<uint8_t[]> one_off;
    uint8_t* buffer = bufferFor(size, one_off);
    if (!buffer) {
        std::fprintf(stderr, "failed to load [%s] because file size [%lu] is too large.\n",
                     name.c_str(), static_cast<unsigned long>(size));
        return picture;
    }
    const int32_t read = reader->readFile(name, buffer, size, &picture.location);

    SDL_Surface* decoded = nullptr;
    bool is_png = false;
    // A header claiming a picture the engine would refuse, or one the image
    // library cannot get through, is refused before decoding.
    if (read > 0 && !refusedBeforeDecoding(buffer, static_cast<size_t>(read))) {
        SDL_RWops* stream = SDL_RWFromMem(buffer, read);
        if (stream) {
            is_png = IMG_isPNG(stream) != 0;
            decoded = IMG_Load_RW(stream, 0);
            if (!decoded && hasJpegExtension(name)) {
                std::fprintf(stderr, " *** force-loading a JPG image [%s]\n", name.c_str());
                SDL_RWseek(stream, 0, RW_SEEK_SET);
                decoded = IMG_LoadJPG_RW(stream);
            }
            SDL_RWclose(stream);
        }
    }
    if (decoded) picture.has_own_alpha = decoded->format->Amask != 0 || is_png;
    picture.surface = toEngineFormat(decoded);
    if (!picture.surface) {
        picture.has_own_alpha = false;
        std::fprintf(stderr, " *** can't load file [%s] ***\n", name.c_str());
    }
    return picture;
}

} // namespace velmora
