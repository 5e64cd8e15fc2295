// The breakup transition: the screen cut into 24-pixel cells that break
// away (or fly in) one anti-diagonal after another, each piece shrinking
// through circle masks as it moves. Only pixels that differ between the
// two pictures are ever drawn.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/EffectFrames.h"

namespace velmora {

constexpr int32_t BREAKUP_CELL = 24;

// Parameter bits of the breakup, from the characters after the first '/'.
constexpr int32_t BREAKUP_FROM_BOTTOM = 1; // first character 'l'
constexpr int32_t BREAKUP_FROM_LEFT = 2;   // second character 'l'
constexpr int32_t BREAKUP_ASSEMBLE = 4;    // third character 'p' or 'P': pieces fly in
constexpr int32_t BREAKUP_REVERSED = 8;    // third character in upper case

// The parameter bits of a DLL name such as "breakup.dll/llp".
int32_t breakupFlags(const std::string& dll_name);

// One piece of the breakup: where its cell is and how far it has gone.
struct BreakupPiece {
    int32_t cell_x = 0;
    int32_t cell_y = 0;
    int32_t direction = 0; // index into the direction table, 0-7
    int32_t state = 0;     // 44 and above in place, 40-43 shrinking, 0-39 moving, below 0 gone
    int32_t mask_stage = 0;
};

// The tables of the breakup. They persist for the life of the engine: the
// circle masks are built once and the piece table and difference map keep
// their storage between effects.
class Breakup {
  public:
    // Reads the parameters, marks the pixels that differ between `before`
    // and `after` and lays out the pieces over the cells that hold them.
    void setUp(const std::string& dll_name, SDL_Surface* before, SDL_Surface* after);
    // Draws the frame at in.elapsed; draws nothing when no step has passed
    // since the last frame.
    void drawFrame(const FrameInput& in);

    // Circle mask `index` (0-15): 24 x 24 bytes, non-zero where set.
    const std::array<uint8_t, BREAKUP_CELL * BREAKUP_CELL>& circle(int32_t index);
    // True when the pixel differs between the pictures of the last set-up.
    bool differs(int32_t x, int32_t y) const;

    int32_t flags = 0;
    int32_t left = 0; // cell box, in cells
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t piece_count = 0;
    int32_t step_count = 0;
    int32_t last_step = 0;
    std::vector<BreakupPiece> pieces; // the first piece_count are in use

  private:
    void buildCircles();
    void markDifferences(SDL_Surface* before, SDL_Surface* after);
    void layOutPieces(int32_t screen_w, int32_t screen_h);
    void drawPiece(const FrameInput& in, SDL_Surface* from, const BreakupPiece& piece, int32_t sx,
                   int32_t sy);

    std::array<std::array<uint8_t, BREAKUP_CELL * BREAKUP_CELL>, 16> circles{};
    bool circles_built = false;
    std::vector<uint8_t> difference; // one byte per pixel of the screen rounded up to cells
    int32_t map_width = 0;
    int32_t map_height = 0;
    int32_t x0 = 0, x1 = -1, y0 = 0, y1 = -1; // span of the differing pixels
};

} // namespace velmora
