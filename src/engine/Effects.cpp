// Running a screen change: the effect argument of a picture command, the
// before and after pictures, and the instant change that shows the new
// screen in one step.
#include <cstdio>

#include "common/Exit.h"
#include "engine/Velmora.h"
#include "graphics/PictureSurface.h"

namespace velmora {

const EffectSpec& Velmora::resolveEffect() {
    inline_effect.picture.clear();
    const int32_t count = readEffectArgument(inline_effect);
    const int32_t type = inline_effect.type;
    if (count > 1 || type == 0 || type == 1) return inline_effect;
    // The first record is the root of the table, not a defined effect.
    for (size_t i = 1; i < effect_list.size(); ++i)
        if (effect_list[i].id == type) return effect_list[i];
    std::fprintf(stderr, "Effect No. %d is not found.\n", type);
    exitProcess(-1);
}

void Velmora::runEffect(const EffectSpec& effect) {
    if (effect.type == 0) return;
    const LayerSettings settings = layerSettings();
    const SDL_Rect area = screen.damage.area;
    if (area.w == 0 || area.h == 0) return;

    // Before and after pictures. Until the transition types exist every
    // change is shown the way the instant type shows it: the after picture
    // of the damaged area in one step.
    screen.compose(screen.windowless_surface, &area, REFRESH_PICTURES, settings);
    copyArea(
        screen.compose_surface, screen.effect_source_surface,
        SDL_Rect{0, 0, static_cast<uint16_t>(screen.width), static_cast<uint16_t>(screen.height)});
    const uint32_t flags = screen.refreshFlags();
    if (flags == REFRESH_PICTURES)
        copyArea(screen.windowless_surface, screen.effect_target_surface, area);
    else
        screen.compose(screen.effect_target_surface, &area, flags, settings);

    copyArea(screen.effect_target_surface, screen.compose_surface, area);
    screen.show(area, 0, settings);
    screen.damage.clear();
}

} // namespace velmora
