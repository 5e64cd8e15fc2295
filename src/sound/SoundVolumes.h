// The three sound volumes, 0-100. They are game-wide preferences: the
// environment file keeps them, save files do not.
#pragma once

#include <cstdint>

namespace velmora {

constexpr int32_t MAX_VOLUME = 100;

struct SoundVolumes {
    int32_t voice_volume = MAX_VOLUME; // channel 0
    int32_t se_volume = MAX_VOLUME;    // effects, the wave and loopbgm channels
    int32_t music_volume = MAX_VOLUME; // music, MIDI and a music chunk
};

} // namespace velmora
