#include "sound/MovieScaler.h"

#include <algorithm>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace velmora {

namespace {

constexpr Uint32 RED_HIGH_32 = 0x00ff0000;
constexpr Uint32 RED_LOW_32 = 0x000000ff;
constexpr Uint32 RED_565 = 0xf800;
constexpr Uint32 RED_555 = 0x7c00;

// FFmpeg's name for the layout of the surface's pixels, or none.
AVPixelFormat surfacePixelFormat(const SDL_PixelFormat& format) {
    const bool little = SDL_BYTEORDER == SDL_LIL_ENDIAN;
    switch (format.BitsPerPixel) {
    case 32:
        if (format.Rmask == RED_HIGH_32) return AV_PIX_FMT_0RGB32;
        if (format.Rmask == RED_LOW_32) return AV_PIX_FMT_0BGR32;
        return AV_PIX_FMT_NONE;
    case 24:
        if (format.Rmask == RED_HIGH_32) return little ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_RGB24;
        if (format.Rmask == RED_LOW_32) return little ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_BGR24;
        return AV_PIX_FMT_NONE;
    case 16: return format.Rmask == RED_565 ? AV_PIX_FMT_RGB565 : AV_PIX_FMT_NONE;
    case 15: return format.Rmask == RED_555 ? AV_PIX_FMT_RGB555 : AV_PIX_FMT_NONE;
    default: return AV_PIX_FMT_NONE;
    }
}

bool sameRect(const SDL_Rect& a, const SDL_Rect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

} // namespace

MovieScaler::~MovieScaler() {
    sws_freeContext(context);
}

bool MovieScaler::setSurface(SDL_Surface* target) {
    surface = target;
    placed = SDL_Rect{};
    pixel_format = target ? surfacePixelFormat(*target->format) : AV_PIX_FMT_NONE;
    return pixel_format != AV_PIX_FMT_NONE;
}

SDL_Rect MovieScaler::fit(int32_t width, int32_t height, int32_t aspect_num, int32_t aspect_den,
                          int32_t target_width, int32_t target_height) {
    if (width <= 0 || height <= 0) return SDL_Rect{};
    // The width the picture is meant to show at, with its pixels' shape.
    int64_t shown_width = width;
    if (aspect_num > 0 && aspect_den > 0)
        shown_width = std::max<int64_t>(int64_t{width} * aspect_num / aspect_den, 1);
    int64_t w = target_width;
    int64_t h = int64_t{height} * target_width / shown_width;
    if (h > target_height) {
        h = target_height;
        w = shown_width * target_height / height;
    }
    w = std::clamp<int64_t>(w, 1, target_width);
    h = std::clamp<int64_t>(h, 1, target_height);
    return SDL_Rect{static_cast<Sint16>((target_width - w) / 2),
                    static_cast<Sint16>((target_height - h) / 2), static_cast<Uint16>(w),
                    static_cast<Uint16>(h)};
}

bool MovieScaler::draw(const AVFrame* frame) {
    if (!surface || pixel_format == AV_PIX_FMT_NONE) return false;
    if (frame->width <= 0 || frame->height <= 0 || frame->width > MAX_MOVIE_SIDE ||
        frame->height > MAX_MOVIE_SIDE ||
        !sws_isSupportedInput(static_cast<AVPixelFormat>(frame->format)))
        return false;
    const SDL_Rect rect = fit(frame->width, frame->height, frame->sample_aspect_ratio.num,
                              frame->sample_aspect_ratio.den, surface->w, surface->h);
    if (rect.w == 0 || rect.h == 0) return false;
    context = sws_getCachedContext(
        context, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), rect.w,
        rect.h, static_cast<AVPixelFormat>(pixel_format), SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!context) return false;
    if (!sameRect(rect, placed)) {
        // The bars around the picture: the whole surface black once.
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        SDL_UpdateRect(surface, 0, 0, 0, 0);
        placed = rect;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) < 0) return false;
    uint8_t* target[4] = {static_cast<uint8_t*>(surface->pixels) + rect.y * surface->pitch +
                              rect.x * surface->format->BytesPerPixel,
                          nullptr, nullptr, nullptr};
    const int strides[4] = {surface->pitch, 0, 0, 0};
    const int rows =
        sws_scale(context, frame->data, frame->linesize, 0, frame->height, target, strides);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (rows <= 0) return false;
    SDL_UpdateRect(surface, rect.x, rect.y, rect.w, rect.h);
    return true;
}

} // namespace velmora
