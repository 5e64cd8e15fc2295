// Text rendering: glyphs drawn per second into a 640 x 480 text window with
// shadow, for a page of mixed Shift_JIS and ASCII text, the font already open.
#include <benchmark/benchmark.h>

#include <SDL_ttf.h>

#include <string>

#include "graphics/AnimImage.h"
#include "graphics/PictureSurface.h"
#include "text/FontCache.h"
#include "text/TextRenderer.h"

namespace {

using velmora::CharacterBytes;

constexpr const char* FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

// One page: Japanese sentences with ASCII words between them.
std::string pageText() {
    const std::string japanese = "\x8a\xdd\x95\xc7\x82\xcc\x93\x94\x82\xe8\x82\xaa\x81\x41"
                                 "\x82\xd0\x82\xc6\x82\xc2\x82\xb8\x82\xc2\x93\x5f\x82\xa2"
                                 "\x82\xc4\x82\xa2\x82\xad\x81\x42";
    std::string text;
    while (text.size() < 23 * 2 * 16) text += japanese + "Harbour 7 ";
    return text;
}

void BM_DrawGlyphs(benchmark::State& state) {
    if (TTF_WasInit() == 0 && TTF_Init() < 0) {
        state.SkipWithError("no font library");
        return;
    }
    SDL_Surface* target = velmora::createSurface32(640, 480, velmora::ENGINE_FORMAT_CODE);
    velmora::AnimImage cache;
    cache.cell_count = 1;
    cache.allocSurface(640, 480, velmora::ENGINE_FORMAT_CODE);
    velmora::FontState font;
    font.glyph_size = {26, 26};
    font.cell_pitch = {26, 28};
    font.area_origin = {21, 16};
    font.area_cells = {23, 16};
    font.shadow = true;
    velmora::TextRenderContext context;
    context.font_path = FONT;
    if (!velmora::openFace(font, FONT, 1, 1)) {
        state.SkipWithError("the test font cannot be opened");
        return;
    }
    const std::string text = pageText();
    int64_t glyphs = 0;
    for (auto _ : state) {
        font.clearPosition();
        for (size_t at = 0; at + 1 < text.size();) {
            const uint8_t lead = static_cast<uint8_t>(text[at]);
            const bool double_byte = (lead >= 0x81 && lead <= 0x9f) || lead >= 0xe0;
            CharacterBytes character{lead,
                                     double_byte ? static_cast<uint8_t>(text[at + 1]) : uint8_t{0}};
            if (font.remainingLines() <= 0) font.clearPosition();
            velmora::drawCharacter(context, character, font, false, false, target, &cache, nullptr);
            at += double_byte ? 2 : 1;
            ++glyphs;
        }
    }
    state.counters["glyphs_per_second"] =
        benchmark::Counter(static_cast<double>(glyphs), benchmark::Counter::kIsRate);
    SDL_FreeSurface(target);
}
BENCHMARK(BM_DrawGlyphs)->Unit(benchmark::kMillisecond);

} // namespace
