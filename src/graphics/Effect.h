// One transition effect: the records of the effect table and the window effect.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

struct EffectSpec {
    int32_t id = 0;       // the number under which `effect` defined it
    int32_t type = 0;     // the kind of transition
    int32_t duration = 0; // milliseconds
    std::string picture;  // tag string of the mask picture (or the DLL name of type 99)
};

} // namespace velmora
