#include "graphics/Breakup.h"

#include <algorithm>
#include <cstdlib>

#include "graphics/PictureSurface.h"

namespace velmora {

namespace {

constexpr int32_t CELL = BREAKUP_CELL;
constexpr int32_t DIRECTION_X[8] = {-7, -7, -5, -4, -2, 1, 3, 5};
constexpr int32_t DIRECTION_Y[8] = {0, 2, 4, 6, 7, 7, 6, 5};
// A piece is whole from this state up, and moves below IN_PLACE - 4.
constexpr int32_t IN_PLACE = 44;
constexpr int32_t MOVING = 40;

int32_t channelDifference(uint32_t a, uint32_t b, int shift) {
    return std::abs(static_cast<int32_t>(a >> shift & 0xffu) -
                    static_cast<int32_t>(b >> shift & 0xffu));
}

int32_t maskStage(int32_t state) {
    return state >= 20 ? state / 2 - 9 : 0;
}

} // namespace

int32_t breakupFlags(const std::string& dll_name) {
    const size_t slash = dll_name.find('/');
    if (slash == std::string::npos) return 0;
    const std::string params = dll_name.substr(slash + 1);
    int32_t flags = 0;
    if (params.size() > 0 && params[0] == 'l') flags |= BREAKUP_FROM_BOTTOM;
    if (params.size() > 1 && params[1] == 'l') flags |= BREAKUP_FROM_LEFT;
    if (params.size() > 2) {
        if (params[2] == 'p' || params[2] == 'P') flags |= BREAKUP_ASSEMBLE;
        if (params[2] >= 'A' && params[2] <= 'Z') flags |= BREAKUP_REVERSED;
    }
    return flags;
}

void Breakup::buildCircles() {
    if (circles_built) return;
    for (int32_t i = 0; i < 16; ++i) {
        const int32_t r = i == 0 ? 1 : (i + 1) * (i + 1);
        for (int32_t y = 0; y < CELL; ++y)
            for (int32_t x = 0; x < CELL; ++x)
                circles[i][y * CELL + x] =
                    2 * ((x - 12) * (x - 11) + (y - 12) * (y - 11)) + 1 < 2 * r ? 1 : 0;
    }
    circles_built = true;
}

const std::array<uint8_t, BREAKUP_CELL * BREAKUP_CELL>& Breakup::circle(int32_t index) {
    buildCircles();
    return circles[std::clamp(index, 0, 15)];
}

bool Breakup::differs(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= map_width || y >= map_height) return false;
    return difference[static_cast<size_t>(y) * map_width + x] != 0;
}

void Breakup::markDifferences(SDL_Surface* before, SDL_Surface* after) {
    const int32_t w = std::min(before->w, after->w);
    const int32_t h = std::min(before->h, after->h);
    map_width = (w + CELL - 1) / CELL * CELL;
    map_height = (h + CELL - 1) / CELL * CELL;
    difference.assign(static_cast<size_t>(map_width) * map_height, 0);
    x0 = map_width;
    y0 = map_height;
    x1 = -1;
    y1 = -1;
    SurfaceLock before_lock(before);
    SurfaceLock after_lock(after);
    if (!before_lock.locked() || !after_lock.locked()) return;
    for (int32_t y = 0; y < h; ++y) {
        const uint32_t* b = pixelRow(before, y);
        const uint32_t* a = pixelRow(after, y);
        uint8_t* mark = &difference[static_cast<size_t>(y) * map_width];
        for (int32_t x = 0; x < w; ++x) {
            if (b[x] == a[x]) continue;
            bool differ = false;
            for (int shift = 0; shift < 32 && !differ; shift += 8)
                differ = channelDifference(b[x], a[x], shift) > 8;
            if (!differ) continue;
            mark[x] = 1;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    }
}

void Breakup::layOutPieces(int32_t screen_w, int32_t screen_h) {
    piece_count = 0;
    width = height = 0;
    left = top = 0;
    if (x1 >= 0 && screen_w > 0 && screen_h > 0) {
        const bool from_left = flags & BREAKUP_FROM_LEFT;
        const bool from_bottom = flags & BREAKUP_FROM_BOTTOM;
        left = from_left ? 0 : x0 / CELL;
        top = from_bottom ? y0 / CELL : 0;
        const int32_t right = from_left ? x1 / CELL : (screen_w - 1) / CELL;
        const int32_t bottom = from_bottom ? (screen_h - 1) / CELL : y1 / CELL;
        width = std::max(right - left + 1, 0);
        height = std::max(bottom - top + 1, 0);
        piece_count = std::min<int32_t>(width * height, static_cast<int32_t>(pieces.size()));
    }
    step_count = width + height + 45;
    last_step = 0;
    int32_t index = 0;
    int32_t direction = 1;
    for (int32_t k = 0; k <= width + height - 2 && index < piece_count; ++k) {
        for (int32_t r = 0; r < height && index < piece_count; ++r) {
            const int32_t n = k - r;
            if (n < 0 || n >= width) continue;
            BreakupPiece& piece = pieces[index++];
            piece.cell_x = left + ((flags & BREAKUP_FROM_LEFT) ? n : width - 1 - n);
            piece.cell_y = top + ((flags & BREAKUP_FROM_BOTTOM) ? height - 1 - r : r);
            piece.direction = direction;
            direction = (direction + 1) % 8;
            piece.state = (flags & BREAKUP_ASSEMBLE) ? -k : k + IN_PLACE;
            piece.mask_stage = 0;
        }
    }
}

void Breakup::setUp(const std::string& dll_name, SDL_Surface* before, SDL_Surface* after) {
    flags = breakupFlags(dll_name);
    buildCircles();
    piece_count = 0;
    step_count = 45;
    last_step = 0;
    width = height = 0;
    if (!isPixelSurface32(before) || !isPixelSurface32(after)) {
        map_width = map_height = 0;
        return;
    }
    const int32_t w = std::min(before->w, after->w);
    const int32_t h = std::min(before->h, after->h);
    const size_t cells =
        static_cast<size_t>((w + CELL - 1) / CELL) * static_cast<size_t>((h + CELL - 1) / CELL);
    if (pieces.size() != cells) pieces.assign(cells, BreakupPiece{});
    markDifferences(before, after);
    layOutPieces(w, h);
}

void Breakup::drawPiece(const FrameInput& in, SDL_Surface* from, const BreakupPiece& piece,
                        int32_t sx, int32_t sy) {
    const int32_t s = piece.state;
    if (s < 0) return;
    const uint8_t* mask = nullptr;
    int32_t ox = 0;
    int32_t oy = 0;
    if (s < IN_PLACE && s >= MOVING) {
        mask = circles[s - 29].data();
    } else if (s < MOVING) {
        mask = circles[piece.mask_stage].data();
        const int32_t d = piece.direction & 7;
        ox = DIRECTION_X[d] * (s - MOVING) * sx;
        oy = (MOVING - s) * DIRECTION_Y[d] * sy;
    }
    // Pixels are written only inside the effect area of the target.
    const int32_t area_left = std::max<int32_t>(in.area.x, 0);
    const int32_t area_top = std::max<int32_t>(in.area.y, 0);
    const int32_t area_right = std::min<int32_t>(in.area.x + in.area.w, in.target->w);
    const int32_t area_bottom = std::min<int32_t>(in.area.y + in.area.h, in.target->h);
    const int32_t base_x = piece.cell_x * CELL;
    const int32_t base_y = piece.cell_y * CELL;
    for (int32_t j = 0; j < CELL; ++j) {
        const int32_t py = base_y + j;
        const int32_t ty = py + oy;
        if (py >= from->h || ty < area_top || ty >= area_bottom) continue;
        const uint32_t* source = pixelRow(from, py);
        uint32_t* dest = pixelRow(in.target, ty);
        for (int32_t i = 0; i < CELL; ++i) {
            if (mask && !mask[j * CELL + i]) continue;
            const int32_t px = base_x + i;
            const int32_t tx = px + ox;
            if (px >= from->w || tx < area_left || tx >= area_right) continue;
            if (!differs(px, py)) continue;
            dest[tx] = source[px];
        }
    }
}

void Breakup::drawFrame(const FrameInput& in) {
    if (!isPixelSurface32(in.before) || !isPixelSurface32(in.after) || !isPixelSurface32(in.target))
        return;
    const int64_t c = in.length <= 0 || in.elapsed >= in.length
                          ? step_count
                          : int64_t{std::max(in.elapsed, 0)} * step_count / in.length;
    if (c == last_step) return;
    const int32_t delta = static_cast<int32_t>(c - last_step);
    last_step = static_cast<int32_t>(c);

    const bool assemble = flags & BREAKUP_ASSEMBLE;
    SDL_Surface* base = assemble ? in.before : in.after;
    SDL_Surface* from = assemble ? in.after : in.before;
    for (int32_t i = 0; i < piece_count; ++i) {
        BreakupPiece& piece = pieces[i];
        piece.state += assemble ? delta : -delta;
        piece.mask_stage = maskStage(piece.state);
    }
    copyArea(base, in.target, in.area);

    int32_t e = assemble ? 1 : -1;
    if (flags & BREAKUP_REVERSED) e = -e;
    const int32_t sx = (flags & BREAKUP_FROM_LEFT) ? e : -e;
    const int32_t sy = (flags & BREAKUP_FROM_BOTTOM) ? -e : e;
    SurfaceLock from_lock(from);
    SurfaceLock target_lock(in.target);
    if (!from_lock.locked() || !target_lock.locked()) return;
    for (int32_t i = 0; i < piece_count; ++i) drawPiece(in, from, pieces[i], sx, sy);
}

} // namespace velmora
