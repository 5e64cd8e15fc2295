#include "graphics/AnimImage.h"

namespace velmora {

AnimImage::AnimImage() {
    discard();
}

AnimImage::~AnimImage() {
    if (!is_shallow_copy) restoreDefaults();
}

void AnimImage::copyFrom(const AnimImage& other) {
    if (this == &other) return;
    releaseSurface();
    *this = other;
    is_shallow_copy = true;
}

void AnimImage::releaseSurface() {
    if (surface && !is_shallow_copy) SDL_FreeSurface(surface);
    surface = nullptr;
}

void AnimImage::freeImage(bool forget_names) {
    if (forget_names) loaded_source = PixelSource{};
    releaseSurface();
}

PixelSource AnimImage::pixelSource() const {
    return PixelSource{image_name, mask_name,     transparency_mode,
                       key_colour, palette_index, cell_count};
}

int AnimImage::resetCells() {
    cell_durations.clear();
    cell_colours.clear();
    image_name.clear();
    mask_name.clear();
    cell_index = 0;
    cell_count = 0;
    remaining_ms = 0;
    fill_colour = RgbColour{};
    animating = false;
    single_line = true;
    fit_to_text = true;
    draw_ruby = false;
    cell_step = 1;
    return 1;
}

void AnimImage::discard() {
    freeTagString();
    freeImage(true);
    resetCells();
}

void AnimImage::restoreDefaults() {
    discard();
    alpha = -1;
    font_size_x = font_size_y = pitch_x = pitch_y = -1;
    script_rect.x = script_rect.y = 0;
    screen_rect.x = screen_rect.y = 0;
    visible = false;
    absolute_position = true;
    scale_x = scale_y = rotation = 0;
    blend_mode = BlendMode::Normal;
    matrix = {AFFINE_ONE, 0, 0, AFFINE_ONE};
}

int64_t AnimImage::cellColumn() const {
    if (!surface || cell_count < 1 || cell_index < 0 || cell_index >= cell_count) return -1;
    return int64_t{surface->w} * cell_index / cell_count;
}

void AnimImage::computeAffine() {
    const AffineInput input{scale_x, scale_y, rotation, screen_rect};
    computeAffineTransform(input, matrix, corners, bounding_rect, inverse);
}

} // namespace velmora
