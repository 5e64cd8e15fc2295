// Draws a movie's decoded pictures onto a surface: scaled to fit it with the
// picture's aspect ratio kept, centred between black bars, and converted to
// the surface's pixel format.
#pragma once

#include <SDL.h>

#include <cstdint>

struct AVFrame;
struct SwsContext;

namespace velmora {

// Pictures wider or taller than this are refused: no movie a game ships is
// larger, and a damaged file must not make the engine allocate gigabytes.
constexpr int32_t MAX_MOVIE_SIDE = 4096;

class MovieScaler {
  public:
    MovieScaler() = default;
    ~MovieScaler();
    MovieScaler(const MovieScaler&) = delete;
    MovieScaler& operator=(const MovieScaler&) = delete;

    // The surface drawn into; false when its pixel format is not one the
    // scaler can write.
    bool setSurface(SDL_Surface* target);
    // Draws `frame` and shows the part of the surface it covers; the first
    // picture (and one of another shape) clears the whole surface to black
    // first. False when the frame cannot be drawn.
    bool draw(const AVFrame* frame);
    // Where the last picture was drawn.
    SDL_Rect area() const { return placed; }

    // The largest rectangle of a `width` × `height` picture whose pixels have
    // the aspect `aspect_num`:`aspect_den` (0 for square pixels) inside a
    // surface of `target_width` × `target_height`, centred.
    static SDL_Rect fit(int32_t width, int32_t height, int32_t aspect_num, int32_t aspect_den,
                        int32_t target_width, int32_t target_height);

  private:
    SDL_Surface* surface = nullptr;
    int32_t pixel_format = -1; // FFmpeg's code of the surface's format
    SwsContext* context = nullptr;
    SDL_Rect placed{};
};

} // namespace velmora
