// One picture on screen: a 32-bit surface holding all animation cells side
// by side, the description parsed from its tagged image string, where it
// sits, how opaque it is, and for rotated sprites its affine transform. It
// builds its own alpha channel, steps its animation and blends itself onto
// 32-bit ARGB destinations with exact integer arithmetic.
#pragma once

#include "graphics/AffineTransform.h"

#include <SDL.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Colour.h"
#include "graphics/ImageModes.h"

namespace velmora {

// Any value other than Normal and Add subtracts.
enum class BlendMode : int32_t { Normal = 0, Add = 1, Subtract = 2 };

struct RgbColour {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const RgbColour&) const = default;
};

inline RgbColour toRgbColour(const Rgb& c) {
    return RgbColour{c[0], c[1], c[2]};
}

// Everything in a picture's description that decides its loaded pixels: the
// files, how their transparency is built and how they split into cells. A
// picture whose description still gives the source it was loaded from is
// not read again.
struct PixelSource {
    std::string image_name; // empty: nothing was loaded
    std::string mask_name;
    TransparencyMode transparency_mode = TransparencyMode::TopLeftKey;
    RgbColour key_colour;      // the ColourKey mode's transparent colour
    int32_t palette_index = 0; // the Palette mode's transparent index
    int32_t cell_count = 0;
    bool operator==(const PixelSource&) const = default;
};

// The surface format code the engine passes everywhere: 32-bit ARGB.
constexpr int ENGINE_FORMAT_CODE = 2;

class AnimImage {
  public:
    AnimImage();
    ~AnimImage();
    AnimImage(const AnimImage&) = delete;

    // Becomes a view of `other` that shares its surface and never frees it.
    // Must be thrown away before `other` changes.
    void copyFrom(const AnimImage& other);

    void setTagString(std::string_view text) { tag_string = text; }
    void freeTagString() { tag_string.clear(); }
    void freeImage(bool forget_names);
    int resetCells();
    void discard();
    void restoreDefaults();
    // The source the current description asks for.
    PixelSource pixelSource() const;

    void advanceTime(int32_t ms);
    // Moves to the next cell when the current one has run out; true when the
    // cell changed and the picture needs redrawing.
    bool stepCell();
    void selectCell(int32_t n);

    // Keeps a surface of exactly this size, otherwise makes a new one, and
    // sizes `screen_rect` to one cell. A cell count below 1 or above the
    // width, or a surface that cannot be made, leaves no surface; returns
    // whether there is one.
    bool allocSurface(int width, int height, int format_code);
    // Takes ownership of a filled surface; null is ignored.
    void adoptSurface(SDL_Surface* filled, int format_code);
    void paint(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
    // Copies 32-bit pixels; `source_rect` null means the whole source.
    void copyFromSurface(SDL_Surface* source, const SDL_Rect* source_rect = nullptr, int dest_x = 0,
                         int dest_y = 0);
    // Builds the alpha channel of a freshly loaded picture and records its
    // size in `script_rect`. May return another surface (`loaded` is then
    // freed), or null when the picture cannot be used.
    SDL_Surface* applyTransparency(SDL_Surface* loaded, SDL_Surface* mask, bool has_own_alpha);
    // Alpha of the current cell at a screen point; 0 outside it or without a surface.
    uint8_t alphaAt(int x, int y) const;

    void computeAffine();
    void blendOnto(SDL_Surface* dest, int x, int y, const SDL_Rect& clip, int32_t opacity) const;
    void blendAffineOnto(SDL_Surface* dest, int centre_x, int centre_y, const SDL_Rect& clip,
                         int32_t opacity) const;
    // Composites a glyph coverage map in `colour` into the current cell at
    // (x, y), cut by `clip` when given and by the surface.
    void blendGlyph(SDL_Surface* coverage, int x, int y, RgbColour colour, const SDL_Rect* clip,
                    bool rotated);
    // What blendGlyph has drawn on since the surface was last painted, in the
    // surface's pixels: a text layer's glyphs can reach past the text window.
    SDL_Rect glyph_rect{};

    bool is_shallow_copy = false;
    TransparencyMode transparency_mode = TransparencyMode::TopLeftKey;
    RgbColour key_colour;
    int32_t palette_index = 0;
    RgbColour fill_colour;
    SDL_Rect script_rect{};
    SDL_Rect screen_rect{};
    int32_t cell_count = 0;
    int32_t cell_index = 0;
    int32_t cell_step = 1;
    std::vector<int32_t> cell_durations;
    std::vector<RgbColour> cell_colours;
    LoopMode loop_mode = LoopMode::Cycle;
    bool animating = false;
    bool single_line = true;
    bool fit_to_text = true;
    bool draw_ruby = false;
    std::string image_name;
    std::string mask_name;
    bool visible = false;
    bool absolute_position = true;
    bool affine = false;
    int32_t alpha = -1;
    std::string tag_string;
    PixelSource loaded_source; // what the surface was loaded from
    SDL_Surface* surface = nullptr;
    int32_t scale_x = 0;
    int32_t scale_y = 0;
    int32_t rotation = 0;
    AffineMatrix matrix{AFFINE_ONE, 0, 0, AFFINE_ONE};
    AffineMatrix inverse{};
    AffineCorners corners{};
    SDL_Rect bounding_rect{};
    BlendMode blend_mode = BlendMode::Normal;
    int32_t font_size_x = -1;
    int32_t font_size_y = -1;
    int32_t pitch_x = -1;
    int32_t pitch_y = -1;
    int32_t remaining_ms = 0;
    int32_t value = 0;
    int32_t max_value = 0;
    int32_t full_width = 0;

  private:
    AnimImage& operator=(const AnimImage&) = default;

    // Frees the surface unless it belongs to the source of a shallow copy.
    void releaseSurface();
    // First pixel column of the current cell, or -1 when the cell is unusable.
    int64_t cellColumn() const;
};

} // namespace velmora
