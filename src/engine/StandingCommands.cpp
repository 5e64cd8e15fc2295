// The standing-picture commands that change pictures already shown (opacity
// and drawing order) and the copy of the window into the background.
#include <cctype>

#include "engine/Velmora.h"
#include "graphics/PictureSurface.h"

namespace velmora {

int32_t Velmora::talCommand() {
    hideTextWindow(false);
    const char* word = script.readLabelToken();
    int32_t slot = -1;
    switch (std::tolower(static_cast<unsigned char>(word[0]))) {
    case 'l': slot = 0; break;
    case 'c': slot = 1; break;
    case 'r': slot = 2; break;
    default: break;
    }
    if (slot >= 0) {
        AnimImage& standing = screen.standing_images[slot];
        standing.alpha = script.readInteger();
        screen.damage.add(standing.screen_rect);
    }
    runEffect(resolveEffect());
    return RESULT_PROCEED;
}

int32_t Velmora::humanorderCommand() {
    hideTextWindow(false);
    const std::string order = script.readStr();
    for (size_t i = 0; i < screen.standing_order.size(); ++i) {
        const char c = i < order.size() ? order[i] : '\0';
        screen.standing_order[i] = c == 'l' ? 0 : c == 'c' ? 1 : c == 'r' ? 2 : -1;
    }
    for (const AnimImage& standing : screen.standing_images)
        if (standing.surface) screen.damage.add(standing.screen_rect);
    runEffect(resolveEffect());
    return RESULT_PROCEED;
}

int32_t Velmora::bgcpyCommand() {
    ofscpyCommand();
    screen.background_name = "*bgcpy";
    AnimImage& background = screen.background_image;
    background.cell_count = 1;
    background.transparency_mode = TransparencyMode::Opaque;
    placeOnScreen(background, 0, 0);
    if (!screen.compose_surface ||
        !background.allocSurface(screen.compose_surface->w, screen.compose_surface->h,
                                 ENGINE_FORMAT_CODE))
        return RESULT_PROCEED;
    background.copyFromSurface(screen.compose_surface);
    return RESULT_PROCEED;
}

int32_t Velmora::ofscpyCommand() {
    if (!screen.screen_surface || !screen.compose_surface) return RESULT_PROCEED;
    copyArea(screen.screen_surface, screen.compose_surface, screen.bounds());
    return RESULT_PROCEED;
}

} // namespace velmora
