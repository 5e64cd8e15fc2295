// The callbacks of the mixer and of the sound timers. They run on other
// threads and only post an event, which the event loop hands back to the
// sound object on the main thread.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace velmora {

// Mixer hooks.
void postChannelFinished(int channel);
void postMusicFinished();
// Timer callbacks: a fade step every interval (param = the fade's direction),
// and the one-shot end of a CD track.
Uint32 postFadeStep(Uint32 interval, void* direction);
Uint32 postCdTrackEnded(Uint32 interval, void*);

// Each channel counts the sounds put on it; the channel-finished notice
// carries the count it saw, so a notice about a replaced sound is told apart.
uint32_t nextChannelGeneration(int channel);
uint32_t channelGeneration(int channel);

} // namespace velmora
