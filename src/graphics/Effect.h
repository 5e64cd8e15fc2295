// One transition effect: the records of the effect table and the window
// effect, and the progress of the effect that is running.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <string>

#include "graphics/Breakup.h"

namespace velmora {

struct EffectSpec {
    int32_t id = 0;       // the number under which `effect` defined it (a shake's amplitude)
    int32_t type = 0;     // the kind of transition
    int32_t duration = 0; // milliseconds
    std::string picture;  // tag string of the mask picture (or the DLL name of type 99)
};

// The running effect's clock and place.
struct EffectProgress {
    int32_t elapsed = 0;            // ms since the effect started; 0 at the start
    int32_t length = 0;             // ms the effect runs after skip shortening
    int32_t step = 0;               // ms since the previous frame
    uint32_t last_tick = 0;         // clock value at the previous frame
    SDL_Rect area{0, 0, 0, 0};      // the damage at the start: every frame is cut to it
    bool fallback_reported = false; // the substitute crossfade has been announced
    bool mask_ready = false;        // a mask fade has its mask picture
    bool breakup_ready = false;     // a DLL effect is the breakup
};

} // namespace velmora
