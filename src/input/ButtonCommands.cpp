// Commands that define the buttons of the next button wait: the picture that
// `btn` and `blt` cut from, and clearing the definitions.
#include <SDL.h>

#include "engine/Velmora.h"

namespace velmora {

int32_t Velmora::btndefCommand() {
    if (script.tokenIs("btndef") && !script.takeKeyword("clear")) {
        const std::string file = script.readStr();
        btndef_picture.discard();
        if (!file.empty()) {
            btndef_picture.setTagString(file);
            parseTaggedImage(btndef_picture);
            // Button pictures are cut out as they are: no key colour, no alpha.
            btndef_picture.transparency_mode = TransparencyMode::Opaque;
            loadPicture(btndef_picture);
            if (btndef_picture.surface) SDL_SetAlpha(btndef_picture.surface, 0, 255);
        }
    }
    input.btntime_ms = -1;
    input.resetButtonSwitches();
    return RESULT_PROCEED;
}

} // namespace velmora
