// Fading the music out (mp3stop after mp3fadeout) and in (a start after
// mp3fadein): a 20 ms timer posts a step, and each step sets the volume from
// the time since the fade began.
#include "common/UserEvents.h"
#include "sound/SoundNotices.h"
#include "sound/SoundSystem.h"

namespace velmora {

namespace {

constexpr Uint32 FADE_STEP_MS = 20;

// The end of a fade ends the script's wait for it.
void postWaitDone() {
    SDL_Event event{};
    event.type = EVENT_WAIT_DONE;
    SDL_PushEvent(&event);
}

} // namespace

bool SoundSystem::isOgg(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string extension = name.substr(dot + 1);
    return extension == "OGG" || extension == "ogg";
}

void SoundSystem::startFadeTimer(int32_t direction) {
    removeFadeTimer();
    fade_start = SDL_GetTicks();
    fade_timer = SDL_AddTimer(FADE_STEP_MS, postFadeStep,
                              reinterpret_cast<void*>(static_cast<intptr_t>(direction)));
}

void SoundSystem::removeFadeTimer() {
    if (fade_timer) SDL_RemoveTimer(fade_timer);
    fade_timer = nullptr;
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_EVENTMASK(EVENT_FADE_TIMER)) > 0) {
    }
}

FadeWait SoundSystem::stopMusicWithFade() {
    if (!audio_open) return FadeWait::None;
    const bool playing = musicPlaying();
    // A second stop during the fade-out lets it go on.
    if (playing && fade_timer && fade_ms != 0) return FadeWait::None;
    if (!playing || fadeout_ms == 0) {
        stopMusic(false);
        return FadeWait::None;
    }
    // Music that ends by itself during its fade-out must not start again.
    Mix_HookMusicFinished(nullptr);
    fade_in_ms = 0;
    fade_ms = fadeout_ms;
    startFadeTimer(FADE_OUT);
    return isOgg(record.music_name) ? FadeWait::AtOnce : FadeWait::UntilDone;
}

FadeWait SoundSystem::startMusic(const std::string& name) {
    if (!audio_open) return FadeWait::None;
    record.music_name = name;
    const int32_t volume = volumes.music_volume;
    if (fadein_ms != 0) volumes.music_volume = 0;
    playSoundFile(name, SOUND_AS_CHUNK | SOUND_AS_MUSIC | SOUND_AS_MIDI, record.music_loop,
                  MUSIC_CHUNK_CHANNEL);
    volumes.music_volume = volume;
    if (fadein_ms == 0) return FadeWait::None;
    fade_in_ms = fadein_ms;
    startFadeTimer(FADE_IN);
    return isOgg(name) ? FadeWait::AtOnce : FadeWait::UntilDone;
}

void SoundSystem::onFadeTick(int32_t direction, bool skipping) {
    if (!audio_open || !fade_timer) return;
    const int32_t volume = volumes.music_volume;
    const int64_t elapsed = SDL_GetTicks() - fade_start;
    const bool waited = !isOgg(record.music_name);
    if (direction == FADE_OUT) {
        const int64_t length = skipping ? 0 : fade_ms;
        if (elapsed < length) {
            applyMusicVolume(
                mixerVolume(static_cast<int32_t>((length - elapsed) * volume / length)));
            return;
        }
        applyMusicVolume(0);
        if (waited) postWaitDone();
        stopMusic(false);
        return;
    }
    const int64_t length = skipping ? 0 : fade_in_ms;
    if (elapsed < length) {
        applyMusicVolume(mixerVolume(static_cast<int32_t>(volume * elapsed / length)));
        return;
    }
    // The end sets the final volume, so a fade shorter than one step is heard too.
    applyMusicVolume(mixerVolume(volume));
    removeFadeTimer();
    fade_ms = fade_in_ms = 0;
    if (waited) postWaitDone();
}

} // namespace velmora
