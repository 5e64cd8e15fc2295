#include "sound/SoundNotices.h"

#include <array>
#include <atomic>

#include "common/UserEvents.h"
#include "sound/SoundSystem.h"

namespace velmora {

namespace {

std::array<std::atomic<uint32_t>, SOUND_CHANNELS> generations{};

void post(uint8_t type, int code, void* data) {
    SDL_Event event{};
    event.type = type;
    event.user.code = code;
    event.user.data1 = data;
    SDL_PushEvent(&event);
}

} // namespace

void postChannelFinished(int channel) {
    if (channel < 0 || channel >= SOUND_CHANNELS) return;
    post(EVENT_CHANNEL_FINISHED, channel,
         reinterpret_cast<void*>(uintptr_t{generations[channel].load()}));
}

void postMusicFinished() {
    post(EVENT_MUSIC_FINISHED, 0, nullptr);
}

Uint32 postFadeStep(Uint32 interval, void* direction) {
    post(EVENT_FADE_TIMER, static_cast<int>(reinterpret_cast<intptr_t>(direction)), nullptr);
    return interval;
}

Uint32 postCdTrackEnded(Uint32, void*) {
    post(EVENT_CD_TIMER, 0, nullptr);
    return 0; // one shot: the timer removes itself
}

uint32_t nextChannelGeneration(int channel) {
    return ++generations[channel];
}

uint32_t channelGeneration(int channel) {
    return generations[channel].load();
}

} // namespace velmora
