// Geometry of scaled and rotated pictures in 1024 fixed point: the forward
// matrix, the transformed corners and their box, the inverse matrix, and the
// horizontal span of the transformed picture on one screen row.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>

namespace velmora {

constexpr int32_t AFFINE_ONE = 1024;

struct AffinePoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Row-major m00, m01, m10, m11.
using AffineMatrix = std::array<int32_t, 4>;
using AffineCorners = std::array<AffinePoint, 4>;

struct AffineInput {
    int32_t scale_x = 0; // percent; negative mirrors
    int32_t scale_y = 0;
    int32_t rotation = 0; // degrees
    SDL_Rect rect{};      // centre x, y and one cell's width and height
};

// Fills the forward matrix, corners and bounding box; the inverse only when
// neither scale is 0, so that a degenerate transform keeps the previous one.
// Products are formed in 64 bits and stored clamped.
void computeAffineTransform(const AffineInput& input, AffineMatrix& matrix, AffineCorners& corners,
                            SDL_Rect& bounding_rect, AffineMatrix& inverse);

// Narrows [left, right] to the part of row `y` inside the polygon of the
// four corners, walking the edges 0-1, 1-2, 2-3, 3-0.
void narrowToPolygon(const AffineCorners& corners, int32_t y, int32_t& left, int32_t& right);

} // namespace velmora
