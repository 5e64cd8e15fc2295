#include "graphics/AffineTransform.h"

#include "graphics/RectClip.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora {

void computeAffineTransform(const AffineInput& input, AffineMatrix& matrix, AffineCorners& corners,
                            SDL_Rect& bounding_rect, AffineMatrix& inverse) {
    int64_t c = AFFINE_ONE;
    int64_t s = 0;
    if (input.rotation != 0) {
        const double theta = -static_cast<double>(input.rotation) * std::numbers::pi / 180.0;
        c = static_cast<int64_t>(std::cos(theta) * AFFINE_ONE);
        s = static_cast<int64_t>(std::sin(theta) * AFFINE_ONE);
    }
    const int64_t sx = input.scale_x;
    const int64_t sy = input.scale_y;
    matrix = {clampToInt32(c * sx / 100), clampToInt32(-(s * sy / 100)), clampToInt32(s * sx / 100),
              clampToInt32(c * sy / 100)};

    const int64_t hx = input.rect.w / 2;
    const int64_t hy = input.rect.h / 2;
    int32_t min_x = INT32_MAX, min_y = INT32_MAX, max_x = INT32_MIN, max_y = INT32_MIN;
    for (int k = 0; k < 4; ++k) {
        int64_t dx = k < 2 ? -hx : hx;
        int64_t dy = (k == 0 || k == 3) ? -hy : hy;
        if (sx < 0) dx = -dx;
        if (sy < 0) dy = -dy;
        AffinePoint& corner = corners[k];
        corner.x = clampToInt32(input.rect.x + (dx * matrix[0] + dy * matrix[1]) / AFFINE_ONE);
        corner.y = clampToInt32(input.rect.y + (dx * matrix[2] + dy * matrix[3]) / AFFINE_ONE);
        min_x = std::min(min_x, corner.x);
        min_y = std::min(min_y, corner.y);
        max_x = std::max(max_x, corner.x);
        max_y = std::max(max_y, corner.y);
    }
    bounding_rect.x = clampToInt16(min_x);
    bounding_rect.y = clampToInt16(min_y);
    bounding_rect.w = clampToUint16(int64_t{max_x} - min_x + 1);
    bounding_rect.h = clampToUint16(int64_t{max_y} - min_y + 1);

    const int64_t d = sx * sy;
    if (d == 0) return;
    inverse = {clampToInt32(int64_t{matrix[3]} * 10000 / d),
               clampToInt32(int64_t{matrix[1]} * -10000 / d),
               clampToInt32(int64_t{matrix[2]} * -10000 / d),
               clampToInt32(int64_t{matrix[0]} * 10000 / d)};
}

void narrowToPolygon(const AffineCorners& corners, int32_t y, int32_t& left, int32_t& right) {
    for (int k = 0; k < 4; ++k) {
        const AffinePoint& a = corners[k];
        const AffinePoint& b = corners[(k + 1) % 4];
        const int64_t rise = int64_t{b.y} - a.y;
        if (rise == 0) continue;
        const int64_t x = (int64_t{b.x} - a.x) * (int64_t{y} - a.y) / rise + a.x;
        if (rise > 0) {
            if (x > left) left = clampToInt32(x);
        } else if (x < right) {
            right = clampToInt32(x);
        }
    }
}

} // namespace velmora
